// The racks the benchmarks run on.
#ifndef BENCH_BENCH_RACKS_H
#define BENCH_BENCH_RACKS_H

#include "sim/rack/rack.h"

namespace bench {

// The built-in rack without its timeline: two cages on two adapters of
// different families, nine drives in the cages, an OS disk and a CD-ROM.
sim::Rack DefaultRackAtRest();

// The largest rack the table can describe: 48 disks. Only two cages exist
// (0x9C, 0x9E) and each wiring table has six distinct target IDs, so the
// cages hold 12 distinct drives (slots 1/2 and 5/6 share an ID; one of each
// pair is filled). The other 36 disks sit outside the cages on six more
// buses, 30 of them at IDs the cages use (probed like the cage drives: 42
// probes) and 6 at IDs no cage slot uses.
sim::Rack FortyEightDiskRack();

}  // namespace bench

#endif  // BENCH_BENCH_RACKS_H
