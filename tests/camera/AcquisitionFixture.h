// A camera on the virtual camera's device 0, with helpers to run acquisition and read notices.
#pragma once

#include "CameraFixture.h"
#include "EmuControl.h"

#include <cstdint>
#include <vector>

// One WM_CAMERA_NOTIFY as it arrived; a frame notice's record is copied at arrival.
struct Notice {
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    FrameInfo info = {};
    bool IsFrame() const { return wParam != 0; }
};

class AcquisitionTest : public CameraTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(travik_emu::ResetDevice(0));
        ASSERT_TRUE(travik_emu::SetPacingOff(0));
        CameraTest::SetUp();
    }
    void TearDown() override {
        if (handle) Travik_StopPreview(handle);
        CameraTest::TearDown();
        travik_emu::ResetDevice(0);
    }

    // Pumps the window's queue until `frames` frame notices have arrived or `ms` passed; every
    // notice (frames and codes) that arrived meanwhile is returned in order.
    std::vector<Notice> WaitNotices(size_t frames, DWORD ms) {
        std::vector<Notice> notices;
        size_t seen = 0;
        const DWORD start = GetTickCount();
        while (seen < frames && GetTickCount() - start < ms) {
            MSG msg;
            while (PeekMessageA(&msg, window.hwnd(), 0, 0, PM_REMOVE)) {
                if (msg.message != WM_CAMERA_NOTIFY) {
                    if (msg.message != WM_CAMERA_ERROR)
                        DispatchMessageA(&msg);
                    else
                        posted.push_back(msg.lParam);
                    continue;
                }
                Notice notice;
                notice.wParam = msg.wParam;
                notice.lParam = msg.lParam;
                if (msg.wParam) {
                    notice.info = *reinterpret_cast<const FrameInfo*>(msg.wParam);
                    ++seen;
                }
                notices.push_back(notice);
            }
            if (seen < frames) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return notices;
    }
    static size_t CountFrames(const std::vector<Notice>& notices) {
        size_t n = 0;
        for (const Notice& notice : notices)
            n += notice.IsFrame();
        return n;
    }
    static std::vector<LPARAM> Codes(const std::vector<Notice>& notices) {
        std::vector<LPARAM> codes;
        for (const Notice& notice : notices)
            if (!notice.IsFrame()) codes.push_back(notice.lParam);
        return codes;
    }

    // The virtual camera's frame number, read from an 8-bit frame kept in sensor row order.
    static unsigned FrameNumber(const unsigned char* frame, int stride, int height) {
        const unsigned char* row = frame + static_cast<size_t>(height - 2) * stride;
        unsigned number = 0;
        for (int bit = 0; bit < 32; ++bit)
            number = (number << 1) | (row[bit * 8 + 4] > 127 ? 1u : 0u);
        return number;
    }

    // Runs callback preview into `buffer` until `frames` frames came, then stops.
    std::vector<Notice> RunCallbackPreview(std::vector<unsigned char>& buffer, int rowOrder,
                                           size_t frames, DWORD ms = 5000) {
        EXPECT_EQ(Travik_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0), 1);
        EXPECT_EQ(Travik_CallBackPreview(handle, window.hwnd(), buffer.data(),
                                         static_cast<int>(buffer.size()), rowOrder),
                  1);
        std::vector<Notice> notices = WaitNotices(frames, ms);
        EXPECT_EQ(Travik_StopPreview(handle), 1);
        return notices;
    }

    static int StrideOf(int width, int bits) { return (width * bits / 8 + 3) & ~3; }

    std::vector<LPARAM> posted; // WM_CAMERA_ERROR codes seen while waiting for notices
};
