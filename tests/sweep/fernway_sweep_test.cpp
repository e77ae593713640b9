// fernway's remote install under the fault sweep: whichever single call
// fails, the run ends, reports a failed step as failed (result and status),
// deletes the package, removes its service and leaves nothing open.
#include <gtest/gtest.h>

#include "installtools/common/install_status.h"
#include "installtools/fernway/remote_install.h"
#include "shell/service_shell.h"
#include "sim/core/clock.h"
#include "sim/core/registry.h"
#include "sim/files/file_system.h"
#include "sim/processes/processes.h"
#include "sim/services/service_manager.h"
#include "tests/installtools/fernway_fixture.h"
#include "tests/sweep/fault_sweep.h"

namespace {

const char* kVelhome = kFernwayVelhome;
const char* kStatusKey = "HKLM\\" INSTALL_STATUS_KEY;

bool SetupStarted() {
  for (const sim::ProcessStart& start : sim::started_processes())
    if (start.program == "setup") return true;
  return false;
}

std::vector<std::string> RunAndCheck(const sweep::Injection& injection) {
  const DWORD dwResult = RunRemoteInstall();
  std::vector<std::string> problems;
  const std::optional<DWORD> status = sim::registry().dword(kStatusKey, INSTALL_STATUS_VALUE);
  const bool bStatusWriteFailed = injection.hit && injection.api.rfind("Reg", 0) == 0;

  if (dwResult == 0 && !SetupStarted()) problems.push_back("success without setup started");
  if (dwResult != 0 && SetupStarted()) problems.push_back("failure after setup started");
  if (dwResult != 0 && !bStatusWriteFailed && status != DWORD(INSTALL_STATUS_FAILED))
    problems.push_back("failed run without the failure status");
  if (dwResult == 0 && status && *status != DWORD(INSTALL_STATUS_STARTED))
    problems.push_back("successful run with status " + std::to_string(*status));
  if (injection.sequence == 0 && dwResult != 0) problems.push_back("clean run failed");
  // After a failed change of directory the package is deleted from the
  // starting directory, so it stays in velhome.
  if (!sweep::Hit(injection, {"DeleteFileA", "SetCurrentDirectoryA"}) &&
      sim::files().file_exists(std::string(kVelhome) + FERNWAY_PACKAGE))
    problems.push_back("package left in place");
  // A stop request that fails keeps the entry (the removal is not forced).
  const bool bRemoved = !sim::scm().exists(FERNWAY_SERVICE_NAME) ||
                        sim::scm().marked_for_delete(FERNWAY_SERVICE_NAME);
  if (!bRemoved &&
      !sweep::Hit(injection, {"OpenSCManagerA", "OpenServiceA", "ControlService", "DeleteService"}))
    problems.push_back("service not removed");
  if (sweep::Hit(injection, {"SetCurrentDirectoryA", "CreateProcessA"}) &&
      dwResult != injection.error)
    problems.push_back("result " + std::to_string(dwResult) + " is not the failed step's error");

  // setup.exe may still run; nothing of the routine's own may stay open.
  sim::advance(3600000);
  for (const std::string& problem : sweep::LeftOpen(injection)) problems.push_back(problem);
  return problems;
}

TEST(FernwaySweep, EveryCallFailedWithEachDocumentedError) {
  sweep::Report report = sweep::SweepEveryCall(PrepareFernwayMachine, RunAndCheck);
  sweep::PrintReport("fernway RunRemoteInstall", report);
  EXPECT_GT(report.calls, 0u);
  for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
}

}  // namespace
