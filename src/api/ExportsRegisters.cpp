// Exports of the sensor registers and the serial ROM's identification area.
#include "api/ExportFrame.h"

TRAVIK_EXPORT Travik_ReadRegisterEx(int handle, int address, int* ok) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.ReadRegister(address, ok); });
}

TRAVIK_EXPORT Travik_ReadRegister(int handle, int address, int* ok) {
    return Travik_ReadRegisterEx(handle, address & 0xFF, ok);
}

TRAVIK_EXPORT Travik_WriteRegisterEx(int handle, int address, int value) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.WriteRegister(address, value); });
}

TRAVIK_EXPORT Travik_WriteRegister(int handle, int address, int value) {
    return Travik_WriteRegisterEx(handle, address & 0xFF, value & 0xFFFF);
}

TRAVIK_EXPORT Travik_ReadSromID(int handle, int index, int* ok) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.ReadSromID(index, ok); });
}

TRAVIK_EXPORT Travik_WriteSromID(int handle, int index, int value) {
    return CallCamera(handle, 0, [&](CTravik& camera) { return camera.WriteSromID(index, value); });
}
