/* The public header on its own in a C99 program, as a C application includes it. */
#include "TravikSdk.h"

int TravikHeaderCheckC(HWND window)
{
    CameraInfo info;
    int handle = Travik_Initialize(window);
    info.size = (int)sizeof(info);
    return Travik_GetCameraInfo(handle, &info) && Travik_Release(handle);
}
