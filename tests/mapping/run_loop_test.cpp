// The run loop on the virtual clock: when the checks run (each store of
// the table is timed), how a stop request ends the loop, and which result
// the run returns.
#include <gtest/gtest.h>

#include "sim/cages/cage.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/faults.h"
#include "sim/events/event_source.h"
#include "sim/services/event_reports.h"
#include "sim/services/service_manager.h"
#include "slotwarden/mapping/mapping_errors.h"
#include "slotwarden/mapping/mapping_service.h"
#include "tests/mapping/mapping_fixture.h"

namespace {

// One cage (code 2) on an AMI port, drives at targets 1 and 3.
const char* kRack = R"({
  "cages": [{"address": "0x9C", "base_address_byte": "0x02", "cabled_to": {"port": 0, "bus": 0}}],
  "ports": [{"model": "ami"}],
  "drives": [{"cage": "0x9C", "slot": 0}, {"cage": "0x9C", "slot": 3}]
})";

class RunLoop : public MappingTest {
 protected:
  // Installs the rack and records the virtual time of every store.
  void Install(const char* rack) {
    InstallRack(rack);
    sim::set_fault_hook([this](const std::string& api, uint64_t) -> std::optional<DWORD> {
      if (api == "RegCreateKeyExA") m_aStoreTimes.push_back(sim::now_ms());
      return std::nullopt;
    });
  }
  // Store times after the first (the pass's), relative to it.
  std::vector<uint64_t> CheckStoresAfterPass() const {
    std::vector<uint64_t> times;
    for (size_t i = 1; i < m_aStoreTimes.size(); ++i) times.push_back(m_aStoreTimes[i] - m_aStoreTimes[0]);
    return times;
  }

  std::vector<uint64_t> m_aStoreTimes;
};

// The one-cage pass takes well under this.
const uint64_t kAfterPass = 30000;

TEST_F(RunLoop, StopDuringTheWaitRunsOneCheckAtOnce) {
  Install(kRack);
  StopAt(kAfterPass);

  EXPECT_EQ(RunMappingService(), 0u);
  EXPECT_EQ(sim::now_ms(), kAfterPass);
  ASSERT_EQ(m_aStoreTimes.size(), 2u);
  EXPECT_LT(m_aStoreTimes[0], kAfterPass);
  EXPECT_EQ(m_aStoreTimes[1], kAfterPass);
  EXPECT_EQ(StoredEntries(), Truth());
  EXPECT_EQ(g_nAdapters, 0u);
}

TEST_F(RunLoop, ChecksEveryIntervalAndAFailedCheckDoesNotEndTheLoop) {
  Install(kRack);
  sim::at(kAfterPass, [] { sim::event_source().log_insertion_code(0x25); });
  StopAt(200000);

  DebugOutput out;
  EXPECT_EQ(RunMappingService(), 0u);
  const std::string printed = out.Take();
  // The first check (9997) stores nothing; the loop goes on a minute later.
  EXPECT_EQ(CheckStoresAfterPass(), (std::vector<uint64_t>{120000, 180000,
                                                           200000 - m_aStoreTimes[0]}));
  EXPECT_NE(printed.find("Checking for new drives ... failed: 9997\n"
                         "Checking for new drives ... done.\n"),
            std::string::npos)
      << printed;
}

TEST_F(RunLoop, TheLastChecksResultIsTheRunsResult) {
  Install(kRack);
  sim::at(kAfterPass - 1000, [] { sim::event_source().log_insertion_code(0x25); });
  StopAt(kAfterPass);

  EXPECT_EQ(RunMappingService(), static_cast<DWORD>(MAP_ERR_NO_SUCH_CAGE));
  EXPECT_EQ(sim::now_ms(), kAfterPass);
}

TEST_F(RunLoop, AFailingWaitMakesTheLoopCheckEverySecond) {
  Install(kRack);
  sim::fail_always("WaitForSingleObject", ERROR_INVALID_HANDLE);
  sim::at(kAfterPass, [] { g_dwCurrentState = SERVICE_STOP_PENDING; });

  EXPECT_EQ(RunMappingService(), 0u);
  const std::vector<uint64_t> checks = CheckStoresAfterPass();
  ASSERT_GE(checks.size(), 3u);
  for (size_t i = 0; i < checks.size(); ++i) EXPECT_EQ(checks[i], 1000 * (i + 1));
  // The check that follows the stop request is the last.
  EXPECT_GE(m_aStoreTimes.back(), kAfterPass);
  EXPECT_LT(m_aStoreTimes.back(), kAfterPass + 1000);
}

