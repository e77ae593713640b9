// The simulated service control manager as other programs see it: services
// of other processes with scripted behaviour on the virtual clock.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/services/service_manager.h"

namespace {

class ServiceManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    manager_ = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager_, nullptr);
  }
  void TearDown() override {
    for (SC_HANDLE h : opened_) EXPECT_TRUE(CloseServiceHandle(h));
    EXPECT_TRUE(CloseServiceHandle(manager_));
    EXPECT_EQ(sim::open_handle_count("service"), 0u);
    EXPECT_EQ(sim::open_handle_count("sc_manager"), 0u);
  }
  SC_HANDLE Open(const char* name, DWORD access = SERVICE_ALL_ACCESS) {
    SC_HANDLE h = OpenServiceA(manager_, name, access);
    if (h) opened_.push_back(h);
    return h;
  }
  static DWORD State(SC_HANDLE h) {
    SERVICE_STATUS status{};
    return QueryServiceStatus(h, &status) ? status.dwCurrentState : 0;
  }
  static DWORD Control(SC_HANDLE h, DWORD control) {
    SERVICE_STATUS status{};
    return ControlService(h, control, &status) ? 0 : GetLastError();
  }
  static DWORD Start(SC_HANDLE h) { return StartServiceA(h, 0, NULL) ? 0 : GetLastError(); }

  SC_HANDLE manager_ = nullptr;
  std::vector<SC_HANDLE> opened_;
};

TEST_F(ServiceManagerTest, UnknownServiceDoesNotExist) {
  EXPECT_EQ(Open("SNMP"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ServiceManagerTest, NamesMatchWithoutRegardToCase) {
  sim::scm().add_service("SlotWarden");
  EXPECT_NE(Open("slotwarden"), nullptr);
}

TEST_F(ServiceManagerTest, RunningServiceStopsAndThenRefusesAnotherStopWith1062) {
  sim::ServiceBehaviour running;
  running.state = SERVICE_RUNNING;
  sim::scm().add_service("SNMP", running);
  SC_HANDLE h = Open("SNMP");
  EXPECT_EQ(State(h), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), 0u);
  EXPECT_EQ(State(h), DWORD(SERVICE_STOPPED));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), DWORD(ERROR_SERVICE_NOT_ACTIVE));
  auto requests = sim::scm().requests_for("snmp");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].error, DWORD(ERROR_SERVICE_NOT_ACTIVE));
}

TEST_F(ServiceManagerTest, SlowServiceIsStopPendingForItsStopTime) {
  sim::ServiceBehaviour slow;
  slow.state = SERVICE_RUNNING;
  slow.stop_ms = 70000;
  sim::scm().add_service("SNMP", slow);
  SC_HANDLE h = Open("SNMP");
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), 0u);
  sim::advance(69999);
  EXPECT_EQ(State(h), DWORD(SERVICE_STOP_PENDING));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), DWORD(ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
  sim::advance(1);
  EXPECT_EQ(State(h), DWORD(SERVICE_STOPPED));
}

TEST_F(ServiceManagerTest, PausedServiceContinuesAndStops) {
  sim::ServiceBehaviour paused;
  paused.state = SERVICE_PAUSED;
  sim::scm().add_service("SNMP", paused);
  SC_HANDLE h = Open("SNMP");
  EXPECT_EQ(State(h), DWORD(SERVICE_PAUSED));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_CONTINUE), 0u);
  EXPECT_EQ(State(h), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_PAUSE), 0u);
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), 0u);
  EXPECT_EQ(State(h), DWORD(SERVICE_STOPPED));
}

