// The public header on its own in a C++ program.
#include "TravikSdk.h"

int TravikHeaderCheckCpp(HWND window) {
    FrameInfo frame{};
    const int handle = Travik_Initialize(window);
    return frame.size + Travik_Release(handle);
}
