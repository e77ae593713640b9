// fernway's remote install run on the simulated machine, and the parts of
// the status record and log that differ in fernway (its log path, logged
// status failures, the system error texts).
#include <gtest/gtest.h>

#include "installtools/common/system_error.h"
#include "installtools/fernway/remote_install.h"
#include "shell/service_shell.h"
#include "sim/core/clock.h"
#include "sim/processes/messages.h"
#include "sim/processes/processes.h"
#include "sim/services/service_manager.h"
#include "tests/installtools/fernway_fixture.h"
#include "tests/installtools/install_fixture.h"

namespace {

using Codes = std::vector<DWORD>;

class FernwayTest : public testing::Test {
 protected:
  static constexpr const char* kLog = "C:\\fernway.log";
  static constexpr const char* kVelhome = kFernwayVelhome;

  void SetUp() override { PrepareFernwayMachine(); }

  static std::vector<std::string> Programs() {
    std::vector<std::string> programs;
    for (const sim::ProcessStart& start : sim::started_processes()) {
      programs.push_back(start.program);
    }
    return programs;
  }

  static bool Removed() {
    return !sim::scm().exists(FERNWAY_SERVICE_NAME) ||
           sim::scm().marked_for_delete(FERNWAY_SERVICE_NAME);
  }
};

TEST_F(FernwayTest, UnpacksClearsReadOnlyStartsSetupAndRemovesItself) {
  StatusRecorder recorder;
  EXPECT_EQ(RunRemoteInstall(), 0u);
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED}));

  std::vector<sim::ProcessStart> starts = sim::started_processes();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].command_line, "wrenpak.exe -d -o ");
  EXPECT_EQ(starts[0].application_name, "");
  EXPECT_EQ(starts[0].image, "C:\\WINDOWS\\velhome\\wrenpak.exe");
  EXPECT_EQ(starts[0].current_directory, "C:\\WINDOWS\\velhome");
  EXPECT_EQ(starts[0].creation_flags, DWORD(CREATE_NEW_CONSOLE));
  EXPECT_FALSE(starts[0].inherit_handles);
  // setup starts after the package has ended, and is not waited for.
  EXPECT_EQ(starts[1].program, "setup");
  EXPECT_EQ(starts[1].image, "C:\\WINDOWS\\velhome\\patch\\setup.exe");
  EXPECT_EQ(starts[1].creation_flags, DWORD(CREATE_NEW_CONSOLE));
  EXPECT_EQ(starts[1].started_ms, 3000u);
  EXPECT_EQ(sim::running_process_count(), 1u);

  EXPECT_EQ(sim::files().commands(), (std::vector<std::string>{"attrib -r *.* /s"}));
  for (const auto& [path, file] : sim::files().snapshot()) {
    EXPECT_FALSE(file.read_only) << path;
  }
  EXPECT_TRUE(sim::files().file_exists(std::string(kVelhome) + "patch\\drivers\\cage.sys"));
  EXPECT_FALSE(sim::files().file_exists(std::string(kVelhome) + "wrenpak.exe"));
  EXPECT_TRUE(Removed());
  EXPECT_FALSE(sim::files().file_exists(kLog));
}

struct FailureCase {
  const char* label;
  void (*prepare)();
  DWORD error;
  const char* message;
  std::vector<std::string> programs;
  bool attrib;
};

class FernwayFailure : public FernwayTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FernwayFailure, LogsDeletesThePackageFailsAndRemovesItself) {
  GetParam().prepare();
  StatusRecorder recorder;
  EXPECT_EQ(RunRemoteInstall(), GetParam().error);
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_FAILED}));
  EXPECT_EQ(LogMessages(LogText(kLog)), (std::vector<std::string>{GetParam().message}));
  EXPECT_EQ(Programs(), GetParam().programs);
  EXPECT_EQ(sim::files().commands().size(), GetParam().attrib ? 1u : 0u);
  EXPECT_FALSE(sim::files().file_exists("wrenpak.exe"));
  EXPECT_FALSE(sim::files().file_exists(std::string(kVelhome) + "wrenpak.exe"));
  EXPECT_TRUE(Removed());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FernwayFailure,
    testing::Values(
        // The package lying in the starting directory is deleted there.
        FailureCase{"NoInstallDirectory",
                    [] {
                      sim::files().remove("C:\\WINDOWS\\velhome");
                      sim::install_program("C:\\WINDOWS\\system32\\wrenpak.exe", "wrenpak");
                    },
                    ERROR_PATH_NOT_FOUND,
                    "Setting directory to velhome failed--The system cannot find the path "
                    "specified.\r\n",
                    {}, false},
        FailureCase{"NoPackage",
                    [] { sim::files().remove("C:\\WINDOWS\\velhome\\wrenpak.exe"); },
                    ERROR_FILE_NOT_FOUND,
                    "Unpack wrenpak.exe failed--The system cannot find the file specified.\r\n",
                    {}, false},
        FailureCase{"PackageWithoutSetup",
                    [] {
                      sim::register_program("wrenpak", sim::Program{1000, [](const auto&) {
                                                                       return DWORD{0};
                                                                     }});
                    },
                    ERROR_FILE_NOT_FOUND,
                    "Execute setup.exe failed--The system cannot find the file specified.\r\n",
                    {"wrenpak"}, true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.label; });

