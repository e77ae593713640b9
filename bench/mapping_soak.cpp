// A virtual month of SlotWarden's mapping service on the default rack:
// RunMappingService itself, in this process, for 43,200 new-drive checks,
// with drive insertions, removals, stray event records, outside disks
// coming and going, and bus faults at random (seeded). After every check the public store is read back and
// checked against the table's rules, and the open handles are counted.
// Prints the wall time, the resident set and heap over the run, and the
// peak RSS. A benchmark, not a test: exit code 1 when a rule broke or a
// handle leaked.
//
//   bench_mapping_soak [--checks=N] [--seed=S]
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_machine.h"
#include "bench/bench_racks.h"
#include "bench/process_stats.h"
#include "bench/soak_plan.h"
#include "bench/store_rules.h"
#include "shell/service_shell.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/records.h"
#include "sim/core/registry.h"
#include "sim/events/event_source.h"
#include "sim/rack/rack_machine.h"
#include "slotwarden/mapping/mapping_service.h"

namespace {

const uint64_t kMonthOfChecks = 43200;
const uint64_t kFirstPassMs = 10 * 60000;  // left undisturbed
const int kSamples = 10;

uint64_t HeapInUseKib() { return mallinfo2().uordblks / 1024; }

class Soak {
 public:
  explicit Soak(uint64_t nChecks) : nChecks_(nChecks) {}

  // Called at every wait of the run loop: the wait before check n means
  // check n - 1 (or, for n = 1, the first pass) is over.
  void OnWait() {
    ++nWaits_;
    AfterStep(nWaits_ - 1);
    if (nWaits_ == nChecks_) g_dwCurrentState = SERVICE_STOP_PENDING;  // this check is the last
  }

  // After check `nCheck` (0: the first pass). The handle count is compared
  // only while the run holds its adapters.
  void AfterStep(uint64_t nCheck, bool bRunning = true) {
    const uint64_t writes = sim::registry().value_writes();
    if (writes != lastWrites_) ++nStores_;
    lastWrites_ = writes;
    if (!failure_.empty()) return;
    if (!rules_.CheckStore()) {
      failure_ = "after check " + std::to_string(nCheck) + ": " + rules_.Failure();
      return;
    }
    const size_t handles = sim::open_handle_count();
    if (nCheck == 0) {
      baselineHandles_ = handles;
    } else if (bRunning && handles != baselineHandles_) {
      failure_ = "after check " + std::to_string(nCheck) + ": " + std::to_string(handles) +
                 " handles open, " + std::to_string(baselineHandles_) + " after the first pass";
      return;
    }
    if (nCheck == 0 || nCheck % (nChecks_ / kSamples > 0 ? nChecks_ / kSamples : 1) == 0 ||
        nCheck == nChecks_)
      Sample(nCheck);
  }

  void Sample(uint64_t nCheck) {
    std::printf("  %8llu  %6.2f  %7llu  %8llu  %6zu  %7zu  %5zu/%zu\n",
                static_cast<unsigned long long>(nCheck),
                static_cast<double>(sim::now_ms()) / 86400000.0,
                static_cast<unsigned long long>(bench::CurrentRssKib()),
                static_cast<unsigned long long>(HeapInUseKib()), sim::event_source().size(),
                sim::open_handle_count(), rules_.ValidCount(), rules_.EntryCount());
    std::fflush(stdout);
  }

  uint64_t Waits() const { return nWaits_; }
  uint64_t Stores() const { return nStores_; }
  const std::string& Failure() const { return failure_; }
  const bench::StoreRules& Rules() const { return rules_; }

