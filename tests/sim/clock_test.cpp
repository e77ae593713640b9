// The virtual clock and the waits that run on it.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/platform.h"
#include "sim/core/clock.h"
#include "sim/core/handles.h"

namespace {

TEST(VirtualClock, SleepAndTimedWaitsMoveVirtualTimeOnly) {
  DWORD dwStart = GetTickCount();
  Sleep(60000);
  EXPECT_EQ(sim::now_ms(), 60000u);
  HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  ASSERT_NE(hEvent, nullptr);
  EXPECT_EQ(WaitForSingleObject(hEvent, 500), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(GetTickCount() - dwStart, 60500u);
  EXPECT_TRUE(CloseHandle(hEvent));
}

TEST(VirtualClock, TickCountWrapsAt32Bits) {
  sim::set_tick_base(0xFFFFFF00u);
  Sleep(0x200);
  EXPECT_EQ(GetTickCount(), 0x100u);
}

TEST(VirtualClock, ScheduledActionEndsAWaitAtItsTime) {
  HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  sim::at(1500, [hEvent] { SetEvent(hEvent); });
  EXPECT_EQ(WaitForSingleObject(hEvent, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(sim::now_ms(), 1500u);
  // Manual reset: stays set.
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(hEvent);
}

TEST(VirtualClock, ActionsRunInTimeOrderThenInOrderScheduled) {
  std::vector<int> order;
  sim::at(20, [&] { order.push_back(3); });
  sim::at(10, [&] { order.push_back(1); });
  sim::at(10, [&] { order.push_back(2); });
  sim::at(30, [&] { order.push_back(4); });
  Sleep(25);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(sim::now_ms(), 25u);
}

TEST(VirtualClock, AutoResetEventReleasesOneWait) {
  HANDLE hEvent = CreateEventA(NULL, FALSE, TRUE, NULL);
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(hEvent);
}

TEST(VirtualClock, InfiniteWaitIsEndedByAnotherRealThread) {
  HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  std::thread other([hEvent] { SetEvent(hEvent); });
  EXPECT_EQ(WaitForSingleObject(hEvent, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  other.join();
  CloseHandle(hEvent);
}

TEST(VirtualClock, BadHandles) {
  EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(0x4444), 10), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(SetEvent(NULL));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  HANDLE hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  EXPECT_TRUE(CloseHandle(hEvent));
  EXPECT_FALSE(CloseHandle(hEvent));
  EXPECT_EQ(sim::open_handle_count(), 0u);
}

}  // namespace