TEST_F(ServiceManagerTest, StartRunsAfterTheStartTimeAndRefusesASecondStart) {
  sim::ServiceBehaviour starter;
  starter.start_ms = 1500;
  sim::scm().add_service("SNMP", starter);
  SC_HANDLE h = Open("SNMP");
  EXPECT_EQ(Start(h), 0u);
  EXPECT_EQ(State(h), DWORD(SERVICE_START_PENDING));
  EXPECT_EQ(Start(h), DWORD(ERROR_SERVICE_ALREADY_RUNNING));
  sim::advance(1500);
  EXPECT_EQ(State(h), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(Start(h), DWORD(ERROR_SERVICE_ALREADY_RUNNING));
}

TEST_F(ServiceManagerTest, ScriptedRefusals) {
  sim::ServiceBehaviour refuses;
  refuses.start_error = ERROR_SERVICE_REQUEST_TIMEOUT;
  refuses.control_error = ERROR_ACCESS_DENIED;
  sim::scm().add_service("SNMP", refuses);
  sim::ServiceBehaviour locked;
  locked.open_error = ERROR_ACCESS_DENIED;
  sim::scm().add_service("SlotWarden", locked);

  SC_HANDLE h = Open("SNMP");
  EXPECT_EQ(Start(h), DWORD(ERROR_SERVICE_REQUEST_TIMEOUT));
  EXPECT_EQ(State(h), DWORD(SERVICE_STOPPED));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Open("SlotWarden"), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST_F(ServiceManagerTest, HandleRightsAreChecked) {
  sim::ServiceBehaviour running;
  running.state = SERVICE_RUNNING;
  sim::scm().add_service("SNMP", running);
  SC_HANDLE h = Open("SNMP", SERVICE_QUERY_STATUS);
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(DeleteService(h));
  EXPECT_EQ(State(h), DWORD(SERVICE_RUNNING));
  // Service handles are closed with CloseServiceHandle only.
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(h)));
}

TEST_F(ServiceManagerTest, DeletedServiceGoesWithItsLastHandleAndStop) {
  sim::ServiceBehaviour running;
  running.state = SERVICE_RUNNING;
  running.stop_ms = 2000;
  sim::scm().add_service("SNMP", running);
  SC_HANDLE h = OpenServiceA(manager_, "SNMP", SERVICE_ALL_ACCESS);
  ASSERT_TRUE(DeleteService(h));
  EXPECT_FALSE(DeleteService(h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_SERVICE_MARKED_FOR_DELETE));
  EXPECT_EQ(Control(h, SERVICE_CONTROL_STOP), 0u);
  ASSERT_TRUE(CloseServiceHandle(h));
  EXPECT_TRUE(sim::scm().exists("SNMP"));
  sim::advance(2000);
  EXPECT_FALSE(sim::scm().exists("SNMP"));
}

TEST(SimulatedDispatcher, FailsAtOnceUnlessTheManagerStartedTheProcess) {
  static bool bRan = false;
  SERVICE_TABLE_ENTRYA table[] = {
      {const_cast<LPSTR>("SNMP"), [](DWORD, LPSTR*) { bRan = true; }}, {NULL, NULL}};
  EXPECT_FALSE(StartServiceCtrlDispatcherA(table));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
  EXPECT_FALSE(bRan);
  EXPECT_EQ(RegisterServiceCtrlHandlerA("SNMP", [](DWORD) {}), nullptr);
}

struct ModulePathCase {
  size_t length;
  DWORD size;
  DWORD result;
  DWORD error;
};

class ModulePathTest : public testing::TestWithParam<ModulePathCase> {};

TEST_P(ModulePathTest, CutsAPathThatDoesNotFitAndSaysSo) {
  std::string path = "C:\\" + std::string(GetParam().length - 3, 'x');
  sim::scm().set_module_path(path);
  std::vector<char> buffer(GetParam().size + 1, '#');
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(NULL, buffer.data(), GetParam().size), GetParam().result);
  EXPECT_EQ(GetLastError(), GetParam().error);
  EXPECT_EQ(std::string(buffer.data()), path.substr(0, GetParam().size - 1));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ModulePathTest,
                         testing::Values(ModulePathCase{255, 256, 255, 0},
                                         ModulePathCase{256, 256, 256, ERROR_INSUFFICIENT_BUFFER},
                                         ModulePathCase{10, 256, 10, 0}));

}  // namespace
