/* The public header on its own in a C99 program, as a C application includes it. */
#include "TravikSdk.h"

int TravikHeaderCheckC(HWND window)
{
    CameraInfo info;
    TravikExStreamOptions options = {sizeof(TravikExStreamOptions), TRAVIKEX_STREAM_QUEUE, 8,
                                     TRAVIKEX_QUEUE_REFUSE_NEWEST, NULL, 0};
    TravikExFrame frame = {0};
    int handle = Travik_Initialize(window);
    info.size = (int)sizeof(info);
    frame.size = sizeof(frame);
    if (TravikEx_StartStream(handle, &options) && TravikEx_GrabFrame(handle, 0, &frame) == 1)
        TravikEx_ReleaseFrame(handle, &frame);
    return Travik_GetCameraInfo(handle, &info) && Travik_Release(handle);
}
