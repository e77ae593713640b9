// The service main sequence under the simulated manager: the reports it
// sends, the events of failed stages, and stop requests on the other thread.
#include <stdlib.h>

#include "sim/core/machine.h"
#include "tests/shell/shell_fixture.h"

namespace {

const DWORD kRunning = SERVICE_RUNNING;

void ExpectNoEvents() { EXPECT_TRUE(sim::reported_events().empty()); }

void ExpectOneShellEvent(DWORD id, DWORD error, DWORD stage) {
  auto events = sim::reported_events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, "SlotWarden");
  EXPECT_EQ(events[0].type, 2);
  EXPECT_EQ(events[0].category, 1);
  EXPECT_EQ(events[0].id, id);
  EXPECT_FALSE(events[0].has_user_sid);
  EXPECT_EQ(events[0].strings, std::vector<std::string>{"error, qWhoDoneIt"});
  EXPECT_EQ(events[0].data, EventData(error, stage));
  EXPECT_EQ(sim::open_event_sources(), 0u);
}

TEST_F(ShellTest, SuccessfulRunReportsStartPendingRunningStopped) {
  bool bWorked = false;
  Work() = [&bWorked] {
    bWorked = g_dwCurrentState == kRunning;
    return DWORD{0};
  };
  EXPECT_EQ(RunAsService(), 0);
  EXPECT_TRUE(bWorked);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 3u);
  ExpectStatus(reports[0], SERVICE_START_PENDING, 4, 0, 0, 0, 5000);
  ExpectStatus(reports[1], SERVICE_RUNNING, 7, 0, 0, 0, 0);
  ExpectStatus(reports[2], SERVICE_STOPPED, 4, 0, 0, 0, 0);
  ExpectNoEvents();
  EXPECT_EQ(sim::scm().state(kName), DWORD(SERVICE_STOPPED));
}

TEST_F(ShellTest, WorkRoutineErrorIsEvent44006AndTheServiceSpecificExitCode) {
  Work() = [] { return DWORD{9993}; };
  EXPECT_EQ(RunAsService(), 0);
  ExpectOneShellEvent(44006, 9993, 6);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 3u);
  ExpectStatus(reports[2], SERVICE_STOPPED, 4, 1066, 9993, 0, 0);
}

struct StageCase {
  const char* api;
  unsigned nth;
  DWORD error;
  DWORD stage;
  DWORD event_id;
  size_t reports;  // status reports sent, the failed ones and the final one included
};

void PrintTo(const StageCase& c, std::ostream* os) { *os << c.api << " #" << c.nth; }

class FailedStageTest : public ShellTest, public testing::WithParamInterface<StageCase> {};

TEST_P(FailedStageTest, EndsTheSequenceWithTheStagesEventAndStops) {
  const StageCase& c = GetParam();
  bool bWorked = false;
  Work() = [&bWorked] {
    bWorked = true;
    return DWORD{0};
  };
  sim::fail_call(c.api, c.error, c.nth);
  EXPECT_EQ(RunAsService(), 0);
  EXPECT_FALSE(bWorked);
  ExpectOneShellEvent(c.event_id, c.error, c.stage);
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_STOPPED));
  // The final report carries the error as service-specific exit code.
  auto reports = sim::scm().status_reports();
  ASSERT_FALSE(reports.empty());
  ExpectStatus(reports.back().status, SERVICE_STOPPED, 4, 1066, c.error, 0, 0);
  EXPECT_EQ(reports.size(), c.reports);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, FailedStageTest,
    testing::Values(
        StageCase{"RegisterServiceCtrlHandlerA", 1, ERROR_NOT_ENOUGH_MEMORY, 2, 44002, 1},
        StageCase{"SetServiceStatus", 1, ERROR_INVALID_DATA, 3, 44003, 2},
        StageCase{"SetServiceStatus", 2, ERROR_INVALID_HANDLE, 5, 44005, 3}));

