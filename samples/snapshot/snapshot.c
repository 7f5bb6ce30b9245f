/* snapshot: opens the first Travik camera, takes one picture and saves it to a file. */
#include <TravikSdk.h>

#include <stdio.h>
#include <string.h>

#define MAX_DEVICES 32 /* device numbers are 0..31 */

/* The Travik_SaveImage file type for a file name's extension; BMP when there is none. */
static int file_type_for(const char* path) {
    const char* dot = strrchr(path, '.');
    if (dot == NULL) return 0;
    if (_stricmp(dot, ".raw") == 0) return 1;
    if (_stricmp(dot, ".jpg") == 0 || _stricmp(dot, ".jpeg") == 0) return 2; /* quality 100 */
    if (_stricmp(dot, ".png") == 0) return 5;
    if (_stricmp(dot, ".tif") == 0 || _stricmp(dot, ".tiff") == 0) return 6;
    return 0;
}

/* Prints which step failed and why, releases the camera, and gives main's exit status. */
static int fail(int camera, const char* step) {
    /* 0 when the step reports no code, as for a file that cannot be written */
    int error = Travik_GetLastError(camera);
    if (error != 0)
        fprintf(stderr, "snapshot: %s failed (error %d)\n", step, error);
    else
        fprintf(stderr, "snapshot: %s failed\n", step);
    Travik_Release(camera);
    return 1;
}

int main(int argc, char** argv) {
    const char* name = argc > 1 ? argv[1] : "snapshot.bmp";
    char path[MAX_PATH], camera_name[64];
    int camera, device;

    if (argc > 2) {
        fprintf(stderr, "usage: snapshot [FILE.bmp|.raw|.jpg|.png|.tif]\n");
        return 2;
    }
    if (GetFullPathNameA(name, MAX_PATH, path, NULL) == 0) {
        fprintf(stderr, "snapshot: bad file name %s\n", name);
        return 2;
    }

    /* No window: errors are read with Travik_GetLastError instead of arriving as messages. */
    camera = Travik_Initialize(NULL);
    if (camera == 0) {
        fprintf(stderr, "snapshot: the SDK could not make a camera object\n");
        return 1;
    }
    /* The first present device: numbers keep their gaps when cameras are unplugged. */
    for (device = 0; device < MAX_DEVICES; ++device)
        if (Travik_GetDeviceName(camera, device, camera_name, sizeof camera_name)) break;
    if (device == MAX_DEVICES) {
        fprintf(stderr, "snapshot: no camera found\n");
        Travik_Release(camera);
        return 1;
    }
    if (!Travik_SetDeviceNumber(camera, device)) return fail(camera, "opening the camera");
    printf("camera: %s\n", camera_name);

    if (!Travik_SetColorMode(camera, 24)) return fail(camera, "choosing 24-bit colour");
    /* Grabs one frame on this thread; without a buffer the image stays in the SDK for saving. */
    if (!Travik_SnapShot(camera, NULL, 0, 0)) return fail(camera, "taking the picture");
    if (!Travik_SaveImage(camera, path, file_type_for(path)))
        return fail(camera, "saving the picture");

    printf("saved %s (%d x %d)\n", path, Travik_Width(camera), Travik_Height(camera));
    Travik_Release(camera); /* also keeps the camera's settings for next time */
    return 0;
}
