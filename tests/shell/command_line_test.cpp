// The command line: which command each argument list runs, and whether it
// runs in debug mode (completion line printed, demand start, forced delete).
#include "tests/shell/shell_fixture.h"

namespace {

enum class Command { Install, Remove, Run };

struct CommandCase {
  std::vector<std::string> args;
  Command command;
  bool debug;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
  *os << "args:";
  for (const std::string& arg : c.args) *os << " '" << arg << "'";
}

class CommandLineTest : public ShellTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandLineTest, RunsTheCommandInTheMode) {
  const CommandCase& c = GetParam();
  // A stopped installed service whose stop request is refused (not 1062):
  // only a forced remove deletes it.
  sim::ServiceBehaviour refuses;
  refuses.control_error = ERROR_ACCESS_DENIED;
  if (c.command == Command::Remove) sim::scm().add_service(kName, refuses);

  testing::internal::CaptureStdout();
  int exit_code = RunShell(c.args);
  std::string out = testing::internal::GetCapturedStdout();

  EXPECT_EQ(g_bDebug, c.debug);
  switch (c.command) {
    case Command::Install: {
      EXPECT_EQ(exit_code, 0);
      auto config = sim::scm().config(kName);
      ASSERT_TRUE(config);
      EXPECT_EQ(config->start_type, DWORD(c.debug ? SERVICE_DEMAND_START : SERVICE_AUTO_START));
      EXPECT_EQ(out, c.debug ? "Command completed (error 0)\n" : "");
      break;
    }
    case Command::Remove:
      EXPECT_EQ(exit_code, c.debug ? 0 : 5);
      EXPECT_EQ(sim::scm().exists(kName), !c.debug);
      EXPECT_EQ(out, c.debug ? "Command completed (error 0)\n" : "");
      break;
    case Command::Run:
      EXPECT_EQ(exit_code, 0);
      if (c.debug) {
        EXPECT_EQ(sim::call_count("StartServiceCtrlDispatcherA"), 0u);
        EXPECT_EQ(out,
                  "Initializing ... done.\nRunning as service ... termination status 0.\n"
                  "Command completed (error 0)\n");
      } else {
        // Not started by the manager: the dispatcher fails and nothing shows.
        EXPECT_EQ(sim::call_count("StartServiceCtrlDispatcherA"), 1u);
        EXPECT_EQ(out, "");
        EXPECT_TRUE(sim::scm().status_reports().empty());
      }
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    testing::Values(CommandCase{{"-i"}, Command::Install, false},
                    CommandCase{{"-I", "D"}, Command::Install, true},
                    CommandCase{{"-install"}, Command::Install, false},
                    CommandCase{{"-I", "Debug"}, Command::Install, true},
                    CommandCase{{"-I", "d"}, Command::Install, false},
                    CommandCase{{"-r"}, Command::Remove, false},
                    CommandCase{{"-r", "D"}, Command::Remove, true},
                    CommandCase{{"-Remove", "Dx"}, Command::Remove, true},
                    CommandCase{{"-x"}, Command::Run, false},
                    CommandCase{{"-"}, Command::Run, false},
                    CommandCase{{"-D"}, Command::Run, false},
                    CommandCase{{"-x", "D"}, Command::Run, true},
                    CommandCase{{"D"}, Command::Run, true},
                    CommandCase{{"Debug"}, Command::Run, true},
                    CommandCase{{"d"}, Command::Run, false},
                    CommandCase{{"install"}, Command::Run, false},
                    CommandCase{{""}, Command::Run, false},
                    CommandCase{{}, Command::Run, false}));

TEST_F(ShellTest, DebugInstallOfAnInstalledServicePrintsItsError) {
  ASSERT_EQ(RunShell({"-I", "D"}), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunShell({"-I", "D"}), 1073);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Command completed (error 1073)\n");
}

TEST_F(ShellTest, DebugRunPrintsProgressAndWorkOutputAndKeepsExitCodeZero) {
  Work() = [] {
    printf("mapping 3 drives\n");
    return DWORD{9993};
  };
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunShell({"D"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Initializing ... done.\n"
            "Running as service ... mapping 3 drives\n"
            "termination status 9993.\n"
            "Command completed (error 0)\n");
  // States change as under the manager, but nothing is sent or written, and
  // nothing breaks into a debugger.
  EXPECT_EQ(g_dwCurrentState, DWORD(SERVICE_STOPPED));
  EXPECT_EQ(sim::call_count("SetServiceStatus"), 0u);
  EXPECT_EQ(sim::call_count("RegisterServiceCtrlHandlerA"), 0u);
  EXPECT_EQ(sim::call_count("RegisterEventSourceA"), 0u);
  EXPECT_TRUE(sim::reported_events().empty());
}

}  // namespace
