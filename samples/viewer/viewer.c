/* TravikViewer: live preview of a Travik camera with device and colour menus, the SDK's settings
   dialogs, snapshots and AVI recording, and the frame rate and last error in a status bar. */
#include <TravikSdk.h>

#include <commctrl.h>
#include <commdlg.h>
#include <stdio.h>

#include "viewer_ids.h"

#define PREVIEW_WIDTH 640
#define PREVIEW_HEIGHT 480
#define RECORD_MS 5000

static const int color_bits[6] = {8, 16, 24, 32, 48, 64};
static const char* const color_names[6] = {"&8-bit mono",    "&10-bit mono (16 bits)",
                                           "&24-bit colour", "&32-bit colour",
                                           "&48-bit colour", "&64-bit colour"};

static int camera; /* the SDK handle */
static HWND status_bar;
static int previewing; /* the viewer started a preview and has not stopped it */
static int device, color_mode;
static int shown_rate = -1; /* frames per second x 10 in the status bar */

static void set_status(int part, const char* text) {
    SendMessageA(status_bar, SB_SETTEXTA, part, (LPARAM)text);
}

static const char* describe(int error) {
    static const char* const reasons[] = {[ERR_UNAVAILABLE] = "not available now",
                                          [ERR_DEVICE] = "camera absent or in use",
                                          [ERR_THREAD] = "no thread",
                                          [ERR_WINDOW] = "no window",
                                          [ERR_MEMORY] = "no memory",
                                          [ERR_DEVICE_IO] = "camera refused",
                                          [ERR_GEOMETRY] = "bad capture window",
                                          [ERR_TRANSFER] = "transfer failed",
                                          [ERR_PARAMETER] = "bad argument",
                                          [ERR_NOT_SUPPORTED] = "not supported",
                                          [ERR_FILE] = "file error",
                                          [ERR_DEVICE_LOST] = "camera lost"};
    const char* reason = error > 0 && error <= ERR_DEVICE_LOST ? reasons[error] : NULL;
    return reason ? reason : "unknown";
}

/* Every failure inside the SDK arrives here: it is posted to the window given to Travik_Initialize.
 */
static void show_error(int error) {
    char text[64];
    sprintf(text, "Error %d: %s", error, describe(error));
    set_status(STATUS_PART_ERROR, text);
}

static void show_state(const char* doing) {
    char text[96];
    sprintf(text, "Device %d, %s: %s", device + 1, color_names[color_mode] + 1, doing);
    set_status(STATUS_PART_STATE, text);
}

static void start_preview(HWND window) {
    /* The SDK makes its preview window as a child of ours and draws each frame into it; frame
       notices (WM_CAMERA_NOTIFY) come to our window too. */
    Travik_SetPreviewWindow(camera, window, 0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT);
    previewing = Travik_CallBackPreview(camera, window, NULL, 0, 0);
    show_state(previewing ? "previewing" : "preview failed");
}

static void stop_preview(void) {
    Travik_Close(camera); /* stops acquisition, removes the preview window, keeps the camera */
    previewing = 0;
    shown_rate = -1;
    set_status(STATUS_PART_RATE, "");
    show_state("stopped");
}

static void check_menu_items(HMENU menu) {
    int i;
    for (i = 0; i < 32; ++i)
        CheckMenuItem(menu, ID_DEVICE_FIRST + i, i == device ? MF_CHECKED : MF_UNCHECKED);
    for (i = 0; i < 6; ++i)
        CheckMenuItem(menu, ID_COLOR_FIRST + i, i == color_mode ? MF_CHECKED : MF_UNCHECKED);
}

/* Travik_GetColorMode answers with the significant bits per pixel of each mode. */
static void sync_color_mode(HWND window) {
    static const int reported_bits[6] = {8, 10, 24, 32, 42, 58};
    int bits = Travik_GetColorMode(camera), i;
    for (i = 0; i < 6; ++i)
        if (reported_bits[i] == bits) color_mode = i;
    check_menu_items(GetMenu(window));
}

