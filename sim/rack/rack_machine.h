// Puts a rack into the simulated machine: SCSI ports and drives, cages on
// the management bus, drive reads wired to the latches of the cage slots
// that hold the drives, and the rack's timeline on the virtual clock.
#ifndef SIM_RACK_RACK_MACHINE_H
#define SIM_RACK_RACK_MACHINE_H

#include <functional>
#include <string>
#include <vector>

#include "sim/rack/rack.h"

namespace sim {

// A drive in a cage slot and where it answers.
struct SlotTruth {
  uint8_t cage;
  int slot;
  int target, channel, adapter;  // SCSI target ID, bus, port
};

// Builds the rack on the current (fresh) machine. `on_end` runs when the
// timeline reaches its end step.
void install_rack(const Rack& rack, std::function<void()> on_end = {});

// The rack installed last.
const Rack& installed_rack();

// Every drive in a cage slot as the rack wires it now, by cage and slot.
std::vector<SlotTruth> rack_truth();

// Virtual time of the first write of the public store, or -1.
int64_t first_store_ms();

}  // namespace sim

#endif  // SIM_RACK_RACK_MACHINE_H
