#include "sim/rack/rack_machine.h"

#include <algorithm>
#include <map>

#include "platform/platform.h"
#include "sim/cages/cage.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/events/event_source.h"
#include "sim/scsi/scsi_host.h"
#include "sim/services/service_manager.h"

namespace sim {

namespace {

struct RackState {
  Rack rack;
  // Which slots hold a drive now, by cage address.
  std::map<uint8_t, uint8_t> occupied;
  int64_t first_store_ms = -1;
};

RackState& state() { return component<RackState>(); }

const RackCage* find_cage(const Rack& rack, uint8_t address) {
  for (const RackCage& cage : rack.cages)
    if (cage.address == address) return &cage;
  return nullptr;
}

DriverModel model_of(const std::string& name) {
  if (name == "ami") return DriverModel::Ami;
  if (name == "mylex") return DriverModel::Mylex;
  if (name == "tarn") return DriverModel::Tarn;
  return DriverModel::Standard;
}

TargetSpec spec_of(DriveKind kind) {
  TargetSpec setup;
  setup.type = kind == DriveKind::CdRom     ? DeviceType::CdRom
              : kind == DriveKind::Scanner ? DeviceType::Scanner
                                           : DeviceType::Disk;
  return setup;
}

// A disk was read: the cages cabled to its bus see it; the one whose
// occupied slot is wired to that target lights the slot.
void on_disk_read(int port, int bus, int target) {
  std::vector<std::pair<std::shared_ptr<Cage>, int>> lit;
  std::vector<std::shared_ptr<Cage>> on_bus;
  {
    Guard guard(machine_mutex());
    RackState& rack = state();
    for (const RackCage& cage : rack.rack.cages) {
      if (cage.port != port || cage.bus != bus) continue;
      std::shared_ptr<Cage> device = cage_at(cage.address);
      if (!device) continue;
      on_bus.push_back(device);
      const uint8_t occupied = rack.occupied[cage.address];
      for (int slot = 0; slot < 8; ++slot) {
        if ((occupied & (1u << slot)) && slot_target(cage.base_address_byte, slot) == target)
          lit.emplace_back(device, slot);
      }
    }
    for (auto& device : on_bus) device->bus_read();
    for (auto& entry : lit) entry.first->drive_io(entry.second);
  }
}

void set_slot(uint8_t address, int slot, bool occupied) {
  Guard guard(machine_mutex());
  uint8_t& mask = state().occupied[address];
  if (occupied)
    mask = static_cast<uint8_t>(mask | (1u << slot));
  else
    mask = static_cast<uint8_t>(mask & ~(1u << slot));
  if (std::shared_ptr<Cage> device = cage_at(address)) device->set_occupied_slots(mask);
}

void schedule(const Rack& rack, const RackStep& step, std::function<void()> on_end) {
  switch (step.kind) {
    case RackStep::Kind::Insert: {
      const RackCage& cage = *find_cage(rack, step.cage);
      const int target = slot_target(cage.base_address_byte, step.slot);
      const uint8_t address = step.cage;
      const int slot = step.slot;
      at(step.at_ms, [address, slot] { set_slot(address, slot, true); }, "insert");
      at(step.at_ms + step.visible_after_ms,
         [cage, target] { scsi().add_target(cage.port, cage.bus, target); }, "visible");
      const int index = cage_index(rack, address);
      if (step.event_after_ms && index >= 0)
        at(step.at_ms + *step.event_after_ms,
           [index, slot] { event_source().log_insertion(index, slot); }, "event");
      break;
    }
    case RackStep::Kind::Remove: {
      const RackCage& cage = *find_cage(rack, step.cage);
      const int target = slot_target(cage.base_address_byte, step.slot);
      const uint8_t address = step.cage;
      const int slot = step.slot;
      at(step.at_ms,
         [cage, address, slot, target] {
           set_slot(address, slot, false);
           scsi().remove_target(cage.port, cage.bus, target);
         },
         "remove");
      break;
    }
    case RackStep::Kind::Event: {
      const uint8_t code = step.code;
      at(step.at_ms, [code] { event_source().log_insertion_code(code); }, "event");
      break;
    }
    case RackStep::Kind::Stop:
      scm().control_at(step.at_ms, "SlotWarden", SERVICE_CONTROL_STOP);
      break;
    case RackStep::Kind::End:
      if (on_end) at(step.at_ms, on_end, "end");
      break;
  }
}

}  // namespace

void install_rack(const Rack& rack, std::function<void()> on_end) {
  {
    Guard guard(machine_mutex());
    state().rack = rack;
  }
  for (const RackPort& port : rack.ports) scsi().add_port(model_of(port.model), port.buses, port.driver);

  for (const RackCage& cage : rack.cages) {
    if (!cage.answering) continue;  // nothing acknowledges at its address
    std::shared_ptr<Cage> device = attach_cage(cage.address);
    device->set_base_address_byte(cage.base_address_byte);
    device->set_backplane_status(cage.backplane_status);
    device->set_latch_never_lights(cage.latch_never_lights);
    if (!cage.lights_on_any_read.empty())
      device->set_slot_lit_by_every_bus_read(cage.lights_on_any_read.front());
    if (cage.stops_answering_after) device->stop_answering_after(*cage.stops_answering_after);
  }

  for (const RackDrive& drive : rack.drives) {
    if (drive.cage) {
      const RackCage& cage = *find_cage(rack, *drive.cage);
      set_slot(cage.address, drive.slot, true);
      scsi().add_target(cage.port, cage.bus, slot_target(cage.base_address_byte, drive.slot));
    } else {
      scsi().add_target(drive.port, drive.bus, drive.target, spec_of(drive.kind));
    }
  }

  scsi().set_read_observer(on_disk_read);

  // The public store's first write marks the end of the first mapping pass.
  set_fault_hook([](const std::string& api, uint64_t) -> std::optional<DWORD> {
    if (api == "RegCreateKeyExA") {
      Guard guard(machine_mutex());
      if (state().first_store_ms < 0) state().first_store_ms = static_cast<int64_t>(now_ms());
    }
    return std::nullopt;
  });

  for (const RackStep& step : rack.timeline) schedule(rack, step, on_end);
}

const Rack& installed_rack() {
  Guard guard(machine_mutex());
  return state().rack;
}

std::vector<SlotTruth> rack_truth() {
  Guard guard(machine_mutex());
  RackState& rack = state();
  std::vector<SlotTruth> truth;
  for (const RackCage& cage : rack.rack.cages) {
    const uint8_t occupied = rack.occupied[cage.address];
    for (int slot = 0; slot < 8; ++slot) {
      if (occupied & (1u << slot))
        truth.push_back(SlotTruth{cage.address, slot, slot_target(cage.base_address_byte, slot),
                                  cage.bus, cage.port});
    }
  }
  return truth;
}

int64_t first_store_ms() {
  Guard guard(machine_mutex());
  return state().first_store_ms;
}

}  // namespace sim
