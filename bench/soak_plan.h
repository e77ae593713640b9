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

struct SoakPlan {
  sim::Rack rack;  // the given rack with the timeline of the run
  std::vector<PlannedFault> faults;
  unsigned insertions = 0, removals = 0, unlogged = 0, stray_events = 0;
};

// Plans `horizon_ms` of virtual time after the first `quiet_ms` (the first
// mapping pass runs undisturbed).
SoakPlan PlanSoak(const sim::Rack& rack, uint64_t quiet_ms, uint64_t horizon_ms, uint64_t seed);

// Schedules the plan's faults on the virtual clock of the current machine.
void ArmFaults(const std::vector<PlannedFault>& faults);

}  // namespace bench

#endif  // BENCH_SOAK_PLAN_H
