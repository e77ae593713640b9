// The built-in rack, used when no rack file is named.
#include "sim/rack/rack.h"

namespace sim {

const std::string& default_rack_json() {
  static const std::string text = R"json({
  "name": "default",
  "description": "Two cages on two adapters of different families, an OS disk and a CD-ROM on a standard SCSI port, one drive inserted after start.",
  "cages": [
    {"address": "0x9C", "base_address_byte": "0x04", "cabled_to": {"port": 0, "bus": 0}},
    {"address": "0x9E", "base_address_byte": "0xFF", "cabled_to": {"port": 1, "bus": 0}}
  ],
  "ports": [
    {"model": "ami", "driver": "mraidnt", "buses": 1},
    {"model": "tarn", "driver": "tarnscsi", "buses": 1},
    {"model": "standard", "driver": "aic78xx", "buses": 1}
  ],
  "drives": [
    {"cage": "0x9C", "slot": 0}, {"cage": "0x9C", "slot": 1}, {"cage": "0x9C", "slot": 3},
    {"cage": "0x9C", "slot": 4}, {"cage": "0x9C", "slot": 7},
    {"cage": "0x9E", "slot": 0}, {"cage": "0x9E", "slot": 2}, {"cage": "0x9E", "slot": 3},
    {"cage": "0x9E", "slot": 7},
    {"port": 2, "bus": 0, "target": 6, "kind": "disk"},
    {"port": 2, "bus": 0, "target": 5, "kind": "cdrom"}
  ],
  "timeline": [
    {"at_ms": 300000, "insert": {"cage": "0x9E", "slot": 4}, "visible_after_ms": 2000, "event_after_ms": 1000},
    {"at_ms": 480000, "end": true}
  ]
})json";
  return text;
}

}  // namespace sim
