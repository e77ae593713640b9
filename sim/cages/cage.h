// A simulated drive cage: a generic IPMI device that also answers the
// cage's own commands (netFn 0x06):
//   0x10 backplane status, 0x1F drive presence (slot 1..8 in the request
//   byte), 0x27 base SCSI address byte (raw), 0x2B clear the activity
//   latch, 0x2D read the activity latch.
// The latch is a register: bit n is set when the drive in slot n does I/O
// and stays set until cleared.
#ifndef SIM_CAGES_CAGE_H
#define SIM_CAGES_CAGE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/controller/ipmi_device.h"

namespace sim {

class Cage : public IpmiDevice {
 public:
  explicit Cage(uint8_t address);

  // The raw byte answered to 0x27; its two low bits are the code.
  void set_base_address_byte(uint8_t raw);
  // Bit n: slot n (0..7) holds a drive.
  void set_occupied_slots(uint8_t mask);
  uint8_t occupied_slots() const;
  void set_backplane_status(uint8_t status);

  uint8_t latch() const;
  void set_latch(uint8_t latch);
  unsigned latch_clears() const;
  unsigned latch_reads() const;

  // The drive in `slot` did I/O: lights its latch bit if a drive is there.
  void drive_io(int slot);
  // Some drive on the bus was read (whichever cage holds it).
  void bus_read();

  // Quirks: a latch that never lights; a slot that lights on every read of
  // any drive on the bus (-1: none).
  void set_latch_never_lights(bool never);
  void set_slot_lit_by_every_bus_read(int slot);

 protected:
  std::optional<std::vector<uint8_t>> answer(const IpmbRequest& request) override;

 private:
  void light(int slot);

  uint8_t base_byte_ = 0x00;
  uint8_t occupied_ = 0x00;
  uint8_t backplane_ = 0x00;
  uint8_t latch_ = 0x00;
  unsigned clears_ = 0;
  unsigned reads_ = 0;
  bool never_lights_ = false;
  int bus_read_slot_ = -1;
};

// Attaches a fresh cage at `address` on the controller's bus.
std::shared_ptr<Cage> attach_cage(uint8_t address);
// The cage at `address`, or null.
std::shared_ptr<Cage> cage_at(uint8_t address);
// Tells every cage on the bus that a drive was read.
void notify_bus_drive_read();

}  // namespace sim

#endif  // SIM_CAGES_CAGE_H
