// SlotWarden's mapping service under the fault sweep, in debug mode on a
// small rack: whichever single call fails, the run ends after the stop
// request within bounded virtual time, frees every adapter device and the
// controller device, and a run that reports success has stored exactly its
// table, whose every valid pair is one the rack really wires.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/service_shell.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/clock.h"
#include "sim/core/registry.h"
#include "sim/rack/rack.h"
#include "sim/rack/rack_machine.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/drive_watcher.h"
#include "slotwarden/mapping/mapping_service.h"
#include "slotwarden/mapping/mapping_table.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"
#include "tests/sweep/fault_sweep.h"

namespace {

const char* kStoreKey = "HKLM\\" MAPPING_STORE_KEY;
const uint64_t kStopMs = 200000;
// The last check after the stop request ends within one interval.
const uint64_t kLatestEndMs = kStopMs + 2 * 60000;

// One cage with two drives on an AMI port, a third inserted after the first
// pass, and a disk outside the cage on a standard port: the full default
// rack makes too many calls for a sweep of every one.
const char* kRack = R"json({
  "name": "sweep",
  "cages": [{"address": "0x9C", "base_address_byte": "0x04", "cabled_to": {"port": 0, "bus": 0}}],
  "ports": [{"model": "ami", "driver": "mraidnt", "buses": 1},
            {"model": "standard", "driver": "aic78xx", "buses": 1}],
  "drives": [{"cage": "0x9C", "slot": 0}, {"cage": "0x9C", "slot": 3},
             {"port": 1, "bus": 0, "target": 6, "kind": "disk"}],
  "timeline": [{"at_ms": 90000, "insert": {"cage": "0x9C", "slot": 5},
                "visible_after_ms": 2000, "event_after_ms": 1000}]
})json";

void PrepareMachine() {
  sim::install_rack(sim::parse_rack(kRack));
  g_bDebug = true;
  g_dwCurrentState = SERVICE_RUNNING;
  g_hStopEvent = NULL;
  g_MappingTable = CMappingTable();
  ResetInsertionQueues();
  ResetDeviceLocations();
  g_AdapterList.Reload();
  FreeAdapterTable();
  // The stop request as the control handler would take it; the loop then
  // ends after its next check.
  sim::at(kStopMs, [] { g_dwCurrentState = SERVICE_STOP_PENDING; }, "stop");
}

bool IsTrue(const MappingEntry& entry) {
  for (const sim::SlotTruth& truth : sim::rack_truth()) {
    if (truth.cage == entry.Cage.bCage && truth.slot == entry.Cage.bSlot &&
        truth.target == entry.Scsi.bTarget && truth.channel == entry.Scsi.bChannel &&
        truth.adapter == entry.Scsi.bAdapter)
      return true;
  }
  return false;
}

std::vector<std::string> CheckStore() {
  std::vector<std::string> problems;
  const std::optional<DWORD> count = sim::registry().dword(kStoreKey, MAPPING_STORE_COUNT_VALUE);
  const std::optional<sim::RegValue> entries =
      sim::registry().value(kStoreKey, MAPPING_STORE_ENTRIES_VALUE);
  if (!count || !entries) return {"success without a stored table"};
  if (*count != g_MappingTable.GetCount() ||
      entries->data.size() != g_MappingTable.GetCount() * sizeof(MappingEntry))
    return {"stored table is not the service's table"};
  for (DWORD i = 0; i < g_MappingTable.GetCount(); ++i) {
    const MappingEntry& entry = g_MappingTable.GetEntry(i);
    if (memcmp(&entries->data[i * sizeof(MappingEntry)], &entry, sizeof(MappingEntry)) != 0)
      problems.push_back("stored entry " + std::to_string(i) + " differs from the table");
    if (!CMappingTable::IsInvalid(entry) && !IsTrue(entry))
      problems.push_back("entry " + std::to_string(i) + " pairs a slot with a wrong location");
  }
  return problems;
}

std::vector<std::string> RunAndCheck(const sweep::Injection& injection) {
  const DWORD dwResult = RunMappingService();
  std::vector<std::string> problems;
  if (sim::now_ms() > kLatestEndMs)
    problems.push_back("run ended at " + std::to_string(sim::now_ms()) + " ms");
  if (dwResult == 0)
    for (const std::string& problem : CheckStore()) problems.push_back(problem);
  if (injection.sequence == 0 &&
      (dwResult != 0 || g_MappingTable.GetCount() != sim::rack_truth().size()))
    problems.push_back("clean run did not map every drive (result " + std::to_string(dwResult) +
                       ")");
  if (sim::qbx_device_stats().open) problems.push_back("controller device left open");
  // The stop event lives as long as the process.
  for (const std::string& problem : sweep::LeftOpen(injection, {{"event", 1}}))
    problems.push_back(problem);
  return problems;
}

TEST(SlotwardenSweep, EveryCallFailedWithEachDocumentedError) {
  sweep::Report report = sweep::SweepEveryCall(PrepareMachine, RunAndCheck);
  sweep::PrintReport("slotwarden RunMappingService", report);
  EXPECT_GT(report.calls, 0u);
  for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
}

}  // namespace