TEST_F(RunLoop, WithoutAnyPortEndsWith9993BeforeMapping) {
  Install("{}");
  sim::attach_cage(0x9C)->set_occupied_slots(0x01);

  EXPECT_EQ(RunMappingService(), static_cast<DWORD>(MAP_ERR_NO_ADAPTERS));
  EXPECT_EQ(sim::cage_at(0x9C)->latch_clears(), 0u);
  EXPECT_FALSE(Stored());
}

TEST_F(RunLoop, OnlyUnsupportedPortsGiveAnEmptyStoreAndTheLoopRuns) {
  Install(R"({"cages": [{"address": "0x9C", "cabled_to": {"port": 0, "bus": 0}}],
              "ports": [{"model": "mylex", "driver": "QELN7300"}, {"model": "mylex", "driver": "QELN7300"}],
              "drives": [{"cage": "0x9C", "slot": 0}]})");
  StopAt(kAfterPass);

  DebugOutput out;
  EXPECT_EQ(RunMappingService(), 0u);
  EXPECT_EQ(out.Take(),
            "\nAdapters: FF\n"
            "\nRecording mapping in public store ... done.\n"
            "Checking for new drives ... done.\n");
  EXPECT_EQ(StoredCount(), 0u);
}

// Adapters whose Open fails stay in the table without channels; the run
// ends only when no adapter opened.
struct OpenCase {
  const char* name;
  unsigned failing_opens;  // of the two AMI ports, in port order
  DWORD result;
  bool mapped;  // the cage on port 1 is mapped
};

void PrintTo(const OpenCase& c, std::ostream* out) { *out << c.name; }

class FailedOpen : public RunLoop, public testing::WithParamInterface<OpenCase> {};

TEST_P(FailedOpen, LeavesTheAdapterInert) {
  Install(R"({"cages": [{"address": "0x9C", "base_address_byte": "0x02", "cabled_to": {"port": 1, "bus": 0}}],
              "ports": [{"model": "ami"}, {"model": "ami"}],
              "drives": [{"cage": "0x9C", "slot": 3}, {"port": 0, "bus": 0, "target": 3}]})");
  sim::fail_call("CreateFileA", ERROR_FILE_NOT_FOUND, 1, GetParam().failing_opens);
  StopAt(kAfterPass);

  EXPECT_EQ(RunMappingService(), GetParam().result);
  if (GetParam().mapped)
    EXPECT_EQ(StoredEntries(), Truth());
  else
    EXPECT_FALSE(Stored());
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedOpen,
                         testing::Values(OpenCase{"FirstFails", 1, 0, true},
                                         OpenCase{"BothFail", 2, ERROR_FILE_NOT_FOUND, false}),
                         [](const testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

// The whole program under the manager, with no SCSI port at all.
TEST_F(RunLoop, UnderTheManagerNoPortStopsTheServiceWith9993) {
  g_pszServiceName = "SlotWarden";
  g_pfnWorkRoutine = RunMappingService;
  g_hServiceStatus = NULL;
  g_dwCurrentState = 0;
  g_dwCheckPoint = 0;
  sim::scm().set_module_path("C:\\WINDOWS\\velhome\\slotwarden.exe");
  sim::scm().start_this_process_as("SlotWarden");
  char arg0[] = "slotwarden.exe";
  char* argv[] = {arg0, nullptr};

  EXPECT_EQ(ShellMain(1, argv), 0);
  const std::vector<sim::StatusReport> reports = sim::scm().status_reports();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(reports.back().status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
  EXPECT_EQ(reports.back().status.dwServiceSpecificExitCode, static_cast<DWORD>(MAP_ERR_NO_ADAPTERS));
  const std::vector<sim::ReportedEvent> events = sim::reported_events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, 44006u);
  EXPECT_EQ(events[0].data, (std::vector<uint8_t>{0x09, 0x27, 0, 0, 6, 0, 0, 0}));
}

}  // namespace