/* Device and colour mode change with acquisition stopped; the preview resumes afterwards. */
static void change_camera(HWND window, int new_device, int new_mode) {
    int was_previewing = previewing;
    int ok;
    if (was_previewing) stop_preview();
    ok = new_device != device ? Travik_SetDeviceNumber(camera, new_device)
                              : Travik_SetColorMode(camera, color_bits[new_mode]);
    if (ok) {
        device = new_device;
        color_mode = new_mode;
    }
    check_menu_items(GetMenu(window));
    show_state(ok ? "ready" : "change refused");
    if (was_previewing) start_preview(window);
}

/* Asks for a file name; the chosen filter's 1-based index goes to *filter_index. */
static int ask_file_name(HWND window, const char* filters, const char* extension, char* path,
                         DWORD* filter_index) {
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = filters;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = extension;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    path[0] = '\0';
    if (!GetSaveFileNameA(&dialog)) return 0;
    if (filter_index) *filter_index = dialog.nFilterIndex;
    return 1;
}

static void save_snapshot(HWND window) {
    /* Filter n is Travik_SaveImage file type n - 1. */
    static const char filters[] =
        "BMP\0*.bmp\0Raw pixels\0*.raw\0JPEG, quality 100\0*.jpg\0JPEG, quality 70\0*.jpg\0"
        "JPEG, quality 20\0*.jpg\0PNG\0*.png\0TIFF\0*.tif\0";
    char path[MAX_PATH];
    DWORD filter = 1;
    if (!ask_file_name(window, filters, "bmp", path, &filter)) return;
    /* While previewing the newest frame is saved; otherwise take one first. */
    if (!previewing && !Travik_SnapShot(camera, NULL, 0, 0)) return;
    if (Travik_SaveImage(camera, path, (int)filter - 1))
        show_state("snapshot saved");
    else
        show_state("snapshot not saved");
}

static void record_avi(HWND window) {
    char path[MAX_PATH];
    if (!ask_file_name(window, "AVI\0*.avi\0", "avi", path, NULL)) return;
    if (!previewing) start_preview(window);
    show_state(Travik_Record(camera, path, RECORD_MS, 0) ? "recording 5 s" : "recording failed");
}

static void run_dialog(HWND window, int id) {
    if (id == ID_SETTINGS_CAMERA) {
        /* The SDK stops acquisition around its format dialog and resumes it afterwards; only the
           colour mode may have changed. */
        Travik_SetCameraDlg(camera, window);
        sync_color_mode(window);
        show_state(previewing ? "previewing" : "ready");
    } else if (id == ID_SETTINGS_IMAGE) {
        Travik_SetImageDlg(camera, window);
    } else {
        Travik_SetAnalogDlg(camera, window);
    }
}

/* Lists the present cameras by device number, which keeps its gaps when cameras are unplugged;
   returns the first number, or -1. */
static int add_devices(HWND window, HMENU devices) {
    int first = -1, number;
    char name[64], item[80];
    MSG report;
    for (number = 0; number < 32; ++number) {
        if (!Travik_GetDeviceName(camera, number, name, sizeof name)) continue;
        sprintf(item, "&%d %s", number + 1, name);
        AppendMenuA(devices, MF_STRING, ID_DEVICE_FIRST + number, item);
        if (first < 0) first = number;
    }
    /* Each absent number was reported to this window, as was an absent device 0 when the camera
       object was made: here that only means "not in the menu". */
    while (PeekMessageA(&report, window, WM_CAMERA_ERROR, WM_CAMERA_ERROR, PM_REMOVE)) {
    }
    if (first < 0) AppendMenuA(devices, MF_STRING | MF_GRAYED, 0, "No camera");
    return first;
}

static HMENU make_menu(HWND window, int* first_device) {
    HMENU bar = CreateMenu(), file = CreatePopupMenu(), devices = CreatePopupMenu();
    HMENU colors = CreatePopupMenu(), preview = CreatePopupMenu(), settings = CreatePopupMenu();
    int i;

    AppendMenuA(file, MF_STRING, ID_FILE_SAVE, "&Save snapshot...");
    AppendMenuA(file, MF_STRING, ID_FILE_RECORD, "&Record AVI (5 s)...");
    AppendMenuA(file, MF_SEPARATOR, 0, NULL);
    AppendMenuA(file, MF_STRING, ID_FILE_EXIT, "E&xit");
    *first_device = add_devices(window, devices);
    for (i = 0; i < 6; ++i)
        AppendMenuA(colors, MF_STRING, ID_COLOR_FIRST + i, color_names[i]);
    AppendMenuA(preview, MF_STRING, ID_PREVIEW_START, "&Start");
    AppendMenuA(preview, MF_STRING, ID_PREVIEW_STOP, "S&top");
    AppendMenuA(settings, MF_STRING, ID_SETTINGS_CAMERA, "&Camera format...");
    AppendMenuA(settings, MF_STRING, ID_SETTINGS_IMAGE, "&Image filters...");
    AppendMenuA(settings, MF_STRING, ID_SETTINGS_ANALOG, "&Analog gain...");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)devices, "&Device");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)colors, "&Colour");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)preview, "&Preview");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)settings, "&Settings");
    return bar;
}

