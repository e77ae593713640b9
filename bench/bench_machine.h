// A fresh start for one benchmark run: a new simulated machine with the
// rack installed, and the mapping service's process-wide objects as a new
// process would have them (the machine reset does not reach them).
#ifndef BENCH_BENCH_MACHINE_H
#define BENCH_BENCH_MACHINE_H

#include "sim/rack/rack.h"

namespace bench {

void StartMachine(const sim::Rack& rack);

}  // namespace bench

#endif  // BENCH_BENCH_MACHINE_H
