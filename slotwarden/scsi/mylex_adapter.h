// CMylexAdapter: a port run by the Mylex RAID driver. The port device
// "\\.\SCSI%d:" stays open from Open to Close; each command is the driver's
// direct-CDB command behind an SRB_IO_CONTROL header (IOCTL_SCSI_MINIPORT),
// answered by a 16-bit status (14 or 15: nothing at that location). Every
// target ID 0..15 is addressed, and one command moves at most 4096 bytes.
// The driver's two private identification requests are not sent: nothing
// uses their answers.
#ifndef SLOTWARDEN_SCSI_MYLEX_ADAPTER_H
#define SLOTWARDEN_SCSI_MYLEX_ADAPTER_H

#include "slotwarden/scsi/scsi_adapter.h"

const DWORD MYLEX_DATA_OFFSET = 148;
const DWORD MYLEX_SENSE_OFFSET = 82;
const int MYLEX_CDB_FIELD = 12;
const DWORD MYLEX_MAX_TRANSFER = 4096;
const DWORD MYLEX_INITIATOR_ID = 254;  // no target ID is the adapter's own
const BYTE MYLEX_COMMAND_DIRECT_CDB = 4;
const BYTE MYLEX_DIRECTION_IN = 0x81;
const BYTE MYLEX_DIRECTION_OUT = 0x82;
const WORD MYLEX_STATUS_NO_DEVICE = 14;
const WORD MYLEX_STATUS_NO_DEVICE_ALT = 15;

class CMylexAdapter : public CScsiAdapter {
 public:
  CMylexAdapter(int nPort, DWORD cbBurst);
  ~CMylexAdapter();

  DWORD Open();
  DWORD Close();
  BYTE* GetDataBuffer(bool bAllocate);
  bool GetSenseData(SenseRef* pSense);

 protected:
  DWORD Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);
};

#endif  // SLOTWARDEN_SCSI_MYLEX_ADAPTER_H
