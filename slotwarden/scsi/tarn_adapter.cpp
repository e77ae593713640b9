#include "slotwarden/scsi/tarn_adapter.h"

#include <string.h>

#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/cdb_length.h"
#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/scsi_results.h"

namespace {

const BYTE TARN_SENSE_LENGTH = 32;

DWORD TarnTimeout(bool bDataIn, BYTE bOpcode) {
  if (bDataIn && bOpcode == SCSIOP_FORMAT_UNIT) return TARN_TIMEOUT_FORMAT_UNIT;
  if (!bDataIn && bOpcode == SCSIOP_WRITE_BUFFER) return TARN_TIMEOUT_WRITE_BUFFER;
  return TARN_TIMEOUT_DEFAULT;
}

}  // namespace

int GetTarnDeviceNumber(int nPort) {
  int nDevice = 0;
  for (int i = 0; i < nPort; ++i) {
    PortInfo info;
    if (g_AdapterList.GetPortInfo((DWORD)i, &info) && info.dwFamily == ADAPTER_FAMILY_TARN) {
      ++nDevice;
    }
  }
  return nDevice;
}

CTarnAdapter::CTarnAdapter(int nPort, DWORD cbBurst) : CScsiAdapter(nPort, cbBurst) {}

CTarnAdapter::~CTarnAdapter() { Close(); }

DWORD CTarnAdapter::Open() {
  return OpenHeldDevice(TARN_DEVICE_FORMAT, GetTarnDeviceNumber((int)m_nPort));
}

DWORD CTarnAdapter::Close() { return m_Device.Close(); }

BYTE* CTarnAdapter::GetDataBuffer(bool bAllocate) {
  BYTE* pbRequest = GetRequestBuffer(bAllocate);
  return pbRequest ? pbRequest + TARN_DATA_OFFSET : NULL;
}

bool CTarnAdapter::GetSenseData(SenseRef* pSense) {
  if (m_pRequest == NULL) return false;
  const TARN_REQUEST_BLOCK* pSrb = (const TARN_REQUEST_BLOCK*)m_pRequest;
  return SenseAt(RequestOffset(pSrb->SenseInfoBuffer), pSrb->SenseInfoBufferLength, pSense);
}

DWORD CTarnAdapter::Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb,
                            int cbCdb) {
  DWORD cbData = 0;
  DWORD dwResult = BeginCommand(bDataIn, pCdb, cbCdb, TARN_CDB_FIELD, &cbData);
  if (dwResult != ERROR_SUCCESS) return dwResult;
  if (bDataIn && cbData < TARN_MIN_DATA_IN) cbData = TARN_MIN_DATA_IN;

  TARN_REQUEST_BLOCK* pSrb = (TARN_REQUEST_BLOCK*)m_pRequest;
  memset(pSrb, 0, sizeof(*pSrb));
  pSrb->Length = sizeof(TARN_REQUEST_BLOCK);
  pSrb->Function = SRB_FUNCTION_EXECUTE_SCSI;
  pSrb->PathId = (UCHAR)nChannel;
  pSrb->TargetId = (UCHAR)nTarget;
  pSrb->QueueTag = SRB_QUEUE_TAG_UNTAGGED;
  pSrb->CdbLength = (UCHAR)cbCdb;
  pSrb->SenseInfoBufferLength = TARN_SENSE_LENGTH;
  pSrb->SrbFlags = SRB_FLAGS_IS_ACTIVE | SRB_FLAGS_DISABLE_SYNCH_TRANSFER |
                   (bDataIn ? SRB_FLAGS_DATA_IN : SRB_FLAGS_DATA_OUT);
  pSrb->DataTransferLength = cbData;
  pSrb->TimeOutValue = TarnTimeout(bDataIn, pCdb[0]);
  pSrb->DataBuffer = RequestAddress(TARN_DATA_OFFSET);
  pSrb->SenseInfoBuffer = RequestAddress(TARN_SENSE_OFFSET);
  memcpy(pSrb->Cdb, pCdb, (size_t)cbCdb);

  dwResult = m_Device.IoControl(IOCTL_TARN_EXECUTE_SRB, m_pRequest, sizeof(*pSrb), sizeof(*pSrb));
  if (dwResult != ERROR_SUCCESS) return dwResult;
  switch (pSrb->SrbStatus) {
    case SRB_STATUS_SUCCESS:
    case SRB_STATUS_DATA_OVERRUN:
      return pSrb->ScsiStatus;
    case SRB_STATUS_SELECTION_TIMEOUT:
      return SCSI_RESULT_NO_TARGET;
    default:
      return pSrb->SrbStatus;
  }
}
