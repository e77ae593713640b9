// FRU reads against a device whose area information, chunk counts and data
// lengths come from the input: the single-message read, a range read of any
// offset and count, and the whole area, through the plain IPMI device class
// and through the cage class that wraps it. Every buffer handed back must
// hold no more than was asked for, and each byte of it must be readable.
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scripted_controller.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/machine.h"
#include "slotwarden/cages/tessark_cage.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"

namespace {

const uint8_t kDeviceAddress = 0x9C;
const uint16_t kMaxProperArea = 512;  // units of the device's own area
const int kMaxSteps = 4;

// Touches every byte, so a buffer shorter than its size is caught.
unsigned Touch(const CByteBuffer& buffer) {
  unsigned sum = 0;
  for (DWORD i = 0; i < buffer.GetSize(); ++i) sum += buffer.GetData()[i];
  return sum;
}

void Step(CIpmApi& api, FuzzInput& input) {
  switch (input.Below(3)) {
    case 0: {
      ReadFRURequest Request;
      Request.wOffset = input.Word();
      Request.bCount = input.Byte();
      ReadFRUResponse Response = api.ReadFRUInventoryData(Request);
      (void)Response;
      break;
    }
    case 1: {
      WORD wOffset = input.Word();
      WORD wCount = input.Byte() < 0x80 ? input.Below(64) : input.Word();
      CByteBuffer Data = api.ReadFRUData(wOffset, wCount);
      FUZZ_CHECK(Data.GetSize() <= 2u * wCount);
      Touch(Data);
      break;
    }
    default: {
      CByteBuffer Data = api.ReadAllFRUData();
      FUZZ_CHECK(Data.GetSize() <= 2u * 65535u);
      Touch(Data);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  auto device = AttachScriptedDevice(kDeviceAddress, &input);
  const uint16_t wArea = input.Word() % (kMaxProperArea + 1);
  const bool bWords = input.Byte() & 1;
  device->set_fru_area(wArea, bWords);
  std::vector<uint8_t> abFru(static_cast<size_t>(wArea) * (bWords ? 2 : 1));
  for (size_t i = 0; i < abFru.size(); ++i) abFru[i] = static_cast<uint8_t>(i * 7 + 1);
  device->set_fru_bytes(abFru);
  ScriptQbxStatuses(&input);

  std::unique_ptr<CIpmApi> pApi;
  if (input.Byte() & 1) {
    pApi = std::make_unique<CTessarkCage>();
  } else {
    pApi = std::make_unique<CIpmApi>();
  }
  pApi->SetSlaveAddress(kDeviceAddress);
  for (int nStep = 0; nStep < kMaxSteps && !input.empty(); ++nStep) {
    try {
      Step(*pApi, input);
    } catch (const CGenericException&) {
      // Reported failures are the expected outcome of most inputs.
    }
    CheckControllerClosed();
  }
  ClearQbxStatuses();
  return 0;
}
