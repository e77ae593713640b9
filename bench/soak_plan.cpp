#include "bench/soak_plan.h"

#include <map>
#include <random>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/scsi/scsi_host.h"

namespace bench {

namespace {

const uint64_t kMinute = 60000;
// Statuses of the simulated controller (QBXAPI).
const DWORD kQbxAddressNotAcked = 0x0005;
const DWORD kQbxDriverFailure = 0x0100;

class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  // Uniform in [low, high].
  uint64_t Between(uint64_t low, uint64_t high) { return low + engine_() % (high - low + 1); }
  bool Chance(unsigned percent) { return engine_() % 100 < percent; }

 private:
  std::mt19937_64 engine_;
};

// The slot sharing a target ID with `slot` (1/2 and 5/6), or -1.
int TwinSlot(int slot) {
  switch (slot) {
    case 1: return 2;
    case 2: return 1;
    case 5: return 6;
    case 6: return 5;
    default: return -1;
  }
}

void PlanDriveChanges(SoakPlan* plan, uint64_t start_ms, uint64_t end_ms, Random* random) {
  std::map<uint8_t, uint8_t> occupied;
  for (const sim::RackDrive& drive : plan->rack.drives)
    if (drive.cage) occupied[*drive.cage] |= static_cast<uint8_t>(1u << drive.slot);

  for (uint64_t t = start_ms + random->Between(10, 80) * kMinute; t < end_ms;
       t += random->Between(10, 80) * kMinute) {
    sim::RackStep step;
    step.at_ms = t;
    if (random->Chance(3)) {
      // A record with any code: cages the roster lacks, slot nibbles 0 or 9+.
      step.kind = sim::RackStep::Kind::Event;
      step.code = static_cast<uint8_t>(random->Between(0, 255));
      plan->rack.timeline.push_back(step);
      ++plan->stray_events;
      continue;
    }
    const sim::RackCage& cage = plan->rack.cages[random->Between(0, plan->rack.cages.size() - 1)];
    const int slot = static_cast<int>(random->Between(0, 7));
    uint8_t& slots = occupied[cage.address];
    step.cage = cage.address;
    step.slot = slot;
    if (slots & (1u << slot)) {
      step.kind = sim::RackStep::Kind::Remove;
      slots = static_cast<uint8_t>(slots & ~(1u << slot));
      ++plan->removals;
    } else {
      const int twin = TwinSlot(slot);
      if (twin >= 0 && (slots & (1u << twin))) continue;  // one drive per SCSI location
      step.kind = sim::RackStep::Kind::Insert;
      step.visible_after_ms = random->Between(0, 3 * kMinute);  // some after the next check
      if (random->Chance(10)) {
        step.event_after_ms.reset();
        ++plan->unlogged;
      } else {
        step.event_after_ms = random->Between(0, 5000);
      }
      slots = static_cast<uint8_t>(slots | (1u << slot));
      ++plan->insertions;
    }
    plan->rack.timeline.push_back(step);
  }
}

void PlanFaults(SoakPlan* plan, uint64_t start_ms, uint64_t end_ms, Random* random) {
  for (uint64_t t = start_ms + random->Between(30, 210) * kMinute; t < end_ms;
       t += random->Between(30, 210) * kMinute) {
    PlannedFault fault;
    fault.at_ms = t;
    switch (random->Between(0, 2)) {
      case 0:  // a cage stops acknowledging for a few writes
        fault.api = "QBX_MasterWriteI2C";
        fault.error = kQbxAddressNotAcked;
        fault.times = static_cast<unsigned>(random->Between(1, 4));
        break;
      case 1:  // the controller driver fails while polling
        fault.api = "QBX_IsSMSDataAvailable";
        fault.error = kQbxDriverFailure;
        fault.times = static_cast<unsigned>(random->Between(1, 2));
        break;
      default:  // a SCSI request fails at the device
        fault.api = "DeviceIoControl";
        fault.error = ERROR_IO_DEVICE;
        fault.times = static_cast<unsigned>(random->Between(1, 3));
        break;
    }
    plan->faults.push_back(fault);
  }
}

void PlanOutsideDisks(SoakPlan* plan, uint64_t start_ms, uint64_t end_ms, Random* random) {
  const int kTargets[] = {0, 1, 2, 3, 8, 9};
  std::map<int, bool> present;
  for (uint64_t t = start_ms + random->Between(20, 120) * kMinute; t < end_ms;
       t += random->Between(20, 120) * kMinute) {
    PlannedDiskChange change;
    change.at_ms = t;
    change.port = 0;
    change.target = kTargets[random->Between(0, 5)];
    change.appears = !present[change.target];
    present[change.target] = change.appears;
    plan->outside_disks.push_back(change);
  }
}

}  // namespace

SoakPlan PlanSoak(const sim::Rack& rack, uint64_t quiet_ms, uint64_t horizon_ms, uint64_t seed) {
  SoakPlan plan;
  plan.rack = rack;
  plan.rack.timeline.clear();
  Random random(seed);
  PlanDriveChanges(&plan, quiet_ms, horizon_ms, &random);
  PlanFaults(&plan, quiet_ms, horizon_ms, &random);
  PlanOutsideDisks(&plan, quiet_ms, horizon_ms, &random);
  return plan;
}

void ArmPlan(const SoakPlan& plan) {
  for (const PlannedFault& fault : plan.faults) {
    sim::at(
        fault.at_ms, [fault] { sim::fail_call(fault.api, fault.error, 1, fault.times); },
        "fault");
  }
  for (const PlannedDiskChange& change : plan.outside_disks) {
    sim::at(
        change.at_ms,
        [change] {
          if (change.appears)
            sim::scsi().add_target(change.port, change.bus, change.target);
          else
            sim::scsi().remove_target(change.port, change.bus, change.target);
        },
        "outside disk");
  }
}

}  // namespace bench