 private:
  uint64_t nChecks_;
  uint64_t nWaits_ = 0;
  uint64_t nStores_ = 0;
  uint64_t lastWrites_ = 0;
  size_t baselineHandles_ = 0;
  bench::StoreRules rules_;
  std::string failure_;
};

// Drives in cage slots at the end whose slot the store maps to where they
// answer.
size_t MappedAsWired(const bench::StoreRules& rules) {
  size_t matched = 0;
  const std::vector<uint8_t>& entries = rules.Entries();
  for (const sim::SlotTruth& drive : sim::rack_truth()) {
    for (size_t i = 0; i + 5 <= entries.size(); i += 5) {
      if (entries[i] == drive.cage && entries[i + 1] == drive.slot &&
          entries[i + 2] == drive.target && entries[i + 3] == drive.channel &&
          entries[i + 4] == drive.adapter) {
        ++matched;
        break;
      }
    }
  }
  return matched;
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t nChecks = kMonthOfChecks;
  uint64_t seed = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--checks=", 9) == 0 && std::strtoull(argv[i] + 9, nullptr, 10) > 0) {
      nChecks = std::strtoull(argv[i] + 9, nullptr, 10);
    } else if (std::strncmp(argv[i], "--seed=", 7) == 0) {
      seed = std::strtoull(argv[i] + 7, nullptr, 10);
    } else {
      std::fprintf(stderr, "usage: %s [--checks=N] [--seed=S]\n", argv[0]);
      return 2;
    }
  }

  // The default rack with its second cage empty at start: that cage's
  // first drive is then located by a rescan, not by the cage's bus.
  sim::Rack rack = bench::DefaultRackAtRest();
  std::vector<sim::RackDrive> drives;
  for (const sim::RackDrive& drive : rack.drives)
    if (!drive.cage || *drive.cage != 0x9E) drives.push_back(drive);
  rack.drives = drives;
  const bench::SoakPlan plan = bench::PlanSoak(rack, kFirstPassMs, nChecks * g_dwCheckInterval, seed);
  bench::StartMachine(plan.rack);
  sim::keep_records(false);
  bench::ArmPlan(plan);
  std::printf("soak on the default rack, cage 0x9E empty at start: %llu checks, seed %llu;"
              " planned %u insertions (%u not logged), %u removals, %u stray event records,"
              " %zu bus faults, %zu outside-disk changes\n",
              static_cast<unsigned long long>(nChecks), static_cast<unsigned long long>(seed),
              plan.insertions, plan.unlogged, plan.removals, plan.stray_events, plan.faults.size(),
              plan.outside_disks.size());
  std::printf("     check     day  RSS KiB  heap KiB  events  handles  entries valid/all\n");

  Soak soak(nChecks);
  sim::set_fault_hook([&soak](const std::string& api, uint64_t) -> std::optional<DWORD> {
    if (api == "WaitForSingleObject") soak.OnWait();
    return std::nullopt;
  });
  const double wall = bench::WallSeconds();
  const double cpu = bench::ProcessCpuSeconds();
  const DWORD dwResult = RunMappingService();
  const double wallSeconds = bench::WallSeconds() - wall;
  const double cpuSeconds = bench::ProcessCpuSeconds() - cpu;
  sim::set_fault_hook(nullptr);
  soak.AfterStep(soak.Waits(), false);

  // Only the stop event stays open after the run: it is never closed.
  const size_t handlesAfter = sim::open_handle_count();
  std::string failure = soak.Failure();
  if (failure.empty() && soak.Waits() != nChecks)
    failure = "the loop ran " + std::to_string(soak.Waits()) + " checks";
  if (failure.empty() && (handlesAfter != 1 || sim::open_handle_count("event") != 1))
    failure = std::to_string(handlesAfter) + " handles open after the run";

  std::printf("run result %lu after %llu checks, %llu of them stored; virtual time %.2f days\n",
              static_cast<unsigned long>(dwResult), static_cast<unsigned long long>(soak.Waits()),
              static_cast<unsigned long long>(soak.Stores() - 1),
              static_cast<double>(sim::now_ms()) / 86400000.0);
  std::printf("store at the end: %zu entries, %zu valid; %zu of %zu drives in the cages mapped as"
              " wired\n",
              soak.Rules().EntryCount(), soak.Rules().ValidCount(), MappedAsWired(soak.Rules()),
              sim::rack_truth().size());
  std::printf("store entries (cage slot target channel adapter):");
  const std::vector<uint8_t>& entries = soak.Rules().Entries();
  for (size_t i = 0; i < entries.size(); ++i) std::printf("%s%02x", i % 5 ? "" : " ", entries[i]);
  std::printf("\n");
  std::printf("wall time %.2f s, CPU %.2f s (%.1f us per check); peak RSS %llu KiB\n", wallSeconds,
              cpuSeconds, cpuSeconds / static_cast<double>(nChecks) * 1e6,
              static_cast<unsigned long long>(bench::PeakRssKib()));
  std::printf("%s\n", failure.empty() ? "store rules held after every check; no handle leaked"
                                      : ("FAILED: " + failure).c_str());
  return failure.empty() ? 0 : 1;
}
