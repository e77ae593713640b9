// What the benchmark programs measure of their own process: CPU time, the
// resident set now and at its peak.
#ifndef BENCH_PROCESS_STATS_H
#define BENCH_PROCESS_STATS_H

#include <cstdint>

namespace bench {

// CPU seconds the process has used (all threads, user and system).
double ProcessCpuSeconds();
// Wall-clock seconds from an arbitrary fixed point.
double WallSeconds();
// Resident set size now, and the largest it has been, in KiB.
uint64_t CurrentRssKib();
uint64_t PeakRssKib();

}  // namespace bench

#endif  // BENCH_PROCESS_STATS_H
