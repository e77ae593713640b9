// A seeded random month for a rack: drive insertions and removals (some
// drives visible late, some insertions never logged), stray event codes,
// and bus faults on the management bus and the SCSI devices, spread over
// the run's virtual time.
#ifndef BENCH_SOAK_PLAN_H
#define BENCH_SOAK_PLAN_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/rack/rack.h"

namespace bench {

// A fault armed at a virtual time: the next `times` calls of `api` fail.
struct PlannedFault {
  uint64_t at_ms = 0;
  std::string api;
  DWORD error = 0;
  unsigned times = 1;
};

// A disk outside the cages that appears (or goes) at a virtual time.
struct PlannedDiskChange {
  uint64_t at_ms = 0;
  int port = 0, bus = 0, target = 0;
  bool appears = true;
};

struct SoakPlan {
  sim::Rack rack;  // the given rack with the timeline of the run
  std::vector<PlannedFault> faults;
  std::vector<PlannedDiskChange> outside_disks;
  unsigned insertions = 0, removals = 0, unlogged = 0, stray_events = 0;
};

// Plans `horizon_ms` of virtual time after the first `quiet_ms` (the first
// mapping pass runs undisturbed). Outside disks come and go on port 0's
// first bus at the target IDs 0-3, 8 and 9 (slot IDs of base-address codes
// 2 and 3, free on a bus whose cage has code 0), so that a rescan may find
// an insertion's target ID new on another cage's bus first.
SoakPlan PlanSoak(const sim::Rack& rack, uint64_t quiet_ms, uint64_t horizon_ms, uint64_t seed);

// Schedules the plan's faults and outside-disk changes on the virtual clock
// of the current machine.
void ArmPlan(const SoakPlan& plan);

}  // namespace bench

#endif  // BENCH_SOAK_PLAN_H
