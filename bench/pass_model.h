// The number of management-bus exchanges a full mapping pass must make on a
// rack, worked out from the rack's wiring by the probing rules, to set
// beside the count the simulated bus records:
//
//   discovery  2 per answering cage address (backplane status, device ID)
//   roster     16 per cage (8 base-address queries, 8 presence queries)
//   cycles     per probed target, the cycles its probe runs, each costing
//              1 latch clear + 9 latch-read exchanges per cage
//   lookups    per probed target, one base-address query per candidate slot
//              left when its cycles stop
//
// Exact for racks whose cages have no latch quirks and answer throughout.
#ifndef BENCH_PASS_MODEL_H
#define BENCH_PASS_MODEL_H

#include <cstdint>

#include "sim/rack/rack.h"

namespace bench {

struct PassModel {
  uint64_t discovery = 0;
  uint64_t roster = 0;
  uint64_t cages = 0;
  uint64_t probed_targets = 0;
  uint64_t cycles = 0;  // over all probed targets
  uint64_t lookups = 0;
  bool exact = true;  // false: the rack has quirks the model leaves out

  uint64_t CycleExchanges() const { return cycles * cages * 10; }
  uint64_t Total() const { return discovery + roster + CycleExchanges() + lookups; }
};

PassModel ModelFullPass(const sim::Rack& rack);

}  // namespace bench

#endif  // BENCH_PASS_MODEL_H
