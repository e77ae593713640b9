// The IPMI transport against a device and a controller that answer whatever
// the input says: each step sends one message (any netFn, command, request
// and expected lengths) or one raw exchange, or runs one of the standard
// commands. Every failure must arrive as a controller exception, every
// answer must fit the caller's buffer, and no exchange may leave the
// controller device open.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scripted_controller.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/machine.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"

namespace {

const uint8_t kDeviceAddress = 0x9C;
const int kMaxSteps = 8;

void SendMessage(CIpmApi& api, FuzzInput& input) {
  uint8_t bNetFn = input.Byte() & 0x3F;
  uint8_t bCommand = input.Byte();
  int nCommandDataLength = static_cast<int>(input.Below(32)) - 2;  // -2 .. 29
  int nExpected = static_cast<int>(input.Below(34)) - 2;           // -2 .. 31
  std::vector<uint8_t> abCommandData(nCommandDataLength > 0 ? nCommandDataLength : 1);
  for (auto& b : abCommandData) b = input.Byte();
  // The response buffer is exactly as long as the caller says, so any write
  // past it is caught.
  std::vector<uint8_t> abResponse(nExpected > 0 ? nExpected : 1);
  int nResponseLength = nExpected;
  api.SendReceiveIPMIMessage(bNetFn, bCommand, abCommandData.data(), nCommandDataLength,
                             abResponse.data(), &nResponseLength);
  if (nExpected > 0) {
    FUZZ_CHECK(nResponseLength >= 0 && nResponseLength <= nExpected);
  }
}

void SendRaw(CIpmApi& api, FuzzInput& input) {
  int nRequestLength = static_cast<int>(input.Below(40)) - 2;
  int nResponseLength = static_cast<int>(input.Below(40)) - 2;
  std::vector<uint8_t> abRequest(nRequestLength > 0 ? nRequestLength : 1);
  for (auto& b : abRequest) b = input.Byte();
  std::vector<uint8_t> abResponse(nResponseLength > 0 ? nResponseLength : 1);
  const int nAsked = nResponseLength;
  api.SendReceiveData(abRequest.data(), nRequestLength, abResponse.data(), &nResponseLength);
  FUZZ_CHECK(nResponseLength >= 0 && nResponseLength <= (nAsked > 0 ? nAsked : 0));
}

void RunCommand(CIpmApi& api, FuzzInput& input) {
  switch (input.Below(5)) {
    case 0: api.GetDeviceID(); break;
    case 1: api.GetSelfTestResults(); break;
    case 2: api.WarmReset(); break;
    case 3: api.MfgTestOn(); break;
    default: api.GetFRUInventoryAreaInfo(); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  AttachScriptedDevice(kDeviceAddress, &input);
  ScriptQbxStatuses(&input);

  CIpmApi api;
  api.SetSlaveAddress(input.Byte() < 0xF0 ? kDeviceAddress : 0x9E);  // 0x9E: nobody there
  for (int nStep = 0; nStep < kMaxSteps && !input.empty(); ++nStep) {
    try {
      switch (input.Below(3)) {
        case 0: SendMessage(api, input); break;
        case 1: SendRaw(api, input); break;
        default: RunCommand(api, input); break;
      }
    } catch (const CGenericException&) {
      // Any failure is an exception of the controller layer; nothing else.
    }
    CheckControllerClosed();
  }
  ClearQbxStatuses();
  return 0;
}
