// The maker's SCSI driver: a SCSI request block (the 32-bit kernel layout,
// 64 bytes) sent to "\\.\TRN%d" with its private code. The driver reaches
// the data and sense areas at the addresses the block names, in the
// caller's own buffer.
#include <algorithm>
#include <cstring>

#include "sim/scsi/scsi_drivers.h"
#include "sim/scsi/scsi_target.h"

namespace sim::scsi_detail {

namespace {

const uint32_t kSrbLength = 64;
const uint32_t kDataOffset = 96;   // where the caller keeps the data area
const uint32_t kSenseOffset = 64;  // and the sense area
const uint32_t kMaxTransfer = 0x8000;
const uint32_t kMaxSense = kDataOffset - kSenseOffset;

const uint8_t kSrbSuccess = 0x01;
const uint8_t kSrbError = 0x04;
const uint8_t kSrbInvalidRequest = 0x06;
const uint8_t kSrbSelectionTimeout = 0x0A;
const uint8_t kSrbDataOverrun = 0x12;
const uint32_t kFlagsDataIn = 0x40, kFlagsDataOut = 0x80;

}  // namespace

DWORD tarn_execute_srb(ScsiHost& host, int port, IoRequest& io) {
  if (io.in_size < kSrbLength || io.out_size < kSrbLength) return ERROR_INVALID_PARAMETER;
  uint8_t* b = io.system;
  io.returned = kSrbLength;
  auto finish = [&](uint8_t srb_status) {
    b[3] = srb_status;
    return static_cast<DWORD>(ERROR_SUCCESS);
  };
  const uint32_t cdb_length = b[10], sense_length = b[11];
  const uint32_t flags = get32(b + 12), transfer = get32(b + 16);
  const uint32_t direction = flags & (kFlagsDataIn | kFlagsDataOut);
  if (get16(b) != kSrbLength || b[2] != 0) return finish(kSrbInvalidRequest);
  if (cdb_length == 0 || cdb_length > 16 || sense_length > kMaxSense) {
    return finish(kSrbInvalidRequest);
  }
  if (transfer > kMaxTransfer) return finish(kSrbInvalidRequest);
  if (transfer && direction != kFlagsDataIn && direction != kFlagsDataOut) {
    return finish(kSrbInvalidRequest);
  }
  // The buffers must be the caller's own, where the driver maps them.
  if (transfer && get32(b + 24) != low32(io.user_in + kDataOffset)) return ERROR_INVALID_PARAMETER;
  if (sense_length && get32(b + 28) != low32(io.user_in + kSenseOffset)) {
    return ERROR_INVALID_PARAMETER;
  }

  const int bus = b[5], target = b[6];
  if (auto fault = host.take_fault(port)) {
    b[4] = fault->scsi_status;
    return finish(static_cast<uint8_t>(fault->status));
  }
  const TargetSpec* setup =
      bus < host.ports()[port].buses ? find_target(host, port, bus, target, b[7]) : nullptr;
  if (!setup) return finish(kSrbSelectionTimeout);
  TargetReply reply = run_command(host, port, bus, target, *setup, b + 48, cdb_length,
                                  direction == kFlagsDataIn, io.user_in + kDataOffset, transfer);
  b[4] = reply.status;
  put32(b + 16, reply.moved);
  if (reply.status == SCSI_CHECK_CONDITION) {
    std::memcpy(io.user_in + kSenseOffset, reply.sense.data(),
                std::min<uint32_t>(sense_length, reply.sense.size()));
    return finish(kSrbError);
  }
  return finish(reply.wanted == transfer ? kSrbSuccess : kSrbDataOverrun);
}

}  // namespace sim::scsi_detail
