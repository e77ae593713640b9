#include "fuzz/scripted_controller.h"

#include <cstdio>
#include <string>

#include "fuzz/fuzz_check.h"
#include "sim/controller/qbx_bus.h"

#include "sim/core/faults.h"

namespace {

const int kFaultKinds = static_cast<int>(sim::IpmbFault::replace_data) + 1;
const unsigned kMaxRawAnswer = 48;   // beyond the longest answer the transport takes
const unsigned kMaxAnswerData = 36;

}  // namespace

std::optional<std::vector<uint8_t>> ScriptedIpmiDevice::on_write(
    const std::vector<uint8_t>& bytes) {
  uint8_t mode = input_->Byte();
  switch (mode % 8) {
    case 5:  // raw bytes, no framing at all
      return input_->Bytes(input_->Below(kMaxRawAnswer + 1));
    case 6:  // taken, never answered
      return std::nullopt;
    case 7: {  // one of the device's own faults on this exchange
      auto kind = static_cast<sim::IpmbFault>(input_->Below(kFaultKinds));
      uint8_t value = input_->Byte();
      std::vector<uint8_t> data = input_->Bytes(input_->Below(kMaxAnswerData + 1));
      inject(sim::IpmbFaultSpec(kind, value, data));
      return IpmiDevice::on_write(bytes);
    }
    default:
      return IpmiDevice::on_write(bytes);
  }
}

std::optional<std::vector<uint8_t>> ScriptedIpmiDevice::answer(const sim::IpmbRequest& request) {
  uint8_t choice = input_->Byte();
  // Mostly the device's proper answer, so the input reaches past the first
  // exchange; otherwise any completion code with any data.
  if (choice < 0x80) return IpmiDevice::answer(request);
  std::vector<uint8_t> body;
  body.push_back(choice < 0xC0 ? 0x00 : input_->Byte());
  std::vector<uint8_t> data = input_->Bytes(input_->Below(kMaxAnswerData + 1));
  body.insert(body.end(), data.begin(), data.end());
  return body;
}

std::shared_ptr<ScriptedIpmiDevice> AttachScriptedDevice(uint8_t address, FuzzInput* input) {
  auto device = std::make_shared<ScriptedIpmiDevice>(address, input);
  sim::attach_i2c_device(address, device);
  return device;
}

void ScriptQbxStatuses(FuzzInput* input) {
  sim::set_fault_hook([input](const std::string& api, uint64_t) -> std::optional<DWORD> {
    // QBX_CloseDevice is the system's last resort after a failure; failing
    // it too would leave the device open whatever the system did.
    if (api.find("QBX") == std::string::npos || api == "QBXSleep" || api == "QBX_CloseDevice") {
      return std::nullopt;
    }
    uint8_t b = input->Byte();
    if (b < 0xF0) return std::nullopt;
    static const DWORD kStatuses[] = {0x0100, 0x0101, 0x0102, 0x0103,
                                      0x0105, 0x0005, 0x0001};
    const size_t n = sizeof(kStatuses) / sizeof(kStatuses[0]);
    if ((b & 0x0F) < n) return kStatuses[b & 0x0F];
    DWORD status = input->Word();  // any other status
    if (status == 0) return std::nullopt;
    return status;
  });
}

void ClearQbxStatuses() { sim::set_fault_hook({}); }

void CheckControllerClosed() {
  if (!sim::qbx_device_stats().open) return;
  std::vector<sim::BusExchange> trace = sim::bus_trace();
  if (!trace.empty()) std::fprintf(stderr, "%s\n", sim::format_bus_exchange(trace.back()).c_str());
  FUZZ_CHECK(!sim::qbx_device_stats().open);
}
