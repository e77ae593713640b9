#include "sim/scsi/scsi_target.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sim/core/clock.h"

namespace sim::scsi_detail {

namespace {

const uint32_t kBlockSize = 512;
const uint32_t kDiskBlocks = 0x00100000;  // 512 MiB

const uint8_t kSenseIllegalRequest = 0x05;
const uint8_t kAscInvalidOpcode = 0x20;
const uint8_t kAscLbaOutOfRange = 0x21;
const uint8_t kAscInvalidFieldInCdb = 0x24;

TargetReply check_condition(uint8_t key, uint8_t asc) {
  TargetReply reply;
  reply.status = SCSI_CHECK_CONDITION;
  reply.sense[0] = 0x70;  // current error, fixed format
  reply.sense[2] = key;
  reply.sense[7] = 10;  // additional sense length
  reply.sense[12] = asc;
  return reply;
}

// Sends `source` to the initiator: as much as the data area holds.
TargetReply send_data(const std::vector<uint8_t>& source, bool data_in, uint8_t* data,
                      uint32_t capacity) {
  if (!data_in) return check_condition(kSenseIllegalRequest, kAscInvalidFieldInCdb);
  TargetReply reply;
  reply.wanted = static_cast<uint32_t>(source.size());
  reply.moved = std::min(reply.wanted, capacity);
  if (reply.moved) std::memcpy(data, source.data(), reply.moved);
  return reply;
}

std::vector<uint8_t> inquiry_data(const TargetSpec& setup, uint32_t allocation) {
  std::vector<uint8_t> d(36, ' ');
  d[0] = static_cast<uint8_t>(setup.qualifier << 5 | static_cast<uint8_t>(setup.type));
  d[1] = setup.type == DeviceType::CdRom ? 0x80 : 0x00;  // removable medium
  d[2] = 0x02;  // SCSI-2
  d[3] = 0x02;  // response data format
  d[4] = 31;    // additional length
  d[5] = d[6] = d[7] = 0;
  const char* product = setup.type == DeviceType::Disk      ? "SIMDISK"
                        : setup.type == DeviceType::CdRom   ? "SIMCDROM"
                                                           : "SIMSCAN";
  std::memcpy(&d[8], "OSTRAVAL", 8);
  std::memcpy(&d[16], product, std::strlen(product));
  std::memcpy(&d[32], "1.00", 4);
  if (allocation < d.size()) d.resize(allocation);
  return d;
}

TargetReply read_blocks(ScsiHost& host, int port, int bus, int target, uint32_t lba,
                        uint32_t blocks, bool data_in, uint8_t* data, uint32_t capacity) {
  if (lba + blocks > kDiskBlocks) return check_condition(kSenseIllegalRequest, kAscLbaOutOfRange);
  if (!data_in) return check_condition(kSenseIllegalRequest, kAscInvalidFieldInCdb);
  // Every byte of a block holds the low byte of the block's address; only
  // what fits the caller's buffer is produced.
  TargetReply reply;
  reply.wanted = blocks * kBlockSize;
  reply.moved = std::min(reply.wanted, capacity);
  for (uint32_t offset = 0; offset < reply.moved; offset += kBlockSize) {
    std::memset(data + offset, static_cast<uint8_t>(lba + offset / kBlockSize),
                std::min(kBlockSize, reply.moved - offset));
  }
  host.note_read(port, bus, target);
  return reply;
}

TargetReply receive_data(uint32_t length, bool data_in, uint32_t capacity) {
  if (data_in && length) return check_condition(kSenseIllegalRequest, kAscInvalidFieldInCdb);
  TargetReply reply;
  reply.wanted = length;
  reply.moved = std::min(length, capacity);
  return reply;
}

}  // namespace

const TargetSpec* find_target(ScsiHost& host, int port, int bus, int target, int lun) {
  if (lun != 0) return nullptr;
  auto it = host.target_map().find(ScsiHost::Key{port, bus, target});
  if (it == host.target_map().end()) return nullptr;
  if (now_ms() < it->second.visible_from_ms) return nullptr;
  return &it->second;
}

TargetReply run_command(ScsiHost& host, int port, int bus, int target, const TargetSpec& setup,
                        const uint8_t* cdb, int cdb_length, bool data_in, uint8_t* data,
                        uint32_t capacity) {
  host.record_command({port, bus, target, std::vector<uint8_t>(cdb, cdb + cdb_length)});
  auto at = [&](int i) -> uint32_t { return i < cdb_length ? cdb[i] : 0; };
  const bool disk = setup.type == DeviceType::Disk;
  switch (cdb[0]) {
    case 0x00:  // TEST UNIT READY
      return TargetReply{};
    case 0x12:  // INQUIRY
      return send_data(inquiry_data(setup, at(4)), data_in, data, capacity);
    default:
      break;
  }
  if (!disk) return check_condition(kSenseIllegalRequest, kAscInvalidOpcode);
  switch (cdb[0]) {
    case 0x08: {  // READ(6): 0 blocks means 256
      uint32_t blocks = at(4) ? at(4) : 256;
      uint32_t lba = (at(1) & 0x1F) << 16 | at(2) << 8 | at(3);
      return read_blocks(host, port, bus, target, lba, blocks, data_in, data, capacity);
    }
    case 0x28: {  // READ(10)
      uint32_t lba = at(2) << 24 | at(3) << 16 | at(4) << 8 | at(5);
      return read_blocks(host, port, bus, target, lba, at(7) << 8 | at(8), data_in, data,
                         capacity);
    }
    case 0x25: {  // READ CAPACITY
      std::vector<uint8_t> d(8);
      uint32_t last = kDiskBlocks - 1;
      d[0] = static_cast<uint8_t>(last >> 24);
      d[1] = static_cast<uint8_t>(last >> 16);
      d[2] = static_cast<uint8_t>(last >> 8);
      d[3] = static_cast<uint8_t>(last);
      d[6] = kBlockSize >> 8;
      return send_data(d, data_in, data, capacity);
    }
    case 0x3C:  // READ BUFFER
      return send_data(std::vector<uint8_t>(at(6) << 16 | at(7) << 8 | at(8)), data_in, data,
                       capacity);
    case 0x0A:  // WRITE(6)
      return receive_data((at(4) ? at(4) : 256) * kBlockSize, data_in, capacity);
    case 0x2A:  // WRITE(10)
      return receive_data((at(7) << 8 | at(8)) * kBlockSize, data_in, capacity);
    case 0x3B:  // WRITE BUFFER
      return receive_data(at(6) << 16 | at(7) << 8 | at(8), data_in, capacity);
    case 0x04:  // FORMAT UNIT
      return TargetReply{};
    default:
      return check_condition(kSenseIllegalRequest, kAscInvalidOpcode);
  }
}

}  // namespace sim::scsi_detail
