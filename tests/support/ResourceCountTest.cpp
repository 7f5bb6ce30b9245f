// The leak counters see one leaked kernel handle, GDI object, window, window class and thread, and
// see them go.
#include "resources/ResourceCount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <thread>

namespace {

using travik_resources::CountResources;
using travik_resources::DescribeGrowth;
using travik_resources::ResourceCounts;

TEST(ResourceCountTest, AnOpenEventIsOneMoreKernelHandle) {
    const ResourceCounts before = CountResources();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const ResourceCounts leaked = CountResources();
    CloseHandle(event);
    const ResourceCounts after = CountResources();
    EXPECT_EQ(leaked.handles, before.handles + 1);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_NE(DescribeGrowth(before, leaked).find("handles"), std::string::npos);
}

TEST(ResourceCountTest, ANewHandleIsDescribedByItsTypeAndName) {
    const ResourceCounts before = CountResources();
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "ResourceCountTest.Described");
    ASSERT_NE(event, nullptr);
    const ResourceCounts leaked = CountResources();
    const std::string growth = DescribeGrowth(before, leaked);
    CloseHandle(event);
    EXPECT_NE(growth.find(" Event (manual reset, not signalled) "), std::string::npos) << growth;
    EXPECT_NE(growth.find("ResourceCountTest.Described"), std::string::npos) << growth;
}

TEST(ResourceCountTest, ABrushAndABitmapAreTwoMoreGdiObjects) {
    const ResourceCounts before = CountResources();
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_NE(brush, nullptr);
    ASSERT_NE(bitmap, nullptr);
    const ResourceCounts leaked = CountResources();
    DeleteObject(brush);
    DeleteObject(bitmap);
    const ResourceCounts after = CountResources();
    EXPECT_EQ(leaked.gdiObjects, before.gdiObjects + 2);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(leaked.handles, before.handles); // GDI objects are not kernel handles
}

TEST(ResourceCountTest, TopLevelChildAndMessageOnlyWindowsAreCounted) {
    // A thread's first window brings the thread's default IME window with it; one window that
    // stays for the whole test keeps that one out of the difference.
    HWND keeper = CreateWindowExA(0, "STATIC", "keeper", WS_OVERLAPPED, 0, 0, 20, 20, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(keeper, nullptr) << "no display: " << GetLastError();
    const ResourceCounts before = CountResources();
    HWND top = CreateWindowExA(0, "STATIC", "top", WS_OVERLAPPED, 0, 0, 20, 20, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(top, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "child", WS_CHILD, 0, 0, 5, 5, top, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    HWND messageOnly = CreateWindowExA(0, "STATIC", "message", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(messageOnly, nullptr);
    const ResourceCounts leaked = CountResources();
    DestroyWindow(messageOnly);
    DestroyWindow(top); // and its child
    const ResourceCounts after = CountResources();
    DestroyWindow(keeper);
    EXPECT_EQ(leaked.windows, before.windows + 3);
    EXPECT_GE(leaked.userObjects, before.userObjects + 3);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_NE(DescribeGrowth(before, leaked).find("windows"), std::string::npos);
}

TEST(ResourceCountTest, AWindowClassIsCountedUntilItIsUnregistered) {
    const ResourceCounts before = CountResources();
    ResourceCounts leaked;
    std::string growth;
    {
        const travik_test::ProgramWindowClass windowClass("ResourceCountTest.Leaked");
        ASSERT_TRUE(windowClass.registered());
        leaked = CountResources();
        growth = DescribeGrowth(before, leaked); // while the class has its name
    }
    const ResourceCounts after = CountResources();
    EXPECT_EQ(leaked.windowClasses, before.windowClasses + 1);
    EXPECT_EQ(after.windowClasses, before.windowClasses);
    EXPECT_NE(growth.find("window classes"), std::string::npos) << growth;
    EXPECT_NE(growth.find("ResourceCountTest.Leaked"), std::string::npos) << growth;
}

TEST(ResourceCountTest, TheSystemsOwnClassesAreNotCounted) {
    // A thread's first COM apartment makes the system register the class of its apartment
    // window, which stays for the life of the process.
    const ResourceCounts before = CountResources();
    std::thread([] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        CoUninitialize();
    }).join();
    EXPECT_EQ(CountResources().windowClasses, before.windowClasses);
}

DWORD WINAPI WaitForEvent(void* event) {
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

TEST(ResourceCountTest, ARunningThreadIsCountedUntilItEnds) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(release, nullptr);
    const ResourceCounts before = CountResources();
    HANDLE thread = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const ResourceCounts running = CountResources();
    SetEvent(release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    const ResourceCounts after = CountResources();
    CloseHandle(release);
    EXPECT_EQ(running.threads, before.threads + 1);
    EXPECT_EQ(running.handles, before.handles + 1); // the thread's handle
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.handles, before.handles);
}

TEST(ResourceCountTest, NothingGrewDescribesAsEmpty) {
    ResourceCounts before;
    before.handles = 40;
    before.gdiObjects = 7;
    ResourceCounts after = before;
    after.gdiObjects = 6; // fewer is not growth
    EXPECT_EQ(DescribeGrowth(before, after), "");
    after.handles = 43;
    EXPECT_EQ(DescribeGrowth(before, after), "handles 40 -> 43");
}

} // namespace
