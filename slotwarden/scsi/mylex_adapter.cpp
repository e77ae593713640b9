#include "slotwarden/scsi/mylex_adapter.h"

#include <string.h>

#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/scsi_results.h"

namespace {

const DWORD MYLEX_HEADER_TIMEOUT = 60;
const BYTE MYLEX_SENSE_LENGTH = 64;

// SRB_IO_CONTROL.Length counts the bytes after the header up to the data's end.
const DWORD MYLEX_LENGTH_BEFORE_DATA = MYLEX_DATA_OFFSET - sizeof(SRB_IO_CONTROL);

}  // namespace

CMylexAdapter::CMylexAdapter(int nPort, DWORD cbBurst) : CScsiAdapter(nPort, cbBurst) {
  m_nInitiatorId = MYLEX_INITIATOR_ID;
  if (m_cbMaxTransfer > MYLEX_MAX_TRANSFER) m_cbMaxTransfer = MYLEX_MAX_TRANSFER;
}

CMylexAdapter::~CMylexAdapter() { Close(); }

DWORD CMylexAdapter::Open() { return OpenHeldDevice(SCSI_PORT_DEVICE_FORMAT, (int)m_nPort); }

DWORD CMylexAdapter::Close() { return m_Device.Close(); }

BYTE* CMylexAdapter::GetDataBuffer(bool bAllocate) {
  BYTE* pbRequest = GetRequestBuffer(bAllocate);
  return pbRequest ? pbRequest + MYLEX_DATA_OFFSET : NULL;
}

bool CMylexAdapter::GetSenseData(SenseRef* pSense) {
  if (m_pRequest == NULL) return false;
  const MYLEX_DIRECT_REQUEST* pRequest = (const MYLEX_DIRECT_REQUEST*)m_pRequest;
  return SenseAt(MYLEX_SENSE_OFFSET, pRequest->bSenseLength, pSense);
}

DWORD CMylexAdapter::Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb,
                             int cbCdb) {
  DWORD cbData = 0;
  DWORD dwResult = BeginCommand(bDataIn, pCdb, cbCdb, MYLEX_CDB_FIELD, &cbData);
  if (dwResult != ERROR_SUCCESS) return dwResult;

  MYLEX_DIRECT_REQUEST* pRequest = (MYLEX_DIRECT_REQUEST*)m_pRequest;
  // A data-in command starts from a cleared buffer; data out keeps its data.
  memset(m_pRequest, 0, bDataIn ? GetRequestSize() : sizeof(*pRequest));
  pRequest->Header.HeaderLength = sizeof(SRB_IO_CONTROL);
  pRequest->Header.Timeout = MYLEX_HEADER_TIMEOUT;
  pRequest->Header.Length = MYLEX_LENGTH_BEFORE_DATA + cbData;
  pRequest->bCommand = MYLEX_COMMAND_DIRECT_CDB;
  pRequest->bAddress = (BYTE)(nChannel * 16 + (nTarget & 0x0F));
  pRequest->bDirection = bDataIn ? MYLEX_DIRECTION_IN : MYLEX_DIRECTION_OUT;
  pRequest->wTransferLength = (WORD)cbData;
  pRequest->dwDataAddress = RequestAddress(MYLEX_DATA_OFFSET);
  pRequest->bCdbLength = (BYTE)cbCdb;
  pRequest->bSenseLength = MYLEX_SENSE_LENGTH;
  memcpy(pRequest->abCdb, pCdb, (size_t)cbCdb);

  DWORD cbRequest = MYLEX_DATA_OFFSET + cbData;
  dwResult = m_Device.IoControl(IOCTL_SCSI_MINIPORT, m_pRequest, cbRequest, cbRequest);
  if (dwResult == ERROR_SUCCESS) dwResult = pRequest->wStatus;
  if (dwResult == MYLEX_STATUS_NO_DEVICE || dwResult == MYLEX_STATUS_NO_DEVICE_ALT) {
    return SCSI_RESULT_NO_TARGET;
  }
  return dwResult;
}