static void on_command(HWND window, int id) {
    if (id == ID_FILE_SAVE)
        save_snapshot(window);
    else if (id == ID_FILE_RECORD)
        record_avi(window);
    else if (id == ID_FILE_EXIT)
        DestroyWindow(window);
    else if (id == ID_PREVIEW_START && !previewing)
        start_preview(window);
    else if (id == ID_PREVIEW_STOP)
        stop_preview();
    else if (id >= ID_SETTINGS_CAMERA && id <= ID_SETTINGS_ANALOG)
        run_dialog(window, id);
    else if (id >= ID_DEVICE_FIRST && id < ID_DEVICE_FIRST + 32)
        change_camera(window, id - ID_DEVICE_FIRST, color_mode);
    else if (id >= ID_COLOR_FIRST && id < ID_COLOR_FIRST + 6)
        change_camera(window, device, id - ID_COLOR_FIRST);
}

static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        static const int part_ends[3] = {330, 450, -1};
        int first;
        status_bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                     window, NULL, GetModuleHandleA(NULL), NULL);
        SendMessageA(status_bar, SB_SETPARTS, 3, (LPARAM)part_ends);
        set_status(STATUS_PART_ERROR, "No error");
        camera = Travik_Initialize(window); /* errors come to this window as WM_CAMERA_ERROR */
        if (camera == 0) return -1;
        SetMenu(window, make_menu(window, &first));
        /* Start on the first camera present; initialisation chose device 0. */
        if (first > 0 && Travik_SetDeviceNumber(camera, first)) device = first;
        sync_color_mode(window); /* the mode kept from the last session */
        show_state("ready");
        return 0;
    }
    case WM_SIZE:
        SendMessageA(status_bar, WM_SIZE, 0, 0);
        return 0;
    case WM_COMMAND:
        on_command(window, LOWORD(wParam));
        return 0;
    case WM_CAMERA_ERROR:
        show_error((int)lParam);
        return 0;
    case WM_CAMERA_NOTIFY: /* a frame (wParam its FrameInfo) or, with wParam 0, an error */
        if (wParam == 0) {
            show_error((int)lParam);
        } else if (((const FrameInfo*)wParam)->frameRate != shown_rate) {
            char text[32];
            shown_rate = ((const FrameInfo*)wParam)->frameRate;
            sprintf(text, "%d.%d frames/s", shown_rate / 10, shown_rate % 10);
            set_status(STATUS_PART_RATE, text);
        }
        return 0;
    case WM_DESTROY:
        /* Release stops acquisition and keeps the camera's settings for next time. */
        if (camera != 0) Travik_Release(camera);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    WNDCLASSA window_class;
    RECT frame = {0, 0, PREVIEW_WIDTH, PREVIEW_HEIGHT + 24};
    HWND window;
    MSG message;
    (void)previous;
    (void)command_line;

    InitCommonControlsEx(&controls);
    ZeroMemory(&window_class, sizeof window_class);
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
    window_class.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    window_class.lpszClassName = VIEWER_CLASS;
    if (!RegisterClassA(&window_class)) return 1;
    AdjustWindowRect(&frame, style, TRUE);
    window = CreateWindowExA(0, VIEWER_CLASS, "Travik Viewer", style, CW_USEDEFAULT, CW_USEDEFAULT,
                             frame.right - frame.left, frame.bottom - frame.top, NULL, NULL,
                             instance, NULL);
    if (window == NULL) {
        MessageBoxA(NULL, "The Travik SDK could not make a camera object.", "Travik Viewer",
                    MB_ICONERROR);
        return 1;
    }
    ShowWindow(window, show);
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
