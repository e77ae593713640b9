// Inside the simulated SCSI host: the SCSI targets themselves (what a disk,
// CD-ROM or scanner answers to a CDB) and byte helpers for the drivers.
#ifndef SIM_SCSI_SCSI_TARGET_H
#define SIM_SCSI_SCSI_TARGET_H

#include <array>
#include <cstdint>

#include "sim/scsi/scsi_host.h"

namespace sim::scsi_detail {

inline uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
// The low 32 bits of an address, as a driver of a 32-bit system sees it.
inline uint32_t low32(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

const uint8_t SCSI_GOOD = 0x00;
const uint8_t SCSI_CHECK_CONDITION = 0x02;

struct TargetReply {
  uint8_t status = SCSI_GOOD;
  uint32_t moved = 0;                // data bytes moved
  uint32_t wanted = 0;               // bytes the target would have moved
  std::array<uint8_t, 18> sense{};  // fixed-format sense data when checked
};

// The target answering at (port, bus, target, lun) now; null when none.
const TargetSpec* find_target(ScsiHost& host, int port, int bus, int target, int lun);

// Runs one CDB on a target. `data` holds `capacity` bytes: the data read
// into it (data_in) or the data written from it. Notes READs of disks.
// Called with the machine lock held.
TargetReply run_command(ScsiHost& host, int port, int bus, int target, const TargetSpec& setup,
                        const uint8_t* cdb, int cdb_length, bool data_in, uint8_t* data,
                        uint32_t capacity);

}  // namespace sim::scsi_detail

#endif  // SIM_SCSI_SCSI_TARGET_H
