#include "slotwarden/scsi/scsi_adapter.h"

#include <new>
#include <stdio.h>
#include <string.h>

#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/cdb_length.h"
#include "slotwarden/scsi/device_locations.h"
#include "slotwarden/scsi/scsi_results.h"

CScsiAdapter::CScsiAdapter(int nPort, DWORD cbBurst)
    : m_nChannels(0),
      m_nTargetIds(SCSI_MAX_TARGET_IDS),
      m_nInitiatorId(SCSI_DEFAULT_INITIATOR_ID),
      m_nPort((DWORD)nPort),
      m_dwFamily(0),
      m_bOpen(0),
      m_cbBurst(SCSI_BLOCK_SIZE),
      m_pRequest(NULL),
      m_cbMaxTransfer(SCSI_DEFAULT_MAX_TRANSFER),
      m_bReadWrite(0),
      m_nChannelsMade(0) {
  if (cbBurst > SCSI_BLOCK_SIZE) {
    m_cbBurst = (cbBurst + SCSI_BLOCK_SIZE - 1) / SCSI_BLOCK_SIZE * SCSI_BLOCK_SIZE;
  }
  for (int i = 0; i < SCSI_MAX_CHANNELS; ++i) m_apChannels[i] = NULL;

  PortInfo info;
  if (nPort < 0 || !g_AdapterList.GetPortInfo((DWORD)nPort, &info)) return;
  m_dwFamily = info.dwFamily;
  // A port with more buses than channel objects uses its first ones.
  DWORD nBuses = info.dwBusCount < (DWORD)SCSI_MAX_CHANNELS ? info.dwBusCount
                                                            : (DWORD)SCSI_MAX_CHANNELS;
  for (DWORD i = 0; i < nBuses; ++i) {
    m_apChannels[i] = new (std::nothrow) CScsiChannel(this, (int)i);
    if (m_apChannels[i] == NULL) break;
    ++m_nChannelsMade;
  }
  m_nChannels = m_nChannelsMade;
}

CScsiAdapter::~CScsiAdapter() {
  delete[] m_pRequest;
  m_pRequest = NULL;
  for (int i = 0; i < SCSI_MAX_CHANNELS; ++i) {
    delete m_apChannels[i];
    m_apChannels[i] = NULL;
  }
  m_Device.Close();
}

DWORD CScsiAdapter::Open() { return SCSI_RESULT_NOT_PROVIDED; }

DWORD CScsiAdapter::Close() { return SCSI_RESULT_NOT_PROVIDED; }

DWORD CScsiAdapter::SelectTarget(int nChannel, int nTarget) { return Inquiry(nChannel, nTarget); }

DWORD CScsiAdapter::ReleaseTarget() { return ERROR_SUCCESS; }

BYTE* CScsiAdapter::GetDataBuffer(bool bAllocate) {
  BYTE* pbRequest = GetRequestBuffer(bAllocate);
  return pbRequest ? pbRequest + REQUEST_HEADER_SIZE : NULL;
}

DWORD CScsiAdapter::ExecuteIn(int nChannel, int nTarget, const BYTE* pCdb, int cbCdb) {
  return Execute(true, nChannel, nTarget, pCdb, cbCdb);
}

DWORD CScsiAdapter::ExecuteOut(int nChannel, int nTarget, const BYTE* pCdb, int cbCdb) {
  return Execute(false, nChannel, nTarget, pCdb, cbCdb);
}

DWORD CScsiAdapter::Execute(bool, int, int, const BYTE*, int) { return SCSI_RESULT_NOT_PROVIDED; }

void CScsiAdapter::SetChannelCount(DWORD n) {
  m_nChannels = n < m_nChannelsMade ? n : m_nChannelsMade;
}

DWORD CScsiAdapter::Inquiry(int nChannel, int nTarget) {
  static const BYTE abInquiry[6] = {SCSIOP_INQUIRY, 0x00, 0x00, 0x00, INQUIRY_DATA_LENGTH, 0x00};
  BYTE* pbData = GetDataBuffer(true);
  if (pbData) memset(pbData, 0, INQUIRY_DATA_LENGTH);
  return ExecuteIn(nChannel, nTarget, abInquiry, sizeof(abInquiry));
}

