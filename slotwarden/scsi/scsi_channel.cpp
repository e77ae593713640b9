#include "slotwarden/scsi/scsi_channel.h"

#include "slotwarden/scsi/scsi_adapter.h"
#include "slotwarden/scsi/scsi_results.h"

namespace {

// Peripheral device type (low five bits of INQUIRY byte 0) of a disk.
const BYTE PERIPHERAL_TYPE_MASK = 0x1F;
const BYTE PERIPHERAL_DIRECT_ACCESS = 0x00;

}  // namespace

CScsiChannel::CScsiChannel(CScsiAdapter* pAdapter, int nChannel)
    : m_wPresent(0), m_wPrevious(0), m_pAdapter(pAdapter), m_nChannel((DWORD)nChannel) {}

DWORD CScsiChannel::Rescan(WORD* pwNew) {
  m_wPrevious = m_wPresent;
  m_wPresent = 0;
  for (DWORD nTarget = 0; nTarget < m_pAdapter->GetTargetIdCount(); ++nTarget) {
    if (nTarget == m_pAdapter->GetInitiatorId()) continue;
    DWORD dwResult = m_pAdapter->Inquiry((int)m_nChannel, (int)nTarget);
    if (dwResult == SCSI_RESULT_NOT_OPEN) return dwResult;
    if (dwResult != ERROR_SUCCESS) continue;
    const BYTE* pbData = m_pAdapter->GetDataBuffer(false);
    if (pbData && (pbData[0] & PERIPHERAL_TYPE_MASK) == PERIPHERAL_DIRECT_ACCESS) {
      MarkPresent((int)nTarget);
    }
  }
  if (pwNew) *pwNew = (WORD)(m_wPresent & ~m_wPrevious);
  return ERROR_SUCCESS;
}

bool CScsiChannel::IsNewTarget(int nTarget) const {
  if (nTarget < 0 || nTarget >= SCSI_MAX_TARGET_IDS) return false;
  return ((m_wPresent & ~m_wPrevious) >> nTarget) & 1;
}

void CScsiChannel::MarkPresent(int nTarget) {
  if (nTarget < 0 || nTarget >= SCSI_MAX_TARGET_IDS) return;
  m_wPresent |= (WORD)(1u << nTarget);
}
