#include "slotwarden/scsi/passthrough_adapter.h"

#include <string.h>

#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/scsi_results.h"

CPassThroughAdapter::CPassThroughAdapter(int nPort, DWORD cbBurst)
    : CScsiAdapter(nPort, cbBurst) {
  m_bReadWrite = 1;
  RefreshDeviceLocations();
}

CPassThroughAdapter::~CPassThroughAdapter() { Close(); }

DWORD CPassThroughAdapter::Open() {
  if (m_bOpen) return ERROR_SUCCESS;
  if (m_nPort >= g_AdapterList.GetPortCount()) return SCSI_RESULT_NOT_PROVIDED;
  if (m_apChannels[0] != NULL) {
    DWORD dwResult = ScanChannels(NULL);
    if (dwResult != ERROR_SUCCESS) return dwResult;
  }
  m_bOpen = 1;
  return ERROR_SUCCESS;
}

DWORD CPassThroughAdapter::Close() {
  m_bOpen = 0;
  return m_Device.Close();
}

DWORD CPassThroughAdapter::SelectTarget(int nChannel, int nTarget) {
  char szName[DEVICE_NAME_BUFFER_SIZE];
  GetDeviceNameForLocation((int)m_nPort, nChannel, nTarget, szName);
  DWORD dwResult = m_Device.Open(szName, m_bReadWrite ? DEVICE_READ | DEVICE_WRITE : DEVICE_READ);
  return dwResult == ERROR_FILE_NOT_FOUND ? SCSI_RESULT_NO_TARGET : dwResult;
}

DWORD CPassThroughAdapter::ReleaseTarget() {
  return m_Device.IsOpen() ? m_Device.Close() : ERROR_SUCCESS;
}

bool CPassThroughAdapter::GetSenseData(SenseRef* pSense) {
  if (m_pRequest == NULL) return false;
  const PASS_THROUGH_REQUEST* pRequest = (const PASS_THROUGH_REQUEST*)m_pRequest;
  return SenseAt(pRequest->SenseInfoOffset, pRequest->SenseInfoLength, pSense);
}

DWORD CPassThroughAdapter::Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb,
                                   int cbCdb) {
  bool bWasOpen = m_Device.IsOpen();
  DWORD cbData = 0;
  DWORD dwResult = BeginCommand(bDataIn, pCdb, cbCdb, PASS_THROUGH_CDB_FIELD, &cbData);
  if (dwResult != ERROR_SUCCESS) return dwResult;

  if (!bWasOpen) dwResult = SelectTarget(nChannel, nTarget);
  if (dwResult == ERROR_SUCCESS) {
    dwResult = Send(bDataIn, nChannel, nTarget, pCdb, cbCdb, cbData);
    if (dwResult == SCSI_RESULT_INVALID_REQUEST) {
      dwResult = FindDeviceLocation((BYTE)m_nPort, (BYTE)nChannel, (BYTE)nTarget, NULL)
                     ? SCSI_RESULT_CLAIMED_REFUSED
                     : SCSI_RESULT_NO_TARGET;
    }
  }
  if (!bWasOpen) ReleaseTarget();
  return dwResult;
}

DWORD CPassThroughAdapter::Send(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb,
                                int cbCdb, DWORD cbData) {
  PASS_THROUGH_REQUEST* pRequest = (PASS_THROUGH_REQUEST*)m_pRequest;
  memset(pRequest, 0, sizeof(*pRequest));
  pRequest->Length = sizeof(PASS_THROUGH_REQUEST);
  pRequest->PathId = (UCHAR)nChannel;
  pRequest->TargetId = (UCHAR)nTarget;
  pRequest->CdbLength = (UCHAR)cbCdb;
  pRequest->SenseInfoLength = PASS_THROUGH_SENSE_LENGTH;
  pRequest->DataIn = bDataIn ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_OUT;
  pRequest->DataTransferLength = cbData;
  pRequest->TimeOutValue = PASS_THROUGH_TIMEOUT;
  pRequest->DataBufferOffset = REQUEST_HEADER_SIZE;
  pRequest->SenseInfoOffset = PASS_THROUGH_SENSE_OFFSET;
  memcpy(pRequest->Cdb, pCdb, (size_t)cbCdb);

  DWORD dwResult =
      bDataIn ? m_Device.IoControl(IOCTL_SCSI_PASS_THROUGH, m_pRequest, sizeof(*pRequest),
                                   cbData + REQUEST_HEADER_SIZE)
              : m_Device.IoControl(IOCTL_SCSI_PASS_THROUGH, m_pRequest,
                                   cbData + REQUEST_HEADER_SIZE, REQUEST_HEADER_SIZE);
  return dwResult == ERROR_SUCCESS ? pRequest->ScsiStatus : dwResult;
}
