#include "bench/bench_racks.h"

namespace bench {

sim::Rack DefaultRackAtRest() {
  sim::Rack rack = sim::default_rack();
  rack.timeline.clear();
  return rack;
}

sim::Rack FortyEightDiskRack() {
  sim::Rack rack;
  rack.name = "48 disks";
  // Ports 0-1 carry the cages on bus 0; every other bus holds outside disks.
  rack.ports = {{"ami", "mraidnt", 2}, {"mylex", "dac960nt", 2}, {"tarn", "tarnscsi", 2},
                {"standard", "aic78xx", 2}};
  sim::RackCage first;
  first.address = 0x9C;
  first.base_address_byte = 0x02;  // IDs 1 2 2 3 4 8 8 9
  first.port = 0;
  first.bus = 0;
  sim::RackCage second;
  second.address = 0x9E;
  second.base_address_byte = 0x03;  // IDs 0 1 1 2 3 8 8 9
  second.port = 1;
  second.bus = 0;
  rack.cages = {first, second};

  // Six outside disks on each of the six buses no cage hangs on: on five
  // of them at IDs that occupied cage slots also use (so they are probed),
  // on the last at IDs no cage slot uses (no latch traffic). The standard
  // port's disks come first: their class devices then get the lowest
  // PhysicalDrive numbers, which the location cache probes (the first 24).
  const int kSharedTargets[] = {0, 1, 2, 3, 8, 9};
  const int kFreeTargets[] = {5, 6, 10, 11, 12, 13};
  const int kOutsideBuses[][2] = {{3, 0}, {3, 1}, {0, 1}, {1, 1}, {2, 0}, {2, 1}};
  for (const auto& bus : kOutsideBuses) {
    const bool last = &bus == &kOutsideBuses[5];
    for (int target : last ? kFreeTargets : kSharedTargets) {
      sim::RackDrive drive;
      drive.port = bus[0];
      drive.bus = bus[1];
      drive.target = target;
      rack.drives.push_back(drive);
    }
  }
  const int kFilledSlots[] = {0, 1, 3, 4, 5, 7};
  for (const sim::RackCage& cage : rack.cages) {
    for (int slot : kFilledSlots) {
      sim::RackDrive drive;
      drive.cage = cage.address;
      drive.slot = slot;
      rack.drives.push_back(drive);
    }
  }
  return rack;
}

}  // namespace bench
