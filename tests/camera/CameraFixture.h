// A camera opened through the DLL on a clean registry, for the camera object's tests.
#pragma once

#include "TravikSdk.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

class CameraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        travik_test::DeleteSdkRegistry();
        handle = Travik_Initialize(window.hwnd());
        ASSERT_NE(handle, 0);
        ASSERT_EQ(Travik_GetLastError(handle), 0);
        window.Collect(WM_CAMERA_ERROR, 0);
    }
    void TearDown() override {
        if (handle) Travik_Release(handle);
        travik_test::DeleteSdkRegistry();
    }
    // Every error code pushed since the last call, newest first.
    std::vector<int> DrainErrors() {
        std::vector<int> codes;
        for (int code = Travik_GetLastError(handle); code != 0; code = Travik_GetLastError(handle))
            codes.push_back(code);
        return codes;
    }
    // Codes posted to the application window since the last call, oldest first.
    std::vector<LPARAM> PostedErrors() { return window.Collect(WM_CAMERA_ERROR, 20); }

    travik_test::MessageWindow window;
    int handle = 0;
};
