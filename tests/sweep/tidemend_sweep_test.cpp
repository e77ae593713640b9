// tidemend's patch run under the fault sweep, on a machine with agents 4.10
// (SpuNum A3) that the patch lists: whichever single call fails, the run
// ends, starts again every service it stopped, loses no agent file, marks
// the Version only after every file was replaced, and never writes a
// success status for a run that failed.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "installtools/tidemend/agent_patch.h"
#include "sim/core/clock.h"
#include "tests/installtools/tidemend_fixture.h"
#include "tests/sweep/fault_sweep.h"

namespace {

// The machine of the patch run tests, prepared anew for every trial.
class TidemendSweep : public TidemendTest {
 public:
  using TidemendTest::Disk;
  using TidemendTest::kSystem;
  using TidemendTest::kVelhome;
  using TidemendTest::VersionBytes;

 protected:
  void SetUp() override {}
  void PrepareMachine() { TidemendTest::SetUp(); }
};

const std::string kVelhome = TidemendSweep::kVelhome;
const std::string kSystem = TidemendSweep::kSystem;

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

std::string Version() {
  std::vector<uint8_t> data = TidemendSweep::VersionBytes();
  return std::string(data.begin(), data.end()).c_str();
}

std::vector<std::string> RunAndCheck(const sweep::Injection& injection) {
  const std::map<std::string, sim::FileState> before = TidemendSweep::Disk();
  RunAgentPatch();
  std::vector<std::string> problems;
  const std::optional<DWORD> status = Status();
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
  if (bSuccess && Version() != "4.10a" && TidemendSweep::Disk() != before)
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

TEST_F(TidemendSweep, EveryCallFailedWithEachDocumentedError) {
  sweep::Report report = sweep::SweepEveryCall([this] { PrepareMachine(); }, RunAndCheck);
  sweep::PrintReport("tidemend RunAgentPatch", report);
  EXPECT_GT(report.calls, 0u);
  for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
}

}  // namespace