DWORD CScsiAdapter::ReadBurst(int nChannel, int nTarget) {
  DWORD nBlocksLeft = m_cbBurst / SCSI_BLOCK_SIZE;
  for (BYTE k = 2; nBlocksLeft > 0; ++k) {
    DWORD nBlocks = nBlocksLeft < BURST_BLOCKS_PER_COMMAND ? nBlocksLeft : BURST_BLOCKS_PER_COMMAND;
    const BYTE abRead[6] = {SCSIOP_READ6, 0x00, k, 0x04, (BYTE)nBlocks, 0x00};
    DWORD dwResult = ExecuteIn(nChannel, nTarget, abRead, sizeof(abRead));
    if (dwResult != ERROR_SUCCESS) return dwResult;
    nBlocksLeft -= nBlocks;
  }
  return ERROR_SUCCESS;
}

DWORD CScsiAdapter::CauseActivity(int nChannel, WORD wTargetMask) {
  WORD wSucceeded = 0;
  DWORD dwError = ERROR_SUCCESS;
  for (DWORD nTarget = 0; nTarget < m_nTargetIds; ++nTarget) {
    if (nTarget == m_nInitiatorId) continue;
    if (!((wTargetMask >> nTarget) & 1)) continue;
    DWORD dwResult = ReadBurst(nChannel, (int)nTarget);
    if (dwResult == ERROR_SUCCESS) {
      wSucceeded |= (WORD)(1u << nTarget);
    } else {
      dwError = dwResult;
    }
  }
  return wSucceeded != 0 ? ERROR_SUCCESS : dwError;
}

DWORD CScsiAdapter::ScanChannels(int* pbAnyNew) {
  if (pbAnyNew) *pbAnyNew = 0;
  for (DWORD i = 0; i < m_nChannels; ++i) {
    WORD wNew = 0;
    DWORD dwResult = m_apChannels[i]->Rescan(&wNew);
    if (dwResult != ERROR_SUCCESS) return dwResult;
    if (pbAnyNew && wNew != 0) *pbAnyNew = 1;
  }
  return ERROR_SUCCESS;
}

ScsiLocation* CScsiAdapter::MakeScsiLocation(ScsiLocation* pLocation, int nChannel,
                                             int nTarget) const {
  pLocation->bTarget = (BYTE)nTarget;
  pLocation->bChannel = (BYTE)nChannel;
  pLocation->bAdapter = (BYTE)m_nPort;
  return pLocation;
}

DWORD CScsiAdapter::OpenHeldDevice(const char* pszFormat, int nNumber) {
  if (m_Device.IsOpen()) return ERROR_SUCCESS;
  char szName[DEVICE_NAME_BUFFER_SIZE];
  snprintf(szName, sizeof(szName), pszFormat, nNumber);
  DWORD dwResult = m_Device.Open(szName, DEVICE_READ | DEVICE_WRITE);
  if (dwResult == ERROR_SUCCESS) dwResult = ScanChannels(NULL);
  if (dwResult != ERROR_SUCCESS) m_Device.Close();
  return dwResult;
}

BYTE* CScsiAdapter::GetRequestBuffer(bool bAllocate) {
  if (bAllocate && m_pRequest == NULL) {
    // Zeroed, so a header read before the first command holds no garbage.
    m_pRequest = new (std::nothrow) BYTE[GetRequestSize()]();
  }
  return m_pRequest;
}

DWORD CScsiAdapter::BeginCommand(bool bDataIn, const BYTE* pCdb, int cbCdb, int cbCdbField,
                                 DWORD* pcbData) {
  if (pCdb == NULL || cbCdb <= 0 || cbCdb > cbCdbField) return SCSI_RESULT_INVALID_REQUEST;
  DWORD cbData = GetCdbDataLength(pCdb, cbCdb);
  if (cbData > m_cbMaxTransfer) return SCSI_RESULT_INVALID_REQUEST;
  if (GetRequestBuffer(bDataIn) == NULL) return SCSI_RESULT_NO_BUFFER;
  *pcbData = cbData;
  return ERROR_SUCCESS;
}

bool CScsiAdapter::SenseAt(DWORD dwOffset, DWORD cbLength, SenseRef* pSense) const {
  if (m_pRequest == NULL) return false;
  if (dwOffset > GetRequestSize() || cbLength > GetRequestSize() - dwOffset) return false;
  pSense->pData = m_pRequest + dwOffset;
  pSense->cbLength = cbLength;
  return true;
}

DWORD CScsiAdapter::RequestAddress(DWORD dwOffset) const {
  return (DWORD)(ULONG_PTR)(m_pRequest + dwOffset);
}

DWORD CScsiAdapter::RequestOffset(DWORD dwAddress) const {
  return dwAddress - (DWORD)(ULONG_PTR)m_pRequest;
}