TEST_F(ShellTest, FailedRegistrationCannotReportStoppedAndCarriesOn) {
  sim::fail_call("RegisterServiceCtrlHandlerA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(RunAsService(), 0);
  // The only report went without a status handle and was refused.
  auto reports = sim::scm().status_reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].error, DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(ShellTest, StopRequestSignalsTheStopEventAndReportsStopPendingWithNextCheckpoint) {
  WorkUntilStopped(0);
  sim::scm().control_at(90000, kName, SERVICE_CONTROL_STOP);
  EXPECT_EQ(RunAsService(), 0);
  // Woken at once by the stop event, not at the end of its minute.
  EXPECT_EQ(sim::now_ms(), 90000u);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 4u);
  ExpectStatus(reports[1], SERVICE_RUNNING, 7, 0, 0, 0, 0);
  // Setting stop-pending does not reset the checkpoint: the answer is a
  // repeat, one higher than the running report's.
  ExpectStatus(reports[2], SERVICE_STOP_PENDING, 4, 0, 0, 1, 5000);
  ExpectStatus(reports[3], SERVICE_STOPPED, 4, 0, 0, 0, 0);
  ExpectNoEvents();
  auto requests = sim::scm().requests_for(kName);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].error, 0u);
  // The shell never closes the work routine's stop event.
  EXPECT_EQ(sim::open_handle_count("event"), 1u);
}

TEST_F(ShellTest, ControlsWhileRunningAreAnsweredWithTheNextCheckpoint) {
  WorkUntilStopped(0);
  sim::scm().control_at(1000, kName, SERVICE_CONTROL_INTERROGATE);
  sim::scm().control_at(2000, kName, SERVICE_CONTROL_PAUSE);
  sim::scm().control_at(3000, kName, SERVICE_CONTROL_CONTINUE);
  sim::scm().control_at(4000, kName, SERVICE_CONTROL_SHUTDOWN);
  EXPECT_EQ(RunAsService(), 0);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 7u);
  ExpectStatus(reports[2], SERVICE_RUNNING, 7, 0, 0, 1, 0);
  ExpectStatus(reports[3], SERVICE_RUNNING, 7, 0, 0, 2, 0);  // a pause changes nothing
  ExpectStatus(reports[4], SERVICE_RUNNING, 7, 0, 0, 3, 0);
  ExpectStatus(reports[5], SERVICE_STOP_PENDING, 4, 0, 0, 4, 5000);
  ExpectStatus(reports[6], SERVICE_STOPPED, 4, 0, 0, 0, 0);
  EXPECT_EQ(sim::now_ms(), 4000u);
}

TEST_F(ShellTest, WithoutStopEventAStopOnlyChangesTheReportedState) {
  Work() = [] {
    Sleep(120000);
    return DWORD{0};
  };
  sim::scm().control_at(1000, kName, SERVICE_CONTROL_STOP);
  sim::scm().control_at(2000, kName, SERVICE_CONTROL_STOP);
  EXPECT_EQ(RunAsService(), 0);
  EXPECT_EQ(sim::now_ms(), 120000u);
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 4u);
  ExpectStatus(reports[2], SERVICE_STOP_PENDING, 4, 0, 0, 1, 5000);
  // A second stop while stop-pending is not accepted by the manager.
  EXPECT_EQ(sim::scm().requests_for(kName)[1].error, DWORD(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
}

TEST_F(ShellTest, EnvironmentStartsTheProgramAsServiceAndStopsItAtAVirtualTime) {
  setenv("SIM_SERVICE_PROCESS", kName, 1);
  setenv("SIM_SERVICE_STOP_AT_MS", "150000", 1);
  sim::reset();
  EXPECT_EQ(sim::scm().hosted_name(), kName);  // read when the manager is first used
  unsetenv("SIM_SERVICE_PROCESS");
  unsetenv("SIM_SERVICE_STOP_AT_MS");
  WorkUntilStopped(0);
  EXPECT_EQ(RunShell({}), 0);
  EXPECT_EQ(sim::now_ms(), 150000u);
  ASSERT_EQ(Reports().size(), 4u);
  EXPECT_EQ(Reports()[2].dwCurrentState, DWORD(SERVICE_STOP_PENDING));
}

TEST_F(ShellTest, WorkRoutineRemovingItsOwnServiceStopsAndDeletesIt) {
  // fernway's ending: the stop request reaches this program's own handler.
  ASSERT_EQ(InstallService(true), 0u);
  DWORD dwRemoved = 1;
  DWORD dwStateAfter = 0;
  Work() = [&] {
    dwRemoved = RemoveService(false);
    dwStateAfter = g_dwCurrentState;
    return DWORD{0};
  };
  EXPECT_EQ(RunAsService(), 0);
  EXPECT_EQ(dwRemoved, 0u);
  EXPECT_EQ(dwStateAfter, DWORD(SERVICE_STOP_PENDING));
  EXPECT_FALSE(sim::scm().exists(kName));
  auto reports = Reports();
  ASSERT_EQ(reports.size(), 4u);
  ExpectStatus(reports[2], SERVICE_STOP_PENDING, 4, 0, 0, 1, 5000);
}

}  // namespace
