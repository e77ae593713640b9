// Installing and removing the service through the manager.
#include "tests/shell/shell_fixture.h"

namespace {

void ExpectNoServiceHandles() {
  EXPECT_EQ(sim::open_handle_count("sc_manager"), 0u);
  EXPECT_EQ(sim::open_handle_count("service"), 0u);
}

TEST_F(ShellTest, InstallRegistersAnOwnProcessLocalSystemServiceWithTheProgramPath) {
  ASSERT_EQ(InstallService(false), 0u);
  auto config = sim::scm().config(kName);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->display_name, kName);
  EXPECT_EQ(config->type, 0x10u);
  EXPECT_EQ(config->start_type, 2u);
  EXPECT_EQ(config->error_control, 1u);
  EXPECT_EQ(config->binary_path, "C:\\WINDOWS\\velhome\\slotwarden.exe");
  EXPECT_EQ(config->account, "");
  EXPECT_FALSE(config->password_given);
  EXPECT_EQ(config->load_order_group, "");
  EXPECT_FALSE(config->tag_requested);
  EXPECT_EQ(config->dependencies, "");
  EXPECT_EQ(sim::scm().state(kName), DWORD(SERVICE_STOPPED));
  ExpectNoServiceHandles();
}

TEST_F(ShellTest, InstallOfAnInstalledServiceFailsWithServiceExists) {
  ASSERT_EQ(InstallService(true), 0u);
  EXPECT_EQ(InstallService(false), DWORD(ERROR_SERVICE_EXISTS));
  EXPECT_EQ(sim::scm().config(kName)->start_type, 3u);
  ExpectNoServiceHandles();
}

struct PathCase {
  std::string module_path;
  DWORD result;
  std::string registered;  // empty: nothing registered
};

class InstallPathTest : public ShellTest, public testing::WithParamInterface<PathCase> {};

TEST_P(InstallPathTest, RegistersOnlyAWholePathQuotedWhenItHasBlanks) {
  sim::scm().set_module_path(GetParam().module_path);
  EXPECT_EQ(InstallService(false), GetParam().result);
  auto config = sim::scm().config(kName);
  if (GetParam().registered.empty()) {
    EXPECT_FALSE(config);
  } else {
    ASSERT_TRUE(config);
    EXPECT_EQ(config->binary_path, GetParam().registered);
  }
  ExpectNoServiceHandles();
}

std::string LongPath(size_t length) {
  std::string path = "C:\\";
  while (path.size() < length - 4) path += 'a';
  return path + ".exe";
}

INSTANTIATE_TEST_SUITE_P(
    ModulePaths, InstallPathTest,
    testing::Values(
        PathCase{"C:\\WINDOWS\\velhome\\slotwarden.exe", 0, "C:\\WINDOWS\\velhome\\slotwarden.exe"},
        PathCase{"C:\\Program Files\\Ostravale\\slotwarden.exe", 0,
                 "\"C:\\Program Files\\Ostravale\\slotwarden.exe\""},
        PathCase{LongPath(255), 0, LongPath(255)},
        PathCase{"C:\\Program Files\\" + LongPath(255).substr(17), 0,
                 "\"C:\\Program Files\\" + LongPath(255).substr(17) + "\""},
        PathCase{LongPath(256), ERROR_INSUFFICIENT_BUFFER, ""},
        PathCase{LongPath(300), ERROR_INSUFFICIENT_BUFFER, ""}));

struct InstallFault {
  const char* api;
  DWORD error;
};

class InstallFaultTest : public ShellTest, public testing::WithParamInterface<InstallFault> {};

TEST_P(InstallFaultTest, ReturnsTheFailingCallsErrorAndClosesWhatItOpened) {
  sim::fail_call(GetParam().api, GetParam().error);
  EXPECT_EQ(InstallService(false), GetParam().error);
  EXPECT_FALSE(sim::scm().exists(kName));
  ExpectNoServiceHandles();
}

INSTANTIATE_TEST_SUITE_P(Calls, InstallFaultTest,
                         testing::Values(InstallFault{"GetModuleFileNameA", ERROR_NOT_ENOUGH_MEMORY},
                                         InstallFault{"OpenSCManagerA", ERROR_ACCESS_DENIED},
                                         InstallFault{"CreateServiceA", ERROR_ACCESS_DENIED}));

struct RemoveCase {
  const char* name;
  DWORD state;          // of the installed service; 0: not installed
  DWORD stop_error;     // the stop request is refused with this
  const char* fault;    // a call that fails with ERROR_ACCESS_DENIED
  bool force;
  DWORD result;
  bool still_installed;
};

void PrintTo(const RemoveCase& c, std::ostream* os) { *os << c.name; }

class RemoveTest : public ShellTest, public testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveTest, StopsAndDeletes) {
  const RemoveCase& c = GetParam();
  if (c.state) {
    sim::ServiceBehaviour behaviour;
    behaviour.state = c.state;
    behaviour.control_error = c.stop_error;
    behaviour.stop_ms = 3000;
    sim::scm().add_service(kName, behaviour);
  }
  if (c.fault) sim::fail_call(c.fault, ERROR_ACCESS_DENIED);
  EXPECT_EQ(RemoveService(c.force), c.result);
  // A running service is only marked; it goes once it has stopped.
  sim::advance(3000);
  EXPECT_EQ(sim::scm().exists(kName), c.still_installed);
  ExpectNoServiceHandles();
}

INSTANTIATE_TEST_SUITE_P(
    Services, RemoveTest,
    testing::Values(
        RemoveCase{"StoppedServiceStopFails1062CountsAsSuccess", SERVICE_STOPPED, 0, nullptr,
                   false, 0, false},
        RemoveCase{"RunningServiceIsStoppedAndDeleted", SERVICE_RUNNING, 0, nullptr, false, 0,
                   false},
        RemoveCase{"RefusedStopKeepsTheService", SERVICE_RUNNING, ERROR_ACCESS_DENIED, nullptr,
                   false, ERROR_ACCESS_DENIED, true},
        RemoveCase{"RefusedStopForcedDeletesAnyway", SERVICE_STOPPED, ERROR_ACCESS_DENIED,
                   nullptr, true, 0, false},
        RemoveCase{"NotInstalled", 0, 0, nullptr, false, ERROR_SERVICE_DOES_NOT_EXIST, false},
        RemoveCase{"ManagerCannotBeOpened", SERVICE_STOPPED, 0, "OpenSCManagerA", true,
                   ERROR_ACCESS_DENIED, true},
        RemoveCase{"ServiceCannotBeOpened", SERVICE_STOPPED, 0, "OpenServiceA", true,
                   ERROR_ACCESS_DENIED, true},
        RemoveCase{"DeleteFails", SERVICE_STOPPED, 0, "DeleteService", false,
                   ERROR_ACCESS_DENIED, true}),
    [](const testing::TestParamInfo<RemoveCase>& info) { return std::string(info.param.name); });

TEST_F(ShellTest, RemoveSendsOneStopRequestAndDoesNotWait) {
  sim::ServiceBehaviour slow;
  slow.state = SERVICE_RUNNING;
  slow.stop_ms = 70000;
  sim::scm().add_service(kName, slow);
  EXPECT_EQ(RemoveService(false), 0u);
  EXPECT_EQ(sim::now_ms(), 0u);
  auto requests = sim::scm().requests_for(kName);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].control, DWORD(SERVICE_CONTROL_STOP));
  EXPECT_TRUE(sim::scm().marked_for_delete(kName));
}

}  // namespace
