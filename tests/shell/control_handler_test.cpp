// ReportStatus, the control handler and the stop signal, called directly.
// Outside a running dispatcher every report is refused (no status handle),
// but the manager still sees what was sent.
#include "tests/shell/shell_fixture.h"

namespace {

SERVICE_STATUS LastSent() {
  auto reports = sim::scm().status_reports();
  return reports.empty() ? SERVICE_STATUS{} : reports.back().status;
}

TEST_F(ShellTest, ReportStatusFillsTheFieldsFromStateExitCodeAndWaitHint) {
  ReportStatus(SERVICE_START_PENDING, 0, true);
  ExpectStatus(LastSent(), SERVICE_START_PENDING, 4, 0, 0, 0, 5000);
  ReportStatus(SHELL_REPEAT_STATE, 0, true);
  ReportStatus(SHELL_REPEAT_STATE, 0, false);
  ExpectStatus(LastSent(), SERVICE_START_PENDING, 4, 0, 0, 2, 0);
  ReportStatus(SERVICE_RUNNING, 0, false);
  ExpectStatus(LastSent(), SERVICE_RUNNING, 7, 0, 0, 0, 0);
  ReportStatus(SERVICE_STOPPED, 55, false);
  ExpectStatus(LastSent(), SERVICE_STOPPED, 4, 1066, 55, 0, 0);
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_STOPPED));
}

TEST_F(ShellTest, ReportStatusReturnsTheManagersError) {
  EXPECT_EQ(ReportStatus(SERVICE_RUNNING, 0, false), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(ShellTest, ReportStatusInDebugModeSendsNothingButKeepsStateAndCheckpoint) {
  g_bDebug = true;
  EXPECT_EQ(ReportStatus(SERVICE_RUNNING, 0, false), 0u);
  EXPECT_EQ(ReportStatus(SHELL_REPEAT_STATE, 0, false), 0u);
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_RUNNING));
  EXPECT_EQ(g_dwCheckPoint, 1u);
  EXPECT_EQ(sim::call_count("SetServiceStatus"), 0u);
}

TEST_F(ShellTest, RepeatBeforeAnyStateReportsStartPendingAndWritesEvent44001) {
  ReportStatus(SHELL_REPEAT_STATE, 0, false);
  ExpectStatus(LastSent(), SERVICE_START_PENDING, 4, 0, 0, 1, 0);
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_START_PENDING));
  auto events = sim::reported_events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, 44001u);
  EXPECT_EQ(events[0].data, EventData(0, 1));
}

struct EventIdCase {
  DWORD stage;
  DWORD id;
};

class EventIdTest : public ShellTest, public testing::WithParamInterface<EventIdCase> {};

