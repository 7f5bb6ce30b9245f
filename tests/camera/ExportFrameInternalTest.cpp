// The export frame and Close on a camera object of the internal library: an exception inside an
// export is a failure with its reason, and Close stops acquisition with or without a device.
#include "api/ExportFrame.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

struct Thrown {
    const char* name;
    void (*raise)();
    int code;
};

class ExceptionInExport : public ::testing::TestWithParam<Thrown> {};

TEST_P(ExceptionInExport, BecomesTheFailureValueWithItsCode) {
    CTravik camera; // no device object: nothing here needs one
    auto operation = [](CTravik&) -> int {
        GetParam().raise();
        return 1;
    };
    EXPECT_EQ(RunOnCamera(camera, -1, true, operation), -1);
    EXPECT_EQ(camera.GetLastError(), GetParam().code);
    EXPECT_EQ(camera.GetLastError(), 0);
    // The export lock was left on the way out: another thread can take it.
    HANDLE other = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            CTravik::ExportScope scope(*static_cast<CTravik*>(argument));
            return 7;
        },
        &camera, 0, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(WaitForSingleObject(other, 20000), WAIT_OBJECT_0);
    CloseHandle(other);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ExceptionInExport,
    ::testing::Values(Thrown{"MemoryShortage", [] { throw std::bad_alloc(); }, ERR_MEMORY},
                      Thrown{"Other", [] { throw std::runtime_error("x"); }, ERR_UNAVAILABLE}),
    [](const ::testing::TestParamInfo<Thrown>& info) { return std::string(info.param.name); });

TEST(CloseWithoutDevice, StopsAndReturnsOne) {
    CTravik camera;
    camera.m_acquisition.SetFlag(RunFlag::Run); // as a worker left running would see it
    EXPECT_EQ(camera.Close(), 1);
    EXPECT_EQ(camera.m_acquisition.Flag(), RunFlag::Stop);
}

} // namespace
