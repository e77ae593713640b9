// A fresh mapping service on a fresh machine: every process-wide object of
// SlotWarden starts as at process start (the machine itself is reset before
// each test case), and helpers put a rack in place and read the store back.
#ifndef TESTS_MAPPING_MAPPING_FIXTURE_H
#define TESTS_MAPPING_MAPPING_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "shell/service_shell.h"
#include "sim/core/clock.h"
#include "sim/core/registry.h"
#include "sim/rack/rack.h"
#include "sim/rack/rack_machine.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/drive_watcher.h"
#include "slotwarden/mapping/mapping_table.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"

// One 5-byte record of the store, or one drive of the ground truth.
struct StoredEntry {
  int cage, slot, target, channel, adapter;
  bool operator==(const StoredEntry& o) const {
    return cage == o.cage && slot == o.slot && target == o.target && channel == o.channel &&
           adapter == o.adapter;
  }
  bool operator<(const StoredEntry& o) const {
    return std::tie(cage, slot, target, channel, adapter) <
           std::tie(o.cage, o.slot, o.target, o.channel, o.adapter);
  }
  bool Invalid() const { return cage == 0xFF && slot == 0xFF && target == 0xFF; }
};

inline std::ostream& operator<<(std::ostream& out, const StoredEntry& e) {
  char text[48];
  std::snprintf(text, sizeof(text), "{%02X,%d -> t%d c%d a%d}", e.cage, e.slot, e.target,
                e.channel, e.adapter);
  return out << text;
}

inline std::vector<StoredEntry> EntriesOf(const std::vector<uint8_t>& bytes) {
  std::vector<StoredEntry> entries;
  for (size_t i = 0; i + 5 <= bytes.size(); i += 5)
    entries.push_back({bytes[i], bytes[i + 1], bytes[i + 2], bytes[i + 3], bytes[i + 4]});
  return entries;
}

class MappingTest : public testing::Test {
 protected:
  static constexpr const char* kStoreKey = "HKLM\\SOFTWARE\\Ostravale\\Tormelle";

  void SetUp() override {
    g_MappingTable = CMappingTable();
    g_wAllCagesPresentMask = 0;
    ResetInsertionQueues();
    FreeAdapterTable();
    ResetDeviceLocations();
    g_AdapterList.Reload();
    g_bDebug = false;
    g_hStopEvent = NULL;
    g_dwCurrentState = SERVICE_RUNNING;
  }

  void TearDown() override {
    FreeAdapterTable();
    ResetDeviceLocations();
  }

  // Puts the rack described by `json` (a rack file's text) in the machine
  // and has the adapter list read the device map it wrote.
  static void InstallRack(const std::string& json, std::function<void()> on_end = {}) {
    InstallRack(sim::parse_rack(json), std::move(on_end));
  }
  static void InstallRack(const sim::Rack& rack, std::function<void()> on_end = {}) {
    sim::install_rack(rack, std::move(on_end));
    g_AdapterList.Reload();
  }

  // What the control handler does on a stop request, at virtual time t.
  static void StopAt(uint64_t at_ms) {
    sim::at(at_ms, RequestStop, "stop");
  }
  static void RequestStop() {
    g_dwCurrentState = SERVICE_STOP_PENDING;
    SetEvent(g_hStopEvent);
  }

  static bool Stored() { return sim::registry().dword(kStoreKey, "Map count").has_value(); }
  static DWORD StoredCount() { return sim::registry().dword(kStoreKey, "Map count").value_or(~0u); }
  static std::vector<StoredEntry> StoredEntries() {
    std::optional<sim::RegValue> value = sim::registry().value(kStoreKey, "Mappings");
    return value ? EntriesOf(value->data) : std::vector<StoredEntry>{};
  }
  static std::vector<StoredEntry> Truth() {
    std::vector<StoredEntry> truth;
    for (const sim::SlotTruth& t : sim::rack_truth())
      truth.push_back({t.cage, t.slot, t.target, t.channel, t.adapter});
    return truth;
  }
  static std::vector<StoredEntry> Sorted(std::vector<StoredEntry> entries) {
    std::sort(entries.begin(), entries.end());
    return entries;
  }
  static std::vector<StoredEntry> TableEntries() {
    std::vector<StoredEntry> entries;
    for (DWORD i = 0; i < g_MappingTable.GetCount(); ++i) {
      const MappingEntry& e = g_MappingTable.GetEntry(i);
      entries.push_back({e.Cage.bCage, e.Cage.bSlot, e.Scsi.bTarget, e.Scsi.bChannel,
                         e.Scsi.bAdapter});
    }
    return entries;
  }
};

// Captures what the code under test prints in debug mode.
class DebugOutput {
 public:
  DebugOutput() {
    g_bDebug = true;
    std::fflush(stdout);
    testing::internal::CaptureStdout();
  }
  std::string Take() {
    std::fflush(stdout);
    g_bDebug = false;
    return testing::internal::GetCapturedStdout();
  }
};

#endif  // TESTS_MAPPING_MAPPING_FIXTURE_H
