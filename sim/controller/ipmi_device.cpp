#include "sim/controller/ipmi_device.h"

#include <algorithm>

#include "sim/core/machine.h"
#include "sim/core/records.h"

namespace sim {

namespace {

constexpr uint8_t kAppNetFn = 0x06;
constexpr uint8_t kStorageNetFn = 0x0A;
constexpr uint8_t kInvalidCommand = 0xC1;
constexpr uint8_t kLengthInvalid = 0xC7;
constexpr uint8_t kOutOfRange = 0xC9;

// IPMI v1.5 section 6.13: the 8-bit two's-complement checksum.
uint8_t zero_sum(const uint8_t* bytes, size_t count) {
  unsigned sum = 0;
  for (size_t i = 0; i < count; ++i) sum += bytes[i];
  return static_cast<uint8_t>(-sum);
}

}  // namespace

IpmiDevice::IpmiDevice(uint8_t address) : address_(address) {}

uint64_t IpmiDevice::answer_delay_ms() const {
  Guard guard(machine_mutex());
  return delay_ms_;
}

void IpmiDevice::set_answer_delay_ms(uint64_t delay) {
  Guard guard(machine_mutex());
  delay_ms_ = delay;
}

void IpmiDevice::set_answering(bool answering) {
  Guard guard(machine_mutex());
  answering_ = answering;
  answer_limit_.reset();
}

void IpmiDevice::stop_answering_after(unsigned count) {
  Guard guard(machine_mutex());
  answer_limit_ = exchanges_ + count;
}

void IpmiDevice::inject(IpmbFaultSpec fault, unsigned nth, unsigned times) {
  Guard guard(machine_mutex());
  unsigned first = exchanges_ + (nth == 0 ? 1 : nth);
  faults_.push_back(Armed{std::move(fault), first, times == 0 ? 0 : first + times - 1});
}

void IpmiDevice::clear_faults() {
  Guard guard(machine_mutex());
  faults_.clear();
}

void IpmiDevice::set_answer(uint8_t net_fn, uint8_t command, std::vector<uint8_t> answer) {
  Guard guard(machine_mutex());
  fixed_answers_[{net_fn, command}] = std::move(answer);
}

void IpmiDevice::set_device_id(std::vector<uint8_t> data) {
  Guard guard(machine_mutex());
  device_id_ = std::move(data);
}

void IpmiDevice::set_fru_area(uint16_t size, bool word_access) {
  Guard guard(machine_mutex());
  fru_size_ = size;
  fru_words_ = word_access;
  fru_.assign(static_cast<size_t>(size) * (word_access ? 2 : 1), 0);
  for (size_t i = 0; i < fru_.size(); ++i) fru_[i] = static_cast<uint8_t>(i * 7 + 1);
}

std::vector<uint8_t> IpmiDevice::fru_bytes() const {
  Guard guard(machine_mutex());
  return fru_;
}

void IpmiDevice::set_fru_bytes(std::vector<uint8_t> bytes) {
  Guard guard(machine_mutex());
  bytes.resize(fru_.size());
  fru_ = std::move(bytes);
}

unsigned IpmiDevice::exchanges() const {
  Guard guard(machine_mutex());
  return exchanges_;
}

unsigned IpmiDevice::dropped() const {
  Guard guard(machine_mutex());
  return dropped_;
}

std::vector<IpmbRequest> IpmiDevice::requests() const {
  Guard guard(machine_mutex());
  return requests_;
}

std::vector<IpmbFaultSpec> IpmiDevice::faults_for(unsigned exchange) const {
  std::vector<IpmbFaultSpec> active;
  for (const Armed& armed : faults_) {
    if (exchange >= armed.first && (armed.last == 0 || exchange <= armed.last)) {
      active.push_back(armed.fault);
    }
  }
  return active;
}

std::optional<std::vector<uint8_t>> IpmiDevice::on_write(const std::vector<uint8_t>& bytes) {
  Guard guard(machine_mutex());
  unsigned exchange = ++exchanges_;

  // netFn/rsLUN, checksum 1, rqSA, rqSeq/rqLUN, command, data..., checksum 2.
  if (bytes.size() < 6) {
    ++dropped_;
    return std::nullopt;
  }
  const uint8_t header[2] = {address_, bytes[0]};
  if (zero_sum(header, 2) != bytes[1] ||
      zero_sum(bytes.data() + 2, bytes.size() - 3) != bytes.back()) {
    ++dropped_;
    return std::nullopt;
  }
  IpmbRequest request;
  request.net_fn = bytes[0] >> 2;
  request.rs_lun = bytes[0] & 0x03;
  request.rq_addr = bytes[2];
  request.rq_seq = bytes[3] >> 2;
  request.rq_lun = bytes[3] & 0x03;
  request.command = bytes[4];
  request.data.assign(bytes.begin() + 5, bytes.end() - 1);
  if (keeping_records()) requests_.push_back(request);

  if (!answering_ || (answer_limit_ && exchange > *answer_limit_)) return std::nullopt;

  std::optional<std::vector<uint8_t>> body;
  auto fixed = fixed_answers_.find({request.net_fn, request.command});
  if (fixed != fixed_answers_.end()) {
    body = fixed->second;
  } else {
    body = answer(request);
  }
  if (!body) return std::nullopt;

  // The response header, then faults that change fields or the body.
  uint8_t net_fn = request.net_fn + 1;
  uint8_t rq_lun = request.rq_lun;
  uint8_t rs_addr = address_;
  uint8_t rq_seq = request.rq_seq;
  uint8_t rs_lun = request.rs_lun;
  uint8_t command = request.command;
  std::vector<IpmbFaultSpec> faults = faults_for(exchange);
  for (const IpmbFaultSpec& fault : faults) {
    switch (fault.kind) {
      case IpmbFault::no_answer: return std::nullopt;
      case IpmbFault::wrong_sequence: rq_seq = (rq_seq + 1) & 0x3F; break;
      case IpmbFault::wrong_net_fn: net_fn = request.net_fn; break;
      case IpmbFault::wrong_command: command = command + 1; break;
      case IpmbFault::wrong_rs_lun: rs_lun = (rs_lun + 1) & 0x03; break;
      case IpmbFault::wrong_rq_lun: rq_lun = (rq_lun + 1) & 0x03; break;
      case IpmbFault::wrong_address: rs_addr = rs_addr + 2; break;
      case IpmbFault::extra_byte: body->push_back(0x00); break;
      case IpmbFault::completion_code: *body = {fault.value}; break;
      case IpmbFault::replace_data: *body = fault.data; break;
      default: break;
    }
  }

  // The requester's address is not delivered but enters checksum 1.
  std::vector<uint8_t> frame;
  frame.push_back(static_cast<uint8_t>(net_fn << 2 | rq_lun));
  const uint8_t rs_header[2] = {request.rq_addr, frame[0]};
  frame.push_back(zero_sum(rs_header, 2));
  frame.push_back(rs_addr);
  frame.push_back(static_cast<uint8_t>(rq_seq << 2 | rs_lun));
  frame.push_back(command);
  frame.insert(frame.end(), body->begin(), body->end());
  frame.push_back(zero_sum(frame.data() + 2, frame.size() - 2));

  for (const IpmbFaultSpec& fault : faults) {
    if (fault.kind == IpmbFault::bad_checksum1) frame[1] += 1;
    if (fault.kind == IpmbFault::bad_checksum2) frame.back() += 1;
    if (fault.kind == IpmbFault::truncate && fault.value < frame.size()) frame.resize(fault.value);
  }
  return frame;
}

std::optional<std::vector<uint8_t>> IpmiDevice::answer(const IpmbRequest& request) {
  if (request.net_fn == kAppNetFn) {
    switch (request.command) {
      case 0x01: {  // Get Device ID
        std::vector<uint8_t> body{0x00};
        body.insert(body.end(), device_id_.begin(), device_id_.end());
        return body;
      }
      case 0x02: return std::nullopt;  // Cold Reset: the device restarts
      case 0x03: return std::vector<uint8_t>{0x00};        // Warm Reset
      case 0x04: return std::vector<uint8_t>{0x00, 0x55};  // Self Test: no error
      case 0x05: return std::vector<uint8_t>{0x00};        // Manufacturing Test On
      default: break;
    }
  }
  if (request.net_fn == kStorageNetFn) {
    switch (request.command) {
      case 0x10:  // Get FRU Inventory Area Info
        return std::vector<uint8_t>{0x00, static_cast<uint8_t>(fru_size_ & 0xFF),
                                    static_cast<uint8_t>(fru_size_ >> 8),
                                    static_cast<uint8_t>(fru_words_ ? 1 : 0)};
      case 0x11: return fru_read(request);
      case 0x12: return fru_write(request);
      default: break;
    }
  }
  return std::vector<uint8_t>{kInvalidCommand};
}

std::vector<uint8_t> IpmiDevice::fru_read(const IpmbRequest& request) const {
  if (request.data.size() != 3) return {kLengthInvalid};
  size_t unit = fru_words_ ? 2 : 1;
  size_t offset = request.data[0] | request.data[1] << 8;
  size_t count = request.data[2];
  if (offset >= fru_size_) return {kOutOfRange};
  count = std::min(count, fru_size_ - offset);
  std::vector<uint8_t> body{0x00, static_cast<uint8_t>(count)};
  body.insert(body.end(), fru_.begin() + offset * unit, fru_.begin() + (offset + count) * unit);
  return body;
}

std::vector<uint8_t> IpmiDevice::fru_write(const IpmbRequest& request) {
  if (request.data.size() < 2) return {kLengthInvalid};
  size_t unit = fru_words_ ? 2 : 1;
  size_t offset = request.data[0] | request.data[1] << 8;
  size_t count = (request.data.size() - 2) / unit;
  if (offset >= fru_size_) return {kOutOfRange};
  count = std::min(count, fru_size_ - offset);
  std::copy(request.data.begin() + 2, request.data.begin() + 2 + count * unit,
            fru_.begin() + offset * unit);
  return {0x00, static_cast<uint8_t>(count)};
}

}  // namespace sim
