#include "sim/cages/cage.h"

#include "sim/core/machine.h"

namespace sim {

namespace {

constexpr uint8_t kAppNetFn = 0x06;
constexpr uint8_t kLengthInvalid = 0xC7;
constexpr uint8_t kOutOfRange = 0xC9;

// Cages attached by attach_cage, to reach them all on a bus read.
struct CageSet {
  std::vector<std::weak_ptr<Cage>> cages;
};

}  // namespace

Cage::Cage(uint8_t address) : IpmiDevice(address) {}

void Cage::set_base_address_byte(uint8_t raw) {
  Guard guard(machine_mutex());
  base_byte_ = raw;
}

void Cage::set_occupied_slots(uint8_t mask) {
  Guard guard(machine_mutex());
  occupied_ = mask;
}

uint8_t Cage::occupied_slots() const {
  Guard guard(machine_mutex());
  return occupied_;
}

void Cage::set_backplane_status(uint8_t status) {
  Guard guard(machine_mutex());
  backplane_ = status;
}

uint8_t Cage::latch() const {
  Guard guard(machine_mutex());
  return latch_;
}

void Cage::set_latch(uint8_t latch) {
  Guard guard(machine_mutex());
  latch_ = latch;
}

unsigned Cage::latch_clears() const {
  Guard guard(machine_mutex());
  return clears_;
}

unsigned Cage::latch_reads() const {
  Guard guard(machine_mutex());
  return reads_;
}

void Cage::light(int slot) {
  if (!never_lights_ && slot >= 0 && slot < 8) latch_ |= static_cast<uint8_t>(1u << slot);
}

void Cage::drive_io(int slot) {
  Guard guard(machine_mutex());
  if (slot >= 0 && slot < 8 && (occupied_ & (1u << slot))) light(slot);
}

void Cage::bus_read() {
  Guard guard(machine_mutex());
  light(bus_read_slot_);
}

void Cage::set_latch_never_lights(bool never) {
  Guard guard(machine_mutex());
  never_lights_ = never;
}

void Cage::set_slot_lit_by_every_bus_read(int slot) {
  Guard guard(machine_mutex());
  bus_read_slot_ = slot;
}

std::optional<std::vector<uint8_t>> Cage::answer(const IpmbRequest& request) {
  if (request.net_fn == kAppNetFn) {
    switch (request.command) {
      case 0x10: return std::vector<uint8_t>{0x00, backplane_};
      case 0x1F: {
        if (request.data.size() != 1) return std::vector<uint8_t>{kLengthInvalid};
        int slot = request.data[0];
        if (slot < 1 || slot > 8) return std::vector<uint8_t>{kOutOfRange};
        return std::vector<uint8_t>{0x00, static_cast<uint8_t>((occupied_ >> (slot - 1)) & 1)};
      }
      case 0x27: return std::vector<uint8_t>{0x00, base_byte_};
      case 0x2B:
        latch_ = 0;
        ++clears_;
        return std::vector<uint8_t>{0x00};
      case 0x2D:
        ++reads_;
        return std::vector<uint8_t>{0x00, latch_};
      default: break;
    }
  }
  return IpmiDevice::answer(request);
}

std::shared_ptr<Cage> attach_cage(uint8_t address) {
  Guard guard(machine_mutex());
  auto cage = std::make_shared<Cage>(address);
  attach_i2c_device(address, cage);
  component<CageSet>().cages.push_back(cage);
  return cage;
}

std::shared_ptr<Cage> cage_at(uint8_t address) {
  return std::dynamic_pointer_cast<Cage>(i2c_device_at(address));
}

void notify_bus_drive_read() {
  Guard guard(machine_mutex());
  for (const std::weak_ptr<Cage>& weak : component<CageSet>().cages) {
    std::shared_ptr<Cage> cage = weak.lock();
    if (cage && i2c_device_at(cage->address()) == cage) cage->bus_read();
  }
}

}  // namespace sim
