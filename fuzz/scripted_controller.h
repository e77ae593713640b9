// The management controller driven by the fuzz input: QBXAPI calls fail
// with statuses the input picks, and an IPMI device answers each request the
// way the input says: framed answers with any completion code and data, the
// simulated device's own faults (checksums, sequence, lengths...), raw bytes
// of any length, or silence.
#ifndef FUZZ_SCRIPTED_CONTROLLER_H
#define FUZZ_SCRIPTED_CONTROLLER_H

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "sim/controller/ipmi_device.h"

class ScriptedIpmiDevice : public sim::IpmiDevice {
 public:
  ScriptedIpmiDevice(uint8_t address, FuzzInput* input) : IpmiDevice(address), input_(input) {}

  std::optional<std::vector<uint8_t>> on_write(const std::vector<uint8_t>& bytes) override;

 protected:
  std::optional<std::vector<uint8_t>> answer(const sim::IpmbRequest& request) override;

 private:
  FuzzInput* input_;
};

// Attaches a scripted device at `address` on the current machine.
std::shared_ptr<ScriptedIpmiDevice> AttachScriptedDevice(uint8_t address, FuzzInput* input);

// Makes QBXAPI calls (all but QBXSleep and the forced QBX_CloseDevice)
// fail now and then with a status taken from the input. Undone by
// sim::reset or ClearQbxStatuses.
void ScriptQbxStatuses(FuzzInput* input);
void ClearQbxStatuses();

// Aborts, printing the last exchange, when the controller device is open.
void CheckControllerClosed();

#endif  // FUZZ_SCRIPTED_CONTROLLER_H
