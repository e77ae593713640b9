// A generic IPMI device on the simulated I2C bus.
//
// It parses what the controller writes as an IPMB request (IPMI v1.5,
// section 6.13: netFn/rsLUN, checksum 1 over rsSA and netFn/rsLUN, rqSA,
// rqSeq/rqLUN, command, data, checksum 2 over rqSA to the last data byte),
// drops a request that fails either checksum, and answers with the response
// netFn, its own address, the request's sequence number and command.
//
// It answers Get Device ID, Cold Reset (no answer: the device restarts),
// Warm Reset, Get Self Test Results, Manufacturing Test On, and the FRU
// inventory commands over an area of configurable size and access unit;
// anything else gets completion code 0xC1. Faults are scripted per exchange.
#ifndef SIM_CONTROLLER_IPMI_DEVICE_H
#define SIM_CONTROLLER_IPMI_DEVICE_H

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "sim/controller/qbx_bus.h"

namespace sim {

// A request as the device received it.
struct IpmbRequest {
  uint8_t net_fn = 0;
  uint8_t rs_lun = 0;
  uint8_t rq_addr = 0;
  uint8_t rq_seq = 0;
  uint8_t rq_lun = 0;
  uint8_t command = 0;
  std::vector<uint8_t> data;
};

enum class IpmbFault {
  bad_checksum1,   // checksum 1 of the answer off by one
  bad_checksum2,   // checksum 2 of the answer off by one
  wrong_sequence,  // another rqSeq
  wrong_net_fn,    // the request's netFn instead of netFn + 1
  wrong_command,   // another command code
  wrong_rs_lun,    // another responder LUN
  wrong_rq_lun,    // another requester LUN
  wrong_address,   // another responder address
  no_answer,       // the request is taken but never answered
  extra_byte,      // one more data byte, checksums valid
  truncate,        // only `value` bytes of the framed answer are delivered
  completion_code, // the answer is just completion code `value`
  replace_data,    // the answer's completion code and data are `data`
};

struct IpmbFaultSpec {
  IpmbFaultSpec(IpmbFault kind_, uint8_t value_ = 0, std::vector<uint8_t> data_ = {})
      : kind(kind_), value(value_), data(std::move(data_)) {}
  IpmbFault kind;
  uint8_t value;
  std::vector<uint8_t> data;
};

class IpmiDevice : public I2cDevice {
 public:
  explicit IpmiDevice(uint8_t address);

  std::optional<std::vector<uint8_t>> on_write(const std::vector<uint8_t>& bytes) override;
  uint64_t answer_delay_ms() const override;

  uint8_t address() const { return address_; }
  void set_answer_delay_ms(uint64_t delay);
  // Stops answering (requests are still taken), or answers again.
  void set_answering(bool answering);
  // Answers the next `count` exchanges, then none.
  void stop_answering_after(unsigned count);

  // The fault applies to the `nth` next exchange and the `times` - 1 after
  // it; `times` 0: every exchange from the nth on. Faults armed for one
  // exchange apply in the order armed.
  void inject(IpmbFaultSpec fault, unsigned nth = 1, unsigned times = 1);
  void clear_faults();

  // A fixed answer (completion code and data) to one command, in place of
  // the built-in one.
  void set_answer(uint8_t net_fn, uint8_t command, std::vector<uint8_t> answer);
  // The six data bytes of Get Device ID after the completion code.
  void set_device_id(std::vector<uint8_t> data);

  // The FRU inventory area: `size` access units, moved in words or bytes.
  void set_fru_area(uint16_t size, bool word_access);
  std::vector<uint8_t> fru_bytes() const;
  void set_fru_bytes(std::vector<uint8_t> bytes);

  // Every exchange the device saw (writes addressed to it), and the
  // requests it accepted, in order.
  unsigned exchanges() const;
  unsigned dropped() const;
  std::vector<IpmbRequest> requests() const;

 protected:
  // The completion code and data answering an accepted request, or nothing.
  virtual std::optional<std::vector<uint8_t>> answer(const IpmbRequest& request);

 private:
  std::vector<uint8_t> fru_read(const IpmbRequest& request) const;
  std::vector<uint8_t> fru_write(const IpmbRequest& request);
  std::vector<IpmbFaultSpec> faults_for(unsigned exchange) const;

  struct Armed {
    IpmbFaultSpec fault;
    unsigned first;
    unsigned last;  // 0: no end
  };

  uint8_t address_;
  uint64_t delay_ms_ = 5;
  bool answering_ = true;
  std::optional<unsigned> answer_limit_;
  std::vector<Armed> faults_;
  std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> fixed_answers_;
  std::vector<uint8_t> device_id_{0x20, 0x01, 0x01, 0x00, 0x51, 0x00};
  uint16_t fru_size_ = 0;
  bool fru_words_ = false;
  std::vector<uint8_t> fru_;
  unsigned exchanges_ = 0;
  unsigned dropped_ = 0;
  std::vector<IpmbRequest> requests_;
};

}  // namespace sim

#endif  // SIM_CONTROLLER_IPMI_DEVICE_H
