// The standard SCSI port driver's IOCTL_SCSI_PASS_THROUGH (the 32-bit
// SCSI_PASS_THROUGH header) and the class devices' IOCTL_SCSI_GET_ADDRESS.
#include <algorithm>
#include <cstring>

#include "sim/scsi/scsi_drivers.h"
#include "sim/scsi/scsi_target.h"

namespace sim::scsi_detail {

namespace {

const uint32_t kHeader = 44;            // sizeof(SCSI_PASS_THROUGH) on a 32-bit system
const uint32_t kMaxTimeout = 30 * 60 * 60;  // the port driver's limit, seconds

bool ranges_overlap(uint32_t a, uint32_t a_len, uint32_t b, uint32_t b_len) {
  return a_len && b_len && a < b + b_len && b < a + a_len;
}

}  // namespace

DWORD standard_pass_through(ScsiHost& host, const DeviceObject& device, IoRequest& io) {
  if (io.in_size < kHeader) return ERROR_INVALID_PARAMETER;
  uint8_t* b = io.system;
  const uint32_t cdb_length = b[6], sense_length = b[7], direction = b[8];
  const uint32_t transfer = get32(b + 12), timeout = get32(b + 16);
  const uint32_t data_offset = get32(b + 20), sense_offset = get32(b + 24);
  if (get16(b) != kHeader) return ERROR_INVALID_PARAMETER;
  if (cdb_length == 0 || cdb_length > 16 || direction > SCSI_IOCTL_DATA_UNSPECIFIED) {
    return ERROR_INVALID_PARAMETER;
  }
  if (timeout == 0 || timeout > kMaxTimeout) return ERROR_INVALID_PARAMETER;
  if (sense_length &&
      (sense_offset < kHeader || uint64_t{sense_offset} + sense_length > io.out_size)) {
    return ERROR_INVALID_PARAMETER;
  }
  const bool data_in = direction == SCSI_IOCTL_DATA_IN;
  if (transfer) {
    uint32_t limit = data_in ? io.out_size : io.in_size;
    if (data_offset < kHeader || uint64_t{data_offset} + transfer > limit) {
      return ERROR_INVALID_PARAMETER;
    }
    if (ranges_overlap(data_offset, transfer, sense_offset, sense_length)) {
      return ERROR_INVALID_PARAMETER;
    }
  }

  int port = device.port(), bus, target;
  const TargetSpec* setup;
  if (device.device_kind() == DeviceObject::Kind::Port) {
    // The port takes only requests for logical units that no class driver owns.
    bus = b[3];
    target = b[4];
    if (bus >= host.ports()[port].buses) return ERROR_INVALID_PARAMETER;
    setup = find_target(host, port, bus, target, b[5]);
    if (!setup) return ERROR_INVALID_PARAMETER;
    bool owned = setup->claimed &&
                 (setup->type == DeviceType::Disk || setup->type == DeviceType::Scanner);
    if (owned) return ERROR_INVALID_PARAMETER;
  } else {
    // A class device sends the request to its own unit, whatever it names.
    bus = device.bus();
    target = device.target();
    setup = find_target(host, port, bus, target, 0);
    if (!setup) return ERROR_NOT_READY;
  }

  b[7] = 0;
  if (auto fault = host.take_fault(port)) {
    b[2] = static_cast<uint8_t>(fault->status);
    put32(b + 12, 0);
    io.returned = std::min(io.out_size, kHeader);
    return ERROR_SUCCESS;
  }
  TargetReply reply = run_command(host, port, bus, target, *setup, b + 28, cdb_length, data_in,
                                  b + data_offset, transfer);
  b[2] = reply.status;
  put32(b + 12, reply.moved);
  if (reply.status == SCSI_CHECK_CONDITION && sense_length) {
    uint32_t n = std::min<uint32_t>(sense_length, reply.sense.size());
    std::memcpy(b + sense_offset, reply.sense.data(), n);
    b[7] = static_cast<uint8_t>(n);
  }
  uint32_t returned = kHeader;
  if (b[7]) returned = sense_offset + b[7];
  if (data_in && reply.moved) returned = std::max(returned, data_offset + reply.moved);
  io.returned = std::min(returned, io.out_size);
  return ERROR_SUCCESS;
}

DWORD get_scsi_address(ScsiHost& host, const DeviceObject& device, IoRequest& io) {
  const TargetSpec* setup = find_target(host, device.port(), device.bus(), device.target(), 0);
  if (!setup) return ERROR_NOT_READY;
  if (!setup->answers_address) return ERROR_INVALID_FUNCTION;
  if (io.out_size < 8) return ERROR_INSUFFICIENT_BUFFER;
  put32(io.system, 8);
  io.system[4] = static_cast<uint8_t>(device.port());
  io.system[5] = static_cast<uint8_t>(device.bus());
  io.system[6] = static_cast<uint8_t>(device.target());
  io.system[7] = 0;
  io.returned = 8;
  return ERROR_SUCCESS;
}

}  // namespace sim::scsi_detail
