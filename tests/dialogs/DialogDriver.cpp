// Drives the SDK's modal dialogs from a helper thread: finding controls, user actions and
// screenshots.
#include "DialogDriver.h"

#include "support/TestSupport.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace dialog_test {

namespace {

struct FrameSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchFrame(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<FrameSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == search->process && IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ControlSearch {
    int id;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ControlSearch*>(parameter);
    if (GetDlgCtrlID(window) == search->id && (!search->visibleOnly || IsWindowVisible(window))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Lets the dialog thread handle what was sent and paint.
void Settle() { Sleep(150); }

// The visible dialog frame of this process, if one is up now.
HWND FindFrame() {
    FrameSearch search{GetCurrentProcessId(), nullptr};
    EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int RunWithScript(const std::function<int()>& open, const std::function<void(HWND)>& script) {
    // Set once the export has returned: its modal dialog is gone, so there is nothing left to
    // wait for or to close.
    std::atomic<bool> returned{false};
    std::thread helper([&] {
        HWND frame = nullptr;
        const DWORD start = GetTickCount();
        while (!returned && !(frame = FindFrame()) && GetTickCount() - start < 10000)
            Sleep(20);
        if (frame) {
            Settle();
            script(frame);
        }
        // Whatever the script did, leave no dialog behind.
        for (; !returned; Sleep(20))
            if (HWND left = FindFrame()) SendMessageW(left, WM_COMMAND, IDCANCEL, 0);
    });
    const int result = open();
    returned = true;
    helper.join();
    return result;
}

HWND WaitForFrame(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        if (HWND frame = FindFrame()) {
            Settle();
            return frame;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

HWND FindControl(HWND root, int id, bool visibleOnly) {
    ControlSearch search{id, visibleOnly, nullptr};
    EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring ListText(HWND frame, int list, int index) {
    HWND box = FindControl(frame, list);
    const auto length = SendMessageW(box, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return L"";
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    SendMessageW(box, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

int ListCount(HWND frame, int list) {
    return static_cast<int>(SendMessageW(FindControl(frame, list), CB_GETCOUNT, 0, 0));
}

int ListSelection(HWND frame, int list) {
    return static_cast<int>(SendMessageW(FindControl(frame, list), CB_GETCURSEL, 0, 0));
}

std::wstring TabTitle(HWND frame, int index) {
    wchar_t title[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = title;
    item.cchTextMax = 64;
    SendMessageW(GetDlgItem(frame, 1001), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return title;
}

int TabCount(HWND frame) { return static_cast<int>(SendMessageW(GetDlgItem(frame, 1001), TCM_GETITEMCOUNT, 0, 0)); }

void ClickTab(HWND frame, int index) {
    HWND tab = GetDlgItem(frame, 1001);
    RECT box{};
    SendMessageW(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&box));
    const LPARAM point = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(tab, WM_LBUTTONUP, 0, point);
    Settle();
}

void Click(HWND frame, int id) {
    SendMessageW(FindControl(frame, id), BM_CLICK, 0, 0);
    Settle();
}

void TypeText(HWND frame, int id, const std::wstring& text) {
    HWND edit = FindControl(frame, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    Settle();
}

void MoveTrackbar(HWND frame, int id, int position) {
    HWND bar = FindControl(frame, id);
    // What dragging the thumb produces: the new position, then the notices to the page.
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    HWND page = GetParent(bar);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar));
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bar));
    Settle();
}

int TrackbarPosition(HWND frame, int id) {
    return static_cast<int>(SendMessageW(FindControl(frame, id), TBM_GETPOS, 0, 0));
}

void SelectListEntry(HWND frame, int list, int index) {
    HWND box = FindControl(frame, list);
    SendMessageW(box, CB_SETCURSEL, index, 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    Settle();
}

bool IsEnabled(HWND frame, int id) { return IsWindowEnabled(FindControl(frame, id)) != FALSE; }

bool IsChecked(HWND frame, int id) {
    return SendMessageW(FindControl(frame, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool SaveScreenshot(HWND frame, const std::string& name) {
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(400);
    RECT box{};
    GetWindowRect(frame, &box);
    const int width = box.right - box.left, height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, old);

    const std::string directory = travik_test::ProgramDirectory() + "..\\artifacts";
    CreateDirectoryA(directory.c_str(), nullptr);
    const std::string path = directory + "\\" + name + ".bmp";
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + stride * height;
    bool written = false;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        written = std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                  std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                  std::fwrite(bits, stride * height, 1, out) == 1;
        std::fclose(out);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

} // namespace dialog_test
