// The library's preview window is made again at a start when the user closed it or when
// Travik_SetPreviewWindow changed it since; the old one does not stay behind.
#include "AcquisitionFixture.h"

namespace {

constexpr char kChildTitle[] = "ActiveMovie Window";

int CountPreviewChildren(HWND parent) {
    int count = 0;
    for (HWND child = FindWindowExA(parent, nullptr, nullptr, kChildTitle); child;
         child = FindWindowExA(parent, child, nullptr, kChildTitle))
        ++count;
    return count;
}

RECT ChildRect(HWND parent) {
    RECT rect = {};
    HWND child = FindWindowExA(parent, nullptr, nullptr, kChildTitle);
    if (!child) return rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

using PreviewWindowRemake = AcquisitionTest;

TEST_F(PreviewWindowRemake, ClosedByTheUserItIsMadeAgainAtTheNextStart) {
    ASSERT_EQ(Travik_SetPreviewWindow(handle, window.hwnd(), 0, 0, 320, 240), 1);
    ASSERT_EQ(Travik_Preview(handle), 1);
    HWND first = FindWindowExA(window.hwnd(), nullptr, nullptr, kChildTitle);
    ASSERT_NE(first, nullptr);
    DestroyWindow(first);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(Travik_Preview(handle), 1);
    EXPECT_EQ(CountPreviewChildren(window.hwnd()), 1);
    EXPECT_EQ(Travik_Close(handle), 1);
    EXPECT_EQ(CountPreviewChildren(window.hwnd()), 0);
}

TEST_F(PreviewWindowRemake, ChangedBetweenStopAndStartTheNewPlaceIsUsed) {
    ASSERT_EQ(Travik_SetPreviewWindow(handle, window.hwnd(), 0, 0, 320, 240), 1);
    ASSERT_EQ(Travik_Preview(handle), 1);
    EXPECT_EQ(Travik_StopPreview(handle), 1);
    ASSERT_EQ(Travik_SetPreviewWindow(handle, window.hwnd(), 10, 20, 200, 100), 1);
    ASSERT_EQ(Travik_Preview(handle), 1);
    EXPECT_EQ(CountPreviewChildren(window.hwnd()), 1);
    const RECT rect = ChildRect(window.hwnd());
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 100);
    EXPECT_EQ(Travik_Close(handle), 1);
}

} // namespace