TEST_P(EventIdTest, IdComesFromTheStageAndRawDataIsErrorThenStage) {
  ReportShellError(0x01020304, GetParam().stage);
  auto events = sim::reported_events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, GetParam().id);
  EXPECT_EQ(events[0].data, EventData(0x01020304, GetParam().stage));
  EXPECT_EQ(sim::open_event_sources(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Stages, EventIdTest,
                         testing::Values(EventIdCase{1, 44001}, EventIdCase{2, 44002},
                                         EventIdCase{3, 44003}, EventIdCase{5, 44005},
                                         EventIdCase{6, 44006}, EventIdCase{0x80, 44000},
                                         EventIdCase{0x0305, 44305},
                                         EventIdCase{0x1FFF, 45627}));

TEST_F(ShellTest, ReportShellErrorWritesNothingWhenTheSourceCannotBeRegistered) {
  sim::fail_call("RegisterEventSourceA", ERROR_ACCESS_DENIED);
  ReportShellError(5, 6);
  EXPECT_TRUE(sim::reported_events().empty());
  EXPECT_EQ(sim::call_count("ReportEventA"), 0u);
}

TEST_F(ShellTest, ReportShellErrorDeregistersEvenWhenTheReportFails) {
  sim::fail_call("ReportEventA", ERROR_ACCESS_DENIED);
  ReportShellError(5, 6);
  EXPECT_EQ(sim::open_event_sources(), 0u);
}

TEST_F(ShellTest, DebugModeWritesNoEvent) {
  g_bDebug = true;
  ReportShellError(5, 6);
  EXPECT_EQ(sim::call_count("RegisterEventSourceA"), 0u);
}

struct HandlerCase {
  const char* name;
  DWORD state;
  DWORD control;
  DWORD reported_state;
  DWORD accepted;
  DWORD hint;
  bool signalled;
};

void PrintTo(const HandlerCase& c, std::ostream* os) { *os << c.name; }

class HandlerTest : public ShellTest, public testing::WithParamInterface<HandlerCase> {};

TEST_P(HandlerTest, AnswersWithTheNextCheckpoint) {
  const HandlerCase& c = GetParam();
  g_hStopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  g_dwCurrentState = c.state;
  g_dwCheckPoint = 3;
  ServiceCtrlHandler(c.control);
  ExpectStatus(LastSent(), c.reported_state, c.accepted, 0, 0, 4, c.hint);
  EXPECT_EQ(g_dwCurrentState, c.reported_state);
  EXPECT_EQ(sim::event_is_set(g_hStopEvent), c.signalled);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, HandlerTest,
    testing::Values(
        HandlerCase{"StopWhileRunning", SERVICE_RUNNING, SERVICE_CONTROL_STOP,
                    SERVICE_STOP_PENDING, 4, 5000, true},
        HandlerCase{"ShutdownWhileRunning", SERVICE_RUNNING, SERVICE_CONTROL_SHUTDOWN,
                    SERVICE_STOP_PENDING, 4, 5000, true},
        HandlerCase{"StopWhileStarting", SERVICE_START_PENDING, SERVICE_CONTROL_STOP,
                    SERVICE_STOP_PENDING, 4, 5000, true},
        HandlerCase{"StopWhileStopped", SERVICE_STOPPED, SERVICE_CONTROL_STOP, SERVICE_STOPPED,
                    4, 0, false},
        HandlerCase{"ShutdownWhileStopped", SERVICE_STOPPED, SERVICE_CONTROL_SHUTDOWN,
                    SERVICE_STOPPED, 4, 0, false},
        HandlerCase{"InterrogateWhileRunning", SERVICE_RUNNING, SERVICE_CONTROL_INTERROGATE,
                    SERVICE_RUNNING, 7, 0, false},
        HandlerCase{"PauseWhileRunning", SERVICE_RUNNING, SERVICE_CONTROL_PAUSE,
                    SERVICE_RUNNING, 7, 0, false},
        HandlerCase{"PauseWhileStopped", SERVICE_STOPPED, SERVICE_CONTROL_PAUSE,
                    SERVICE_STOPPED, 4, 0, false},
        HandlerCase{"ContinueWhileRunning", SERVICE_RUNNING, SERVICE_CONTROL_CONTINUE,
                    SERVICE_RUNNING, 7, 0, false},
        HandlerCase{"UserControlWhileRunning", SERVICE_RUNNING, 128, SERVICE_RUNNING, 7, 0,
                    false}),
    [](const testing::TestParamInfo<HandlerCase>& info) { return std::string(info.param.name); });

TEST_F(ShellTest, HandlerWritesEvent44001WhenItsReportFails) {
  g_dwCurrentState = SERVICE_RUNNING;
  sim::fail_call("SetServiceStatus", ERROR_INVALID_DATA);
  ServiceCtrlHandler(SERVICE_CONTROL_INTERROGATE);
  auto events = sim::reported_events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, 44001u);
  EXPECT_EQ(events[0].data, EventData(ERROR_INVALID_DATA, 1));
}

TEST_F(ShellTest, SignalStopEventWithoutEventSucceeds) { EXPECT_EQ(SignalStopEvent(), 0u); }

TEST_F(ShellTest, SignalStopEventReturnsSetEventsError) {
  g_hStopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  sim::fail_call("SetEvent", ERROR_INVALID_HANDLE);
  EXPECT_EQ(SignalStopEvent(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(SignalStopEvent(), 0u);
  EXPECT_TRUE(sim::event_is_set(g_hStopEvent));
}

}  // namespace