TEST_F(FernwayTest, FailingPackageStillLeadsToSetup) {
  sim::register_program("wrenpak", sim::package_program(3));
  EXPECT_EQ(RunRemoteInstall(), 0u);
  EXPECT_EQ(Programs(), (std::vector<std::string>{"wrenpak", "setup"}));
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_STARTED));
}

TEST_F(FernwayTest, DebugModeLeavesTheServiceEntry) {
  g_bDebug = true;
  EXPECT_EQ(RunRemoteInstall(), 0u);
  EXPECT_EQ(Programs(), (std::vector<std::string>{"wrenpak", "setup"}));
  EXPECT_TRUE(sim::scm().exists(FERNWAY_SERVICE_NAME));
  EXPECT_FALSE(sim::scm().marked_for_delete(FERNWAY_SERVICE_NAME));
  EXPECT_TRUE(sim::scm().requests_for(FERNWAY_SERVICE_NAME).empty());
}

// A blank in the directory: an unquoted command line would start C:\My.exe.
TEST_F(FernwayTest, SetupPathWithBlanksIsQuoted) {
  sim::files().set_windows_directory("C:\\My Windows");
  sim::files().set_current_directory("C:\\My Windows\\system32");
  sim::install_program("C:\\My Windows\\velhome\\wrenpak.exe", "wrenpak");
  sim::register_program("decoy", sim::Program{});
  sim::install_program("C:\\My.exe", "decoy");
  EXPECT_EQ(RunRemoteInstall(), 0u);
  EXPECT_EQ(Programs(), (std::vector<std::string>{"wrenpak", "setup"}));
  EXPECT_EQ(sim::started_processes().back().image, "C:\\My Windows\\velhome\\patch\\setup.exe");
}

// Through the shell as the service control manager starts it.
TEST_F(FernwayTest, AsAServiceItEndsUnregistered) {
  sim::ServiceBehaviour stopped;
  sim::scm().add_service(FERNWAY_SERVICE_NAME, stopped, SERVICE_DEMAND_START);
  sim::scm().start_this_process_as(FERNWAY_SERVICE_NAME);
  char arg0[] = "fernway.exe";
  char* argv[] = {arg0, nullptr};
  EXPECT_EQ(ShellMain(1, argv), 0);
  EXPECT_EQ(Programs(), (std::vector<std::string>{"wrenpak", "setup"}));
  EXPECT_FALSE(sim::scm().exists(FERNWAY_SERVICE_NAME));
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_STOPPED));
}

struct StatusFailureCase {
  const char* api;
  const char* message;
};

class FernwayStatusFailure : public testing::TestWithParam<StatusFailureCase> {};

TEST_P(FernwayStatusFailure, IsLoggedWithTheCallAndTheSystemText) {
  sim::fail_call(GetParam().api, ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetInstallStatus(INSTALL_STATUS_STARTED), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(LogMessages(LogText("C:\\fernway.log")),
            (std::vector<std::string>{GetParam().message}));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FernwayStatusFailure,
    testing::Values(StatusFailureCase{"RegCreateKeyExA", "RegCreateKeyEx: Access is denied.\r\n"},
                    StatusFailureCase{"RegSetValueExA", "RegSetValueEx: Access is denied.\r\n"}));

TEST(SystemError, HoldsOneSystemTextAtATime) {
  EXPECT_STREQ(FormatSystemError(ERROR_ACCESS_DENIED), "Access is denied.\r\n");
  EXPECT_EQ(sim::local_allocation_count(), 1u);
  EXPECT_STREQ(FormatSystemError(ERROR_FILE_NOT_FOUND),
               "The system cannot find the file specified.\r\n");
  EXPECT_EQ(sim::local_allocation_count(), 1u);
  EXPECT_STREQ(FormatSystemError(4242), "Error 4242 (no message available).\n");
  EXPECT_EQ(sim::local_allocation_count(), 0u);
  EXPECT_STREQ(FormatSystemError(0xE0000001), "Error -536870911 (no message available).\n");
  EXPECT_EQ(sim::local_allocation_count(), 0u);
  // A text with an insert comes as it stands.
  EXPECT_STREQ(FormatSystemError(ERROR_BAD_EXE_FORMAT), "%1 is not a valid Win32 application.\r\n");
  EXPECT_EQ(sim::local_allocation_count(), 1u);
}

}  // namespace
