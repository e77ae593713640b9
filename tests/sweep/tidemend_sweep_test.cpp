// tidemend's patch run under the fault sweep, on a machine with agents 4.10
// (SpuNum A3) that the patch lists: whichever single call fails, the run
// ends, starts again every service it stopped, loses no agent file, marks
// the Version only after every file was replaced, and never writes a
// success status for a run that failed.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "installtools/common/install_status.h"
#include "installtools/tidemend/agent_patch.h"
#include "installtools/tidemend/agent_settings.h"
#include "sim/core/clock.h"
#include "sim/core/registry.h"
#include "sim/files/file_system.h"
#include "sim/services/service_manager.h"
#include "tests/sweep/fault_sweep.h"

namespace {

const char* kAgentKey = "HKLM\\" AGENT_SETTINGS_KEY;
const char* kStatusKey = "HKLM\\" INSTALL_STATUS_KEY;
const char* kLog = "C:\\temp\\tidemend.log";
const std::string kVelhome = "C:\\WINDOWS\\velhome\\";
const std::string kPatch = kVelhome + "patch\\";
const std::string kSystem = "C:\\WINDOWS\\system32\\";

// Each replaced file with the content it has after the patch. A SpuNum that
// cannot be read counts as empty, which picks tivel.dll: any new library
// counts for plenth.dll.
const std::map<std::string, std::string>& Replaced() {
  static const std::map<std::string, std::string> files = {
      {kVelhome + "dalvren.dll", "new dalvren.dll"},
      {kVelhome + "morsket.dll", "new morsket.dll"},
      {kVelhome + "slotwarden.exe", "new slotwarden.exe"},
      {kSystem + "plenth.dll", "new "},
  };
  return files;
}

void AddService(const char* name) {
  sim::ServiceBehaviour behaviour;
  behaviour.state = SERVICE_RUNNING;
  behaviour.stop_ms = 1000;
  behaviour.start_ms = 1000;
  sim::scm().add_service(name, behaviour);
}

void PrepareMachine() {
  sim::registry().set_string(kAgentKey, "Version", "4.10");
  sim::registry().set_string(kAgentKey, "SpuNum", "A3");
  sim::files().make_directory("C:\\temp");
  for (const char* name : {"dalvren.dll", "morsket.dll", "slotwarden.exe"}) {
    sim::files().write_file(kVelhome + name, std::string("old ") + name);
    sim::files().write_file(kPatch + name, std::string("new ") + name);
  }
  sim::files().write_file(kSystem + "plenth.dll", "old plenth.dll");
  for (const char* name : {"vintas.dll", "garrow.dll", "tivel.dll"})
    sim::files().write_file(kPatch + name, std::string("new ") + name);
  sim::files().write_file(kPatch + "patch.ini",
                          "[General]\nName=agents patch\n[Valid Agents Versions]\n4.10, 4.12\n");
  AddService(SNMP_SERVICE_NAME);
  AddService(SLOTWARDEN_SERVICE_NAME);
}

std::map<std::string, sim::FileState> Disk() {
  std::map<std::string, sim::FileState> files = sim::files().snapshot();
  files.erase(kLog);
  return files;
}

std::string Version() {
  std::vector<uint8_t> data = sim::registry().value(kAgentKey, "Version").value_or(sim::RegValue{}).data;
  return std::string(data.begin(), data.end()).c_str();
}

std::vector<std::string> RunAndCheck(const sweep::Injection& injection) {
  const std::map<std::string, sim::FileState> before = Disk();
  RunAgentPatch();
  std::vector<std::string> problems;
  const std::optional<DWORD> status = sim::registry().dword(kStatusKey, INSTALL_STATUS_VALUE);
  const bool bSuccess =
      status == DWORD(INSTALL_STATUS_DONE) || status == DWORD(INSTALL_STATUS_DONE_SNMP_NOT_RUNNING);

  size_t nNew = 0;
  for (const auto& [path, content] : Replaced()) {
    std::optional<std::string> now = sim::files().read_file(path);
    if (now && now->rfind(content, 0) == 0) ++nNew;
    if (!now && !sim::files().file_exists(path + ".old")) problems.push_back(path + " lost");
  }
  const bool bAllNew = nNew == Replaced().size();
  if (Version() == "4.10a" && !bAllNew) problems.push_back("Version marked with files not replaced");
  if (bSuccess && Version() == "4.10a" && !bAllNew) problems.push_back("success with files not replaced");
  if (bSuccess && Version() != "4.10a" && Disk() != before)
    problems.push_back("success status for a patch that was left unfinished");
  if (bSuccess && Version() != "4.10a" && !sim::scm().requests().empty() &&
      !sweep::Hit(injection, {"RegQueryValueExA", "RegOpenKeyExA", "fopen"}))
    problems.push_back("services touched, yet no patch and a success status");

  if (injection.sequence == 0 && (Version() != "4.10a" || status != DWORD(INSTALL_STATUS_DONE)))
    problems.push_back("clean run did not patch");

  // Every service it stopped runs again once its start has completed.
  sim::advance(60000);
  for (const char* name : {SNMP_SERVICE_NAME, SLOTWARDEN_SERVICE_NAME})
    if (sim::scm().state(name) != SERVICE_RUNNING)
      problems.push_back(std::string(name) + " left in state " +
                         std::to_string(sim::scm().state(name)));
  for (const std::string& problem : sweep::LeftOpen(injection)) problems.push_back(problem);
  return problems;
}

TEST(TidemendSweep, EveryCallFailedWithEachDocumentedError) {
  sweep::Report report = sweep::SweepEveryCall(PrepareMachine, RunAndCheck);
  sweep::PrintReport("tidemend RunAgentPatch", report);
  EXPECT_GT(report.calls, 0u);
  for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
}

}  // namespace
