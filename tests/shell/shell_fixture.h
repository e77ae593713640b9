// A fresh shell on a fresh machine: the program is "SlotWarden" with a work
// routine each test chooses, and every shell global starts as at process
// start.
#ifndef TESTS_SHELL_SHELL_FIXTURE_H
#define TESTS_SHELL_SHELL_FIXTURE_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/service_shell.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/sync.h"
#include "sim/services/event_reports.h"
#include "sim/services/service_manager.h"

class ShellTest : public testing::Test {
 protected:
  static constexpr const char* kName = "SlotWarden";

  void SetUp() override {
    g_pszServiceName = kName;
    g_pfnWorkRoutine = &ShellTest::RunWork;
    g_hStopEvent = NULL;
    g_bDebug = false;
    g_hServiceStatus = NULL;
    g_dwCurrentState = 0;
    g_dwCheckPoint = 0;
    Work() = [] { return DWORD{0}; };
    sim::scm().set_module_path("C:\\WINDOWS\\velhome\\slotwarden.exe");
  }

  static std::function<DWORD()>& Work() {
    static std::function<DWORD()> work;
    return work;
  }
  static DWORD RunWork() { return Work()(); }

  // A work routine as SlotWarden's: creates the stop event, waits on it a
  // minute at a time while the state is running, then returns `result`.
  static void WorkUntilStopped(DWORD result) {
    Work() = [result] {
      g_hStopEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
      while (g_dwCurrentState == SERVICE_RUNNING) WaitForSingleObject(g_hStopEvent, 60000);
      return result;
    };
  }

  // Runs the program as started by the manager (no arguments).
  static int RunAsService() {
    sim::scm().start_this_process_as(kName);
    char arg0[] = "slotwarden.exe";
    char* argv[] = {arg0, nullptr};
    return ShellMain(1, argv);
  }

  static int RunShell(std::vector<std::string> args) {
    args.insert(args.begin(), "slotwarden.exe");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return ShellMain(static_cast<int>(args.size()), argv.data());
  }

  static std::vector<SERVICE_STATUS> Reports() {
    std::vector<SERVICE_STATUS> reports;
    for (const sim::StatusReport& report : sim::scm().status_reports()) {
      reports.push_back(report.status);
    }
    return reports;
  }
};

// Field-by-field comparison with readable failures.
inline void ExpectStatus(const SERVICE_STATUS& actual, DWORD state, DWORD accepted, DWORD win32,
                         DWORD specific, DWORD checkpoint, DWORD hint) {
  EXPECT_EQ(actual.dwServiceType, 0x10u);
  EXPECT_EQ(actual.dwCurrentState, state);
  EXPECT_EQ(actual.dwControlsAccepted, accepted);
  EXPECT_EQ(actual.dwWin32ExitCode, win32);
  EXPECT_EQ(actual.dwServiceSpecificExitCode, specific);
  EXPECT_EQ(actual.dwCheckPoint, checkpoint);
  EXPECT_EQ(actual.dwWaitHint, hint);
}

// The 8 raw bytes of a shell event: error then stage, little-endian.
inline std::vector<uint8_t> EventData(DWORD error, DWORD stage) {
  return {uint8_t(error), uint8_t(error >> 8), uint8_t(error >> 16), uint8_t(error >> 24),
          uint8_t(stage), uint8_t(stage >> 8), uint8_t(stage >> 16), uint8_t(stage >> 24)};
}

#endif  // TESTS_SHELL_SHELL_FIXTURE_H
