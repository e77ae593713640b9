// The two RAID drivers' direct commands, carried by IOCTL_SCSI_MINIPORT
// behind an SRB_IO_CONTROL header: the AMI driver's direct SCSI command and
// the Mylex driver's direct-CDB command. Both take the data from, and put it
// into, the request itself, at the address the request names.
#include <algorithm>
#include <cstring>

#include "sim/scsi/scsi_drivers.h"
#include "sim/scsi/scsi_target.h"

namespace sim::scsi_detail {

namespace {

const uint32_t kSrbIoControl = 28;

// The header checks of the port driver and the signature both drivers want.
bool header_valid(const IoRequest& io, uint32_t request_size) {
  const uint8_t* b = io.system;
  if (io.in_size < request_size || io.out_size < request_size) return false;
  if (get32(b) != kSrbIoControl) return false;
  for (int i = 4; i < 12; ++i) {
    if (b[i] != 0) return false;
  }
  return uint64_t{kSrbIoControl} + get32(b + 24) <= std::min(io.in_size, io.out_size);
}

const uint32_t kAmiData = 96;
const uint32_t kAmiMaxTransfer = 0x8000;
const uint8_t kAmiInvalidCommand = 0x01;
const uint8_t kAmiNoDevice = 0xF0;

const uint32_t kMylexData = 148;
const uint32_t kMylexMaxTransfer = 4096;
const uint16_t kMylexInvalidOpcode = 0x0104;
const uint16_t kMylexNoDevice = 0x000E;
const uint16_t kMylexCheckCondition = 0x0002;

}  // namespace

DWORD ami_direct_command(ScsiHost& host, int port, IoRequest& io) {
  if (!header_valid(io, kAmiData)) return ERROR_INVALID_PARAMETER;
  uint8_t* b = io.system;
  const uint32_t control = get32(b + 16), length = get32(b + 24);
  if (control > 1) return ERROR_INVALID_PARAMETER;
  io.returned = io.out_size;
  if (b[28] != 3) {
    b[29] = kAmiInvalidCommand;
    return ERROR_SUCCESS;
  }
  const uint32_t cdb_length = b[52], sense_length = b[53], transfer = get32(b + 92);
  if (cdb_length == 0 || cdb_length > 10 || sense_length > 32) return ERROR_INVALID_PARAMETER;
  if (get32(b + 88) != low32(io.user_in + kAmiData)) return ERROR_INVALID_PARAMETER;
  if (transfer > kAmiMaxTransfer || kAmiData + transfer > kSrbIoControl + length) {
    return ERROR_INVALID_PARAMETER;
  }

  const int bus = b[38], target = b[39];
  if (auto fault = host.take_fault(port)) {
    b[29] = static_cast<uint8_t>(fault->status);
    return ERROR_SUCCESS;
  }
  const TargetSpec* setup =
      bus < host.ports()[port].buses ? find_target(host, port, bus, target, 0) : nullptr;
  if (!setup) {
    b[29] = kAmiNoDevice;
    return ERROR_SUCCESS;
  }
  TargetReply reply = run_command(host, port, bus, target, *setup, b + 42, cdb_length,
                                  control == 0, b + kAmiData, transfer);
  b[87] = reply.status;
  b[29] = reply.status;
  if (reply.status == SCSI_CHECK_CONDITION) {
    std::memcpy(b + 54, reply.sense.data(), std::min<uint32_t>(sense_length, reply.sense.size()));
  }
  return ERROR_SUCCESS;
}

DWORD mylex_direct_cdb(ScsiHost& host, int port, IoRequest& io) {
  if (!header_valid(io, kMylexData)) return ERROR_INVALID_PARAMETER;
  uint8_t* b = io.system;
  const uint32_t length = get32(b + 24);
  if (get32(b + 16) != 0) return ERROR_INVALID_PARAMETER;
  io.returned = io.out_size;
  if (b[44] != 4) {
    put16(b + 32, kMylexInvalidOpcode);
    return ERROR_SUCCESS;
  }
  const uint8_t direction = b[61] & 0x03;
  const uint32_t transfer = get16(b + 62), cdb_length = b[68], sense_length = b[69];
  if (direction != 0x01 && direction != 0x02) return ERROR_INVALID_PARAMETER;
  if (cdb_length == 0 || cdb_length > 12 || sense_length > 64) return ERROR_INVALID_PARAMETER;
  if (get32(b + 64) != low32(io.user_in + kMylexData)) return ERROR_INVALID_PARAMETER;
  if (transfer > kMylexMaxTransfer || kMylexData + transfer > kSrbIoControl + length) {
    return ERROR_INVALID_PARAMETER;
  }

  const int bus = b[60] >> 4, target = b[60] & 0x0F;
  if (auto fault = host.take_fault(port)) {
    put16(b + 32, fault->status);
    return ERROR_SUCCESS;
  }
  const TargetSpec* setup =
      bus < host.ports()[port].buses ? find_target(host, port, bus, target, 0) : nullptr;
  if (!setup) {
    put16(b + 32, kMylexNoDevice);
    return ERROR_SUCCESS;
  }
  TargetReply reply = run_command(host, port, bus, target, *setup, b + 70, cdb_length,
                                  direction == 0x01, b + kMylexData, transfer);
  b[146] = reply.status;
  put16(b + 32, reply.status == SCSI_GOOD ? 0 : kMylexCheckCondition);
  if (reply.status == SCSI_CHECK_CONDITION) {
    std::memcpy(b + 82, reply.sense.data(), std::min<uint32_t>(sense_length, reply.sense.size()));
  }
  return ERROR_SUCCESS;
}

}  // namespace sim::scsi_detail
