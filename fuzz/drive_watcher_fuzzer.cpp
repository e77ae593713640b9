// The new-drive watcher on the default rack, after a first pass that mapped
// some of its drives (chosen by the input), fed event records from the
// input: raw 548-byte records and insertion records with stray bytes, mixed
// with checks and drives that appear on a bus. After every check the table
// keeps its rules (at most 48 entries, no SCSI location mapped twice), and
// freeing the adapters leaves no device open.
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "sim/core/clock.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/events/event_source.h"
#include "sim/rack/rack.h"
#include "sim/rack/rack_machine.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/drive_watcher.h"
#include "slotwarden/mapping/mapping_table.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"

namespace {

const int kMaxChecks = 8;
const DWORD kCheckInterval = 60000;

bool SameScsi(const MappingEntry& a, const MappingEntry& b) {
  return a.Scsi.bTarget == b.Scsi.bTarget && a.Scsi.bChannel == b.Scsi.bChannel &&
         a.Scsi.bAdapter == b.Scsi.bAdapter;
}

void CheckTable() {
  const DWORD n = g_MappingTable.GetCount();
  FUZZ_CHECK(n <= MAX_MAPPINGS);
  for (DWORD i = 0; i < n; ++i) {
    const MappingEntry& a = g_MappingTable.GetEntry(i);
    if (CMappingTable::IsInvalid(a)) continue;
    for (DWORD j = i + 1; j < n; ++j) {
      const MappingEntry& b = g_MappingTable.GetEntry(j);
      if (!CMappingTable::IsInvalid(b)) FUZZ_CHECK(!SameScsi(a, b));
    }
  }
}

// Part of the rack mapped as a full pass would have found it.
void MapSome(FuzzInput& input) {
  WORD wMask = input.Word();
  int i = 0;
  for (const sim::SlotTruth& truth : sim::rack_truth()) {
    if (wMask & (1 << (i++ % 16))) {
      CageLocation cage = {truth.cage, static_cast<BYTE>(truth.slot)};
      ScsiLocation scsi = {static_cast<BYTE>(truth.target), static_cast<BYTE>(truth.channel),
                           static_cast<BYTE>(truth.adapter)};
      g_MappingTable.Add(cage, scsi);
    }
  }
}

sim::EventRecord RecordFrom(FuzzInput& input) {
  sim::EventRecord record{};
  if (input.Byte() & 1) {
    std::vector<uint8_t> bytes = input.Bytes(record.size());
    for (size_t i = 0; i < bytes.size(); ++i) record[i] = bytes[i];
    return record;
  }
  record = sim::EventSource::insertion_record(input.Byte());
  for (unsigned n = input.Below(4); n > 0; --n) {
    record[input.Word() % record.size()] = input.Byte();
  }
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  sim::Rack rack = sim::default_rack();
  rack.timeline.clear();  // the input decides what happens
  sim::install_rack(rack);

  g_AdapterList.Reload();
  ResetDeviceLocations();
  ResetInsertionQueues();
  g_MappingTable = CMappingTable();
  {
    CCageRoster roster;
    if (BuildAdapterTable() == 0) {
      MapSome(input);
      int nChecks = 0;
      while (!input.empty() && nChecks < kMaxChecks) {
        switch (input.Below(4)) {
          case 0:
          case 1:
            sim::event_source().log(RecordFrom(input));
            break;
          case 2: {
            int nPort = input.Below(3);
            int nTarget = input.Below(16);
            sim::scsi().add_target(nPort, 0, nTarget);
            break;
          }
          default:
            sim::advance(kCheckInterval);
            CheckForNewDrives(roster);
            CheckTable();
            ++nChecks;
            break;
        }
      }
      CheckForNewDrives(roster);
      CheckTable();
    }
    FreeAdapterTable();
  }
  FUZZ_CHECK(sim::open_handle_count("device") == 0);
  return 0;
}
