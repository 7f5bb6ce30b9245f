// travikcam check: a camera handle for the checks, the frames it delivers, and their stamps.
#pragma once

#include "TravikSdk.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace travikcam {

// A hidden window on the calling thread that receives the camera's notices.
class NoticeWindow {
  public:
    NoticeWindow();
    ~NoticeWindow();
    NoticeWindow(const NoticeWindow&) = delete;
    NoticeWindow& operator=(const NoticeWindow&) = delete;
    HWND hwnd() const { return m_hwnd; }

  private:
    HWND m_hwnd = nullptr;
};

// What a wait for frame notices saw.
struct FrameTally {
    int frames = 0;
    std::vector<int> errors;   // codes of error notices and WM_CAMERA_ERROR posts
    std::string wrongFrame;    // the first frame record that did not match, described
};

// Called for each frame notice while the buffer still holds that frame.
using FrameInspector = std::function<void(const FrameInfo&)>;

// Pumps the thread's messages until `count` frame notices came to `window` or `timeoutMs` passed,
// checking each record against the expected size and depth.
FrameTally WaitForFrames(HWND window, int count, unsigned timeoutMs, int width, int height,
                         int bits, const FrameInspector& inspect = nullptr);
// Drains the notices already posted to `window`.
void DrainNotices(HWND window);

// A camera object for one check, released at the end of its scope.
class CheckCamera {
  public:
    explicit CheckCamera(HWND window = nullptr);
    ~CheckCamera();
    CheckCamera(const CheckCamera&) = delete;
    CheckCamera& operator=(const CheckCamera&) = delete;
    int handle() const { return m_handle; }
    // Empty when the camera opened on `device`; else why not.
    std::string Open(int device);
    // "code N (meaning)" for the newest error, or "no error code".
    std::string LastError();

  private:
    int m_handle = 0;
};

// Bytes per pixel of an output colour depth (8, 16, 24, 32, 48, 64).
int BytesPerPixel(int bits);

// The frame number the virtual camera stamps into the last four rows of an 8-bit picture whose
// first sensor row is first: 32 blocks of 8 pixels, most significant bit first. -1 when the
// stamp cannot be read.
long long ReadFrameStamp(const uint8_t* pixels, int width, int height);

// Whether every pixel above the stamp rows of an 8-bit picture has `value`; when not, the first
// row and column that differ.
std::string CheckFlat(const uint8_t* pixels, int width, int height, int value);

} // namespace travikcam
