// Each adapter class against a simulated port of its driver family whose
// answers the input rewrites: any bytes of the returned request changed
// (status fields, sense lengths and offsets, transfer counts), short or
// empty answers, or a failed DeviceIoControl. The adapter opens (scanning
// with INQUIRY), runs commands with any CDB, and reads its data and sense
// areas; every area it hands out must lie in its buffer, and closing it
// leaves no device open.
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scsi_ports.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/ami_adapter.h"
#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/mylex_adapter.h"
#include "slotwarden/scsi/passthrough_adapter.h"
#include "slotwarden/scsi/tarn_adapter.h"

namespace {

const int kMaxSteps = 8;
const unsigned kMaxCdb = 18;  // past every family's CDB field

// Rewrites the driver's answer the way the input says.
void RewriteAnswer(FuzzInput& input, uint8_t* pbBuffer, uint32_t cbBuffer, uint32_t* pcbReturned,
                   DWORD* pdwResult) {
  uint8_t op = input.Byte();
  if (op < 0x60) return;  // the driver's own answer
  if (op < 0xE0) {
    if (cbBuffer == 0) return;
    for (unsigned n = 1 + input.Below(6); n > 0; --n) {
      // Mostly in the header, where the status and length fields are.
      uint32_t offset = op < 0xA0 ? input.Byte() : input.Word();
      pbBuffer[offset % cbBuffer] = input.Byte();
    }
    return;
  }
  if (op < 0xF0) {
    *pcbReturned = input.Word() % (cbBuffer + 1);  // a short (or empty) answer
    return;
  }
  static const DWORD kErrors[] = {ERROR_INVALID_PARAMETER, ERROR_NOT_READY, ERROR_ACCESS_DENIED,
                                  ERROR_INVALID_FUNCTION, ERROR_IO_DEVICE, ERROR_GEN_FAILURE};
  *pdwResult = kErrors[op % (sizeof(kErrors) / sizeof(kErrors[0]))];
}

std::unique_ptr<CScsiAdapter> MakeAdapter(sim::DriverModel model, int nPort, DWORD cbBurst) {
  switch (model) {
    case sim::DriverModel::Ami: return std::make_unique<CAmiAdapter>(nPort, cbBurst);
    case sim::DriverModel::Mylex: return std::make_unique<CMylexAdapter>(nPort, cbBurst);
    case sim::DriverModel::Tarn: return std::make_unique<CTarnAdapter>(nPort, cbBurst);
    default: return std::make_unique<CPassThroughAdapter>(nPort, cbBurst);
  }
}

unsigned Touch(const BYTE* pb, DWORD cb) {
  unsigned sum = 0;
  for (DWORD i = 0; i < cb; ++i) sum += pb[i];
  return sum;
}

// The areas the adapter hands out, read whole.
void TouchAreas(CScsiAdapter& adapter) {
  if (BYTE* pbData = adapter.GetDataBuffer(false)) Touch(pbData, adapter.GetMaxTransfer());
  SenseRef sense = {};
  if (adapter.GetSenseData(&sense)) Touch(sense.pData, sense.cbLength);
}

void Step(CScsiAdapter& adapter, FuzzInput& input) {
  const DWORD nChannels = adapter.GetChannelCount();
  const int nChannel = nChannels ? input.Below(nChannels) : 0;
  const int nTarget = input.Below(SCSI_MAX_TARGET_IDS);
  switch (input.Below(6)) {
    case 0:
    case 1: {
      std::vector<uint8_t> abCdb = input.Bytes(input.Below(kMaxCdb + 1));
      BYTE bEmpty = 0;
      const BYTE* pCdb = abCdb.empty() ? &bEmpty : abCdb.data();
      int cbCdb = static_cast<int>(abCdb.size());
      if (input.Byte() & 1) {
        adapter.ExecuteIn(nChannel, nTarget, pCdb, cbCdb);
      } else {
        adapter.ExecuteOut(nChannel, nTarget, pCdb, cbCdb);
      }
      break;
    }
    case 2: adapter.Inquiry(nChannel, nTarget); break;
    case 3: adapter.ReadBurst(nChannel, nTarget); break;
    case 4: {
      int bAnyNew = 0;
      adapter.ScanChannels(&bAnyNew);
      break;
    }
    default: adapter.CauseActivity(nChannel, input.Word()); break;
  }
  TouchAreas(adapter);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  const sim::DriverModel model = DriverModelFrom(input);
  const int nBuses = 1 + input.Below(2);
  const int nPort = sim::scsi().add_port(model, nBuses);
  sim::scsi().add_target(nPort, 0, 2);
  sim::TargetSpec cdrom;
  cdrom.type = sim::DeviceType::CdRom;
  sim::scsi().add_target(nPort, nBuses - 1, 4, cdrom);
  sim::scsi().set_answer_hook([&input](DWORD, uint8_t* pbBuffer, uint32_t cbBuffer,
                                       uint32_t* pcbReturned, DWORD* pdwResult) {
    RewriteAnswer(input, pbBuffer, cbBuffer, pcbReturned, pdwResult);
  });
  ResetDeviceLocations();
  g_AdapterList.Reload();

  {
    std::unique_ptr<CScsiAdapter> pAdapter = MakeAdapter(model, nPort, 512 * (1 + input.Below(4)));
    pAdapter->SetChannelCount(nBuses);
    pAdapter->Open();
    TouchAreas(*pAdapter);
    for (int nStep = 0; nStep < kMaxSteps && !input.empty(); ++nStep) Step(*pAdapter, input);
    pAdapter->Close();
  }
  FUZZ_CHECK(sim::open_handle_count("device") == 0);
  sim::scsi().set_answer_hook({});
  return 0;
}
