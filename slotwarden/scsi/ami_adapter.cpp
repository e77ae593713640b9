#include "slotwarden/scsi/ami_adapter.h"

#include <string.h>

#include "slotwarden/scsi/cdb_length.h"
#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/scsi_results.h"

namespace {

const DWORD AMI_HEADER_TIMEOUT = 0xFFFFFFFF;
const DWORD AMI_CONTROL_IN = 0;
const DWORD AMI_CONTROL_OUT = 1;
const BYTE AMI_SENSE_LENGTH = 32;

// SRB_IO_CONTROL.Length counts the bytes after the header up to the data's end.
const DWORD AMI_LENGTH_BEFORE_DATA = AMI_DATA_OFFSET - sizeof(SRB_IO_CONTROL);

BYTE AmiTimeoutCode(bool bDataIn, BYTE bOpcode) {
  if (bDataIn && bOpcode == SCSIOP_FORMAT_UNIT) return AMI_TIMEOUT_FORMAT_UNIT;
  if (!bDataIn && bOpcode == SCSIOP_WRITE_BUFFER) return AMI_TIMEOUT_WRITE_BUFFER;
  return 0;
}

}  // namespace

CAmiAdapter::CAmiAdapter(int nPort, DWORD cbBurst) : CScsiAdapter(nPort, cbBurst) {}

CAmiAdapter::~CAmiAdapter() { Close(); }

DWORD CAmiAdapter::Open() { return OpenHeldDevice(SCSI_PORT_DEVICE_FORMAT, (int)m_nPort); }

DWORD CAmiAdapter::Close() { return m_Device.Close(); }

BYTE* CAmiAdapter::GetDataBuffer(bool bAllocate) {
  BYTE* pbRequest = GetRequestBuffer(bAllocate);
  return pbRequest ? pbRequest + AMI_DATA_OFFSET : NULL;
}

bool CAmiAdapter::GetSenseData(SenseRef* pSense) {
  if (m_pRequest == NULL) return false;
  const AMI_DIRECT_REQUEST* pRequest = (const AMI_DIRECT_REQUEST*)m_pRequest;
  return SenseAt(AMI_SENSE_OFFSET, pRequest->bSenseLength, pSense);
}

DWORD CAmiAdapter::Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb,
                           int cbCdb) {
  DWORD cbData = 0;
  DWORD dwResult = BeginCommand(bDataIn, pCdb, cbCdb, AMI_CDB_FIELD, &cbData);
  if (dwResult != ERROR_SUCCESS) return dwResult;

  AMI_DIRECT_REQUEST* pRequest = (AMI_DIRECT_REQUEST*)m_pRequest;
  memset(pRequest, 0, sizeof(*pRequest));
  pRequest->Header.HeaderLength = sizeof(SRB_IO_CONTROL);
  pRequest->Header.Timeout = AMI_HEADER_TIMEOUT;
  pRequest->Header.ControlCode = bDataIn ? AMI_CONTROL_IN : AMI_CONTROL_OUT;
  pRequest->Header.Length = AMI_LENGTH_BEFORE_DATA + (bDataIn ? m_cbMaxTransfer : cbData);
  pRequest->bCommand = AMI_COMMAND_DIRECT_CDB;
  pRequest->bStatus = AMI_STATUS_PENDING;
  pRequest->bControl = (BYTE)(AMI_CONTROL_BASE | AmiTimeoutCode(bDataIn, pCdb[0]));
  pRequest->bChannel = (BYTE)nChannel;
  pRequest->bTarget = (BYTE)nTarget;
  memcpy(pRequest->abCdb, pCdb, (size_t)cbCdb);
  pRequest->bCdbLength = (BYTE)cbCdb;
  pRequest->bSenseLength = AMI_SENSE_LENGTH;
  pRequest->dwDataAddress = RequestAddress(AMI_DATA_OFFSET);
  pRequest->dwDataLength = cbData;

  // A data-in command always moves the whole buffer through the request.
  DWORD cbRequest = AMI_DATA_OFFSET + (bDataIn ? m_cbMaxTransfer : cbData);
  dwResult = m_Device.IoControl(IOCTL_SCSI_MINIPORT, m_pRequest, cbRequest, cbRequest);
  if (dwResult == ERROR_SUCCESS) dwResult = pRequest->bStatus;
  return dwResult == AMI_STATUS_NO_DEVICE ? SCSI_RESULT_NO_TARGET : dwResult;
}
