// The cost of a full mapping pass (cage discovery, roster, adapter table and
// the probing of every present target), on the default rack and on the
// 48-disk rack: management-bus exchanges beside the count the probing rules
// require, virtual bus time, host CPU time per pass and per exchange
// (simulator included), and the process's peak resident set.
//
//   bench_mapping_pass [--passes=N] [--rack=default|48]
//
// Without --rack each rack runs in a child process of its own, so its peak
// RSS is its own.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_machine.h"
#include "bench/bench_racks.h"
#include "bench/pass_model.h"
#include "bench/process_stats.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/clock.h"
#include "sim/core/records.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/mapping_pass.h"
#include "slotwarden/mapping/mapping_table.h"

namespace {

const double kGoalMicrosPerExchange = 20.0;
const uint64_t kGoalPeakRssKib = 4096;

// What the run loop does before its first wait, without the stop event.
DWORD RunFullPass() {
  CCageRoster roster;
  DWORD dwResult = BuildAdapterTable();
  if (dwResult == 0) dwResult = RunMappingPass(roster);
  FreeAdapterTable();
  return dwResult;
}

int BenchRack(const sim::Rack& rack, int nPasses) {
  const uint64_t baseline_kib = bench::CurrentRssKib();
  const bench::PassModel model = bench::ModelFullPass(rack);

  size_t exchanges = 0;
  uint64_t virtual_ms = 0;
  sim::BusTotals bus;
  DWORD dwResult = 0;
  DWORD nEntries = 0;
  double cpu = 0;
  for (int pass = 0; pass < nPasses; ++pass) {
    bench::StartMachine(rack);
    sim::keep_records(false);  // counted, not kept: memory stays the system's
    const double start = bench::ProcessCpuSeconds();
    dwResult = RunFullPass();
    cpu += bench::ProcessCpuSeconds() - start;
    if (pass == 0) {
      bus = sim::bus_totals();
      exchanges = static_cast<size_t>(bus.exchanges);
      virtual_ms = sim::now_ms();
      nEntries = g_MappingTable.GetCount();
    }
  }
  const double cpu_per_pass_ms = cpu / nPasses * 1e3;
  const double cpu_per_exchange_us = cpu / nPasses / static_cast<double>(exchanges) * 1e6;
  const uint64_t peak_kib = bench::PeakRssKib();

  std::printf("rack \"%s\": %zu cages, %zu ports, %zu drives; pass result %lu, %lu entries\n",
              rack.name.c_str(), rack.cages.size(), rack.ports.size(), rack.drives.size(),
              static_cast<unsigned long>(dwResult), static_cast<unsigned long>(nEntries));
  std::printf("  exchanges per full pass   %zu\n", exchanges);
  std::printf("  by the probing rules      %llu = %llu discovery + %llu roster + %llu cycles"
              " x %llu cages x 10 (%llu targets probed) + %llu slot lookups%s\n",
              static_cast<unsigned long long>(model.Total()),
              static_cast<unsigned long long>(model.discovery),
              static_cast<unsigned long long>(model.roster),
              static_cast<unsigned long long>(model.cycles),
              static_cast<unsigned long long>(model.cages),
              static_cast<unsigned long long>(model.probed_targets),
              static_cast<unsigned long long>(model.lookups),
              !model.exact                    ? "  (rack has quirks: not exact)"
              : model.Total() == exchanges    ? "  (equal)"
                                              : "  (DIFFERENT)");
  std::printf("  virtual bus time          %.2f s busy + %.2f s pauses; pass ends at %.2f s\n",
              static_cast<double>(bus.busy_ms) / 1e3, static_cast<double>(bus.pause_ms) / 1e3,
              static_cast<double>(virtual_ms) / 1e3);
  std::printf("  host CPU per pass         %.3f ms (mean of %d)\n", cpu_per_pass_ms, nPasses);
  std::printf("  host CPU per exchange     %.2f us (goal < %.0f us)%s\n", cpu_per_exchange_us,
              kGoalMicrosPerExchange, cpu_per_exchange_us < kGoalMicrosPerExchange ? "" : "  MISSED");
  std::printf("  peak RSS                  %llu KiB (goal < %llu KiB)%s; %llu KiB before the first"
              " pass\n",
              static_cast<unsigned long long>(peak_kib),
              static_cast<unsigned long long>(kGoalPeakRssKib),
              peak_kib < kGoalPeakRssKib ? "" : "  MISSED",
              static_cast<unsigned long long>(baseline_kib));
  std::fflush(stdout);
  return model.exact && model.Total() != exchanges ? 1 : 0;
}

// Runs one rack in a child process; its exit status.
int InChild(const sim::Rack& rack, int nPasses) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child < 0) return BenchRack(rack, nPasses);
  if (child == 0) _exit(BenchRack(rack, nPasses));
  int status = 0;
  if (waitpid(child, &status, 0) != child) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  int nPasses = 20;
  std::string rack = "all";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--passes=", 9) == 0 && std::atoi(argv[i] + 9) > 0) {
      nPasses = std::atoi(argv[i] + 9);
    } else if (std::strcmp(argv[i], "--rack=default") == 0 || std::strcmp(argv[i], "--rack=48") == 0) {
      rack = argv[i] + 7;
    } else {
      std::fprintf(stderr, "usage: %s [--passes=N] [--rack=default|48]\n", argv[0]);
      return 2;
    }
  }
  // One rack alone runs in this process (for profilers); both run in children.
  if (rack == "default") return BenchRack(bench::DefaultRackAtRest(), nPasses);
  if (rack == "48") return BenchRack(bench::FortyEightDiskRack(), nPasses);
  int failures = 0;
  failures += InChild(bench::DefaultRackAtRest(), nPasses);
  failures += InChild(bench::FortyEightDiskRack(), nPasses);
  return failures == 0 ? 0 : 1;
}
