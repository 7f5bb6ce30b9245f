// The check takes one new auto-reset event for the thread library's lasting lock event, once,
// and nothing else: real events and handles made between two counts.
#include "LastingEvent.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using travik_resources::CountResources;
using travik_resources::ResourceCounts;
using travikcam::LastingEventAllowance;

// An unnamed auto-reset event in the signalled state, as the thread library leaves its own.
HANDLE LockLikeEvent() {
    return CreateEventA(nullptr, FALSE, TRUE, nullptr);
}

TEST(LastingEvent, OneLockLikeEventIsTakenOnceInTheProcesssLife) {
    LastingEventAllowance allowance;
    const ResourceCounts first = CountResources();
    const HANDLE one = LockLikeEvent();
    const ResourceCounts second = CountResources();
    EXPECT_TRUE(allowance.Accept(first, second));
    const HANDLE two = LockLikeEvent();
    EXPECT_FALSE(allowance.Accept(second, CountResources()));
    CloseHandle(one);
    CloseHandle(two);
}

TEST(LastingEvent, OtherHandlesAndMoreThanOneAreLeaks) {
    const ResourceCounts before = CountResources();
    const HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_FALSE(LastingEventAllowance().Accept(before, CountResources()));
    CloseHandle(manual);
    const HANDLE unsignalled = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_FALSE(LastingEventAllowance().Accept(before, CountResources()));
    CloseHandle(unsignalled);
    const HANDLE named = CreateEventA(nullptr, FALSE, TRUE, "TravikLastingEventTest");
    EXPECT_FALSE(LastingEventAllowance().Accept(before, CountResources()));
    CloseHandle(named);
    const HANDLE one = LockLikeEvent();
    const HANDLE two = LockLikeEvent();
    EXPECT_FALSE(LastingEventAllowance().Accept(before, CountResources()));
    CloseHandle(one);
    CloseHandle(two);
}

TEST(LastingEvent, AnEventBesideAnyOtherGrowthIsALeak) {
    const ResourceCounts before = CountResources();
    const HANDLE event = LockLikeEvent();
    {
        const travik_test::ProgramWindowClass windowClass("TravikLastingEventTest");
        ASSERT_TRUE(windowClass.registered());
        EXPECT_FALSE(LastingEventAllowance().Accept(before, CountResources()));
    }
    CloseHandle(event);
}

} // namespace
