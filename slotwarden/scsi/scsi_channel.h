// CScsiChannel: one bus of an adapter and the targets an INQUIRY found on it
// as direct-access devices. The masks change only in Rescan.
#ifndef SLOTWARDEN_SCSI_SCSI_CHANNEL_H
#define SLOTWARDEN_SCSI_SCSI_CHANNEL_H

#include "platform/platform.h"

class CScsiAdapter;

class CScsiChannel {
 public:
  CScsiChannel(CScsiAdapter* pAdapter, int nChannel);

  // INQUIRY of every target ID but the adapter's own: m_wPresent becomes
  // the set of direct-access devices, m_wPrevious the set before. *pwNew
  // (when given) receives the targets that appeared. 0, or 55 at once when
  // the adapter's device is not open (*pwNew is then not written).
  DWORD Rescan(WORD* pwNew);

  // Whether the target is present now but was not before the last Rescan.
  bool IsNewTarget(int nTarget) const;

  WORD GetPresentTargets() const { return m_wPresent; }
  void MarkPresent(int nTarget);
  int GetChannelNumber() const { return (int)m_nChannel; }

 private:
  WORD m_wPresent;
  WORD m_wPrevious;
  CScsiAdapter* m_pAdapter;
  DWORD m_nChannel;
};

#endif  // SLOTWARDEN_SCSI_SCSI_CHANNEL_H
