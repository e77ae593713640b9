#include "bench/process_stats.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace bench {

namespace {

double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

double ProcessCpuSeconds() { return Seconds(CLOCK_PROCESS_CPUTIME_ID); }

double WallSeconds() { return Seconds(CLOCK_MONOTONIC); }

uint64_t CurrentRssKib() {
  // The second field of statm is the resident size in pages.
  FILE* file = std::fopen("/proc/self/statm", "r");
  if (!file) return 0;
  unsigned long long size = 0, resident = 0;
  const int read = std::fscanf(file, "%llu %llu", &size, &resident);
  std::fclose(file);
  if (read != 2) return 0;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) / 1024;
}

uint64_t PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss);  // KiB on Linux
}

}  // namespace bench
