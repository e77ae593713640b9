// A simulated rack server: its drive cages on the management bus, its SCSI
// ports, the drives in cage slots and outside them, how each cage is cabled
// to a SCSI bus, and a timeline of what happens in virtual time. Racks are
// read from a JSON rack file (docs/rack-file.md) or taken from the built-in
// default rack.
//
// The rack knows the ground truth: which slot holds which drive at which
// SCSI location.
#ifndef SIM_RACK_RACK_H
#define SIM_RACK_RACK_H

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

struct RackCage {
  uint8_t address = 0x9C;           // 8-bit I2C address
  uint8_t base_address_byte = 0x02;  // the raw byte the cage returns
  bool answering = true;
  uint8_t backplane_status = 0x00;
  int port = 0;  // the SCSI port and bus the cage's backplane is cabled to
  int bus = 0;
  // Latch quirks.
  bool latch_never_lights = false;
  std::vector<int> lights_on_any_read;  // slots lit by every read on the bus
  std::optional<unsigned> stops_answering_after;  // exchanges
};

struct RackPort {
  std::string model = "standard";  // "standard", "ami", "mylex", "tarn"
  std::string driver;              // "Driver" value; empty: the model's usual
  int buses = 1;
};

enum class DriveKind { Disk, CdRom, Scanner };

struct RackDrive {
  // In a cage slot: the cage's address and the slot; the SCSI location
  // follows from the cage's cabling and slot geometry.
  std::optional<uint8_t> cage;
  int slot = -1;
  // Outside the cages: where it answers.
  int port = -1, bus = -1, target = -1;
  DriveKind kind = DriveKind::Disk;
};

struct RackStep {
  enum class Kind { Insert, Remove, Event, Stop, End };
  Kind kind = Kind::End;
  uint64_t at_ms = 0;
  // Insert / Remove: the slot.
  uint8_t cage = 0;
  int slot = -1;
  // Insert: when the drive answers on its bus, and when (and whether) the
  // insertion is logged, both after at_ms.
  uint64_t visible_after_ms = 0;
  std::optional<uint64_t> event_after_ms = 0;
  // Event: a raw insertion code.
  uint8_t code = 0;
};

struct Rack {
  std::string name;
  std::vector<RackCage> cages;
  std::vector<RackPort> ports;
  std::vector<RackDrive> drives;
  std::vector<RackStep> timeline;
};

// A rack file that cannot be used; what() says where and why.
class RackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Rack parse_rack(const std::string& json_text);
Rack load_rack_file(const std::string& path);
const std::string& default_rack_json();
Rack default_rack();

// The target ID a drive in `slot` answers at, by the cage's slot wiring for
// the base-address byte it reports (its two low bits select the wiring).
int slot_target(uint8_t base_address_byte, int slot);

// The cage's index in the order the management firmware numbers cages:
// its position among the answering cages at 0x9C, 0x9E.
int cage_index(const Rack& rack, uint8_t address);

}  // namespace sim

#endif  // SIM_RACK_RACK_H
