#include "bench/pass_model.h"

#include <bitset>
#include <vector>

namespace bench {

namespace {

const uint8_t kCageAddresses[] = {0x9C, 0x9E};
const int kMaxCycles = 25, kMinCycles = 3, kMaxEmptyCycles = 4;

const sim::RackCage* CageAt(const sim::Rack& rack, uint8_t address) {
  for (const sim::RackCage& cage : rack.cages)
    if (cage.address == address) return &cage;
  return nullptr;
}

// Slots of `cage` that hold a drive at the start.
uint8_t OccupiedSlots(const sim::Rack& rack, const sim::RackCage& cage) {
  uint8_t slots = 0;
  for (const sim::RackDrive& drive : rack.drives)
    if (drive.cage && *drive.cage == cage.address) slots |= static_cast<uint8_t>(1u << drive.slot);
  return slots;
}

bool DiskAnswers(const sim::Rack& rack, int port, int bus, int target) {
  for (const sim::RackDrive& drive : rack.drives) {
    if (drive.cage) {
      const sim::RackCage* cage = CageAt(rack, *drive.cage);
      if (cage && cage->port == port && cage->bus == bus &&
          sim::slot_target(cage->base_address_byte, drive.slot) == target)
        return true;
    } else if (drive.kind == sim::DriveKind::Disk && drive.port == port && drive.bus == bus &&
               drive.target == target) {
      return true;
    }
  }
  return false;
}

// Cycles one probe runs when each cage lights `lit[k]` at every read, and
// the candidate slots left at the end.
int RunCycles(const std::vector<uint8_t>& lit, std::vector<uint8_t>* candidates) {
  candidates->assign(lit.size(), 0xFF);
  int total = 0, cycles = 0, empty = 0;
  while (!(total == 1 && cycles >= kMinCycles) && cycles != kMaxCycles) {
    total = 0;
    for (size_t k = 0; k < lit.size(); ++k) {
      if (lit[k]) (*candidates)[k] &= lit[k];
      total += static_cast<int>(std::bitset<8>((*candidates)[k]).count());
    }
    if (total == 0 && ++empty == kMaxEmptyCycles) return cycles + 1;
    ++cycles;
  }
  return cycles;
}

}  // namespace

PassModel ModelFullPass(const sim::Rack& rack) {
  PassModel model;
  // The cages found are the answering prefix of the address table.
  std::vector<const sim::RackCage*> roster;
  for (uint8_t address : kCageAddresses) {
    const sim::RackCage* cage = CageAt(rack, address);
    if (!cage || !cage->answering) {
      model.exact = false;  // what a failed probe costs depends on its retries
      break;
    }
    model.discovery += 2;
    roster.push_back(cage);
  }
  model.cages = roster.size();
  model.roster = 16 * roster.size();

  uint16_t present_mask = 0;
  std::vector<uint8_t> occupied;
  for (const sim::RackCage* cage : roster) {
    if (cage->latch_never_lights || !cage->lights_on_any_read.empty() ||
        cage->stops_answering_after)
      model.exact = false;
    occupied.push_back(OccupiedSlots(rack, *cage));
    for (int slot = 0; slot < 8; ++slot)
      if (occupied.back() & (1u << slot))
        present_mask |= static_cast<uint16_t>(1u << sim::slot_target(cage->base_address_byte, slot));
  }

  for (int port = 0; port < static_cast<int>(rack.ports.size()); ++port) {
    const int initiator = rack.ports[port].model == "mylex" ? -1 : 7;
    for (int bus = 0; bus < rack.ports[port].buses; ++bus) {
      for (int target = 0; target < 16; ++target) {
        if (target == initiator || !DiskAnswers(rack, port, bus, target)) continue;
        if (!(present_mask & (1u << target))) continue;  // no latch traffic
        std::vector<uint8_t> lit(roster.size(), 0);
        for (size_t k = 0; k < roster.size(); ++k) {
          if (roster[k]->port != port || roster[k]->bus != bus) continue;
          for (int slot = 0; slot < 8; ++slot)
            if ((occupied[k] & (1u << slot)) &&
                sim::slot_target(roster[k]->base_address_byte, slot) == target)
              lit[k] |= static_cast<uint8_t>(1u << slot);
        }
        std::vector<uint8_t> candidates;
        ++model.probed_targets;
        model.cycles += static_cast<uint64_t>(RunCycles(lit, &candidates));
        for (uint8_t bits : candidates) model.lookups += std::bitset<8>(bits).count();
      }
    }
  }
  return model;
}

}  // namespace bench
