// The service control helpers against the simulated service manager: each
// stop and start outcome with its bounds on attempts, queries and time.
#include <gtest/gtest.h>

#include "installtools/tidemend/service_control.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/services/service_manager.h"

namespace {

const char* kName = "SNMP";

size_t StopRequests(const std::string& name) {
  size_t n = 0;
  for (const sim::ServiceRequest& request : sim::scm().requests_for(name)) {
    if (!request.start && request.control == SERVICE_CONTROL_STOP) ++n;
  }
  return n;
}

size_t StartRequests(const std::string& name) {
  size_t n = 0;
  for (const sim::ServiceRequest& request : sim::scm().requests_for(name)) n += request.start;
  return n;
}

sim::ServiceBehaviour Behaviour(DWORD state) {
  sim::ServiceBehaviour behaviour;
  behaviour.state = state;
  return behaviour;
}

struct RetryCase {
  const char* label;
  bool installed;
  sim::ServiceBehaviour behaviour;
  bool stop;  // StopServiceWithRetry, else StartServiceWithRetry
  int result;
  size_t requests;      // stop or start requests sent
  uint64_t elapsed_ms;  // virtual time the call took
  DWORD final_state;    // 0: not installed
};

class ServiceRetry : public testing::TestWithParam<RetryCase> {};

TEST_P(ServiceRetry, OutcomeRequestsAndTime) {
  const RetryCase& c = GetParam();
  if (c.installed) sim::scm().add_service(kName, c.behaviour);
  int nResult = c.stop ? StopServiceWithRetry(kName) : StartServiceWithRetry(kName);
  EXPECT_EQ(nResult, c.result);
  EXPECT_EQ(c.stop ? StopRequests(kName) : StartRequests(kName), c.requests);
  EXPECT_EQ(sim::now_ms(), c.elapsed_ms);
  EXPECT_EQ(sim::scm().state(kName), c.final_state);
  EXPECT_EQ(sim::open_handle_count("service"), 0u);
  EXPECT_EQ(sim::open_handle_count("sc_manager"), 0u);
}

sim::ServiceBehaviour Stopping(uint64_t stop_ms) {
  sim::ServiceBehaviour behaviour = Behaviour(SERVICE_RUNNING);
  behaviour.stop_ms = stop_ms;
  return behaviour;
}

sim::ServiceBehaviour Starting(uint64_t start_ms, DWORD start_error = 0) {
  sim::ServiceBehaviour behaviour = Behaviour(SERVICE_STOPPED);
  behaviour.start_ms = start_ms;
  behaviour.start_error = start_error;
  return behaviour;
}

sim::ServiceBehaviour RefusesStop() {
  sim::ServiceBehaviour behaviour = Behaviour(SERVICE_RUNNING);
  behaviour.control_error = ERROR_SERVICE_REQUEST_TIMEOUT;
  return behaviour;
}

sim::ServiceBehaviour DeniesOpen(DWORD state) {
  sim::ServiceBehaviour behaviour = Behaviour(state);
  behaviour.open_error = ERROR_ACCESS_DENIED;
  return behaviour;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServiceRetry,
    testing::Values(
        RetryCase{"StopNotInstalled", false, {}, true, 0, 0, 0, 0},
        RetryCase{"StopAlreadyStopped", true, Behaviour(SERVICE_STOPPED), true, 0, 0, 0,
                  SERVICE_STOPPED},
        RetryCase{"StopPausedIsLeftAlone", true, Behaviour(SERVICE_PAUSED), true, 0, 0, 0,
                  SERVICE_PAUSED},
        RetryCase{"StopRunning", true, Stopping(1200), true, 0, 1, 1500, SERVICE_STOPPED},
        // 100 queries 500 ms apart, then the second attempt finds it stopping.
        RetryCase{"StopNeeds70Seconds", true, Stopping(70000), true, 0, 1, 50000,
                  SERVICE_STOP_PENDING},
        RetryCase{"StopRefusedThreeTimes", true, RefusesStop(), true, 1, 3, 0, SERVICE_RUNNING},
        RetryCase{"StopAccessDenied", true, DeniesOpen(SERVICE_RUNNING), true, 1, 0, 0,
                  SERVICE_RUNNING},
        RetryCase{"StartStopped", true, Starting(700), false, 0, 1, 1000, SERVICE_RUNNING},
        RetryCase{"StartAlreadyRunning", true, Behaviour(SERVICE_RUNNING), false, 1, 3, 0,
                  SERVICE_RUNNING},
        RetryCase{"StartRefused", true, Starting(0, ERROR_SERVICE_DISABLED), false, 1, 3, 0,
                  SERVICE_STOPPED},
        // The first wait ends after 100 queries; the next requests are refused
        // at once for a service that is already starting.
        RetryCase{"StartNeverRunning", true, Starting(sim::NEVER_MS), false, 1, 3, 50000,
                  SERVICE_START_PENDING},
        RetryCase{"StartNotInstalled", false, {}, false, 1, 0, 0, 0},
        RetryCase{"StartAccessDenied", true, DeniesOpen(SERVICE_STOPPED), false, 1, 0, 0,
                  SERVICE_STOPPED}),
    [](const testing::TestParamInfo<RetryCase>& info) { return info.param.label; });

TEST(ServiceControl, WaitMakesAtMostOneHundredQueries) {
  sim::scm().add_service(kName, Stopping(sim::NEVER_MS));
  EXPECT_EQ(StopServiceAndWait(kName), 1);
  // One query to see it running, then the wait's 100.
  EXPECT_EQ(sim::call_count("QueryServiceStatus"), 101u);
  EXPECT_EQ(sim::now_ms(), 50000u);
}

TEST(ServiceControl, NotInstalledCostsOneFailedOpen) {
  EXPECT_EQ(StopServiceWithRetry(kName), 0);
  EXPECT_EQ(sim::call_count("OpenServiceA"), 1u);
}

TEST(ServiceControl, NullNameFailsAtOnce) {
  EXPECT_EQ(StopServiceWithRetry(NULL), 1);
  EXPECT_EQ(StartServiceWithRetry(NULL), 1);
  EXPECT_EQ(sim::call_count("OpenSCManagerA"), 0u);
}

TEST(ServiceControl, ManagerThatCannotBeOpened) {
  sim::scm().add_service(kName, Behaviour(SERVICE_RUNNING));
  sim::fail_always("OpenSCManagerA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(StopServiceAndWait(kName), 1);
  EXPECT_EQ(IsServiceRunning(kName), 0);
  EXPECT_EQ(StartServiceAndWait(kName), 1);
}

TEST(ServiceControl, FailedQueryEndsTheWait) {
  sim::scm().add_service(kName, Stopping(sim::NEVER_MS));
  sim::fail_call("QueryServiceStatus", ERROR_INVALID_HANDLE, 2);
  EXPECT_EQ(StopServiceAndWait(kName), 1);
  EXPECT_EQ(sim::now_ms(), 0u);
  EXPECT_EQ(sim::open_handle_count("service"), 0u);
}

struct RunningCase {
  const char* label;
  bool installed;
  DWORD state;
  int running;
};

class ServiceRunning : public testing::TestWithParam<RunningCase> {};

TEST_P(ServiceRunning, OnlyRunningCounts) {
  if (GetParam().installed) sim::scm().add_service("slotwarden", Behaviour(GetParam().state));
  // Service names match without regard to case.
  EXPECT_EQ(IsServiceRunning("SlotWarden"), GetParam().running);
  EXPECT_EQ(ServiceExists("SLOTWARDEN"), GetParam().installed ? 1 : 0);
  EXPECT_EQ(sim::open_handle_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    States, ServiceRunning,
    testing::Values(RunningCase{"Running", true, SERVICE_RUNNING, 1},
                    RunningCase{"Stopped", true, SERVICE_STOPPED, 0},
                    RunningCase{"Paused", true, SERVICE_PAUSED, 0},
                    RunningCase{"NotInstalled", false, 0, 0}),
    [](const testing::TestParamInfo<RunningCase>& info) { return info.param.label; });

}  // namespace
