// CAmiAdapter: a port run by an AMI RAID driver. The port device
// "\\.\SCSI%d:" stays open from Open to Close; each command is the driver's
// direct SCSI command behind an SRB_IO_CONTROL header (IOCTL_SCSI_MINIPORT),
// answered by a status byte (0xF0: nothing at that location).
#ifndef SLOTWARDEN_SCSI_AMI_ADAPTER_H
#define SLOTWARDEN_SCSI_AMI_ADAPTER_H

#include "slotwarden/scsi/scsi_adapter.h"

const DWORD AMI_DATA_OFFSET = 96;
const DWORD AMI_SENSE_OFFSET = 54;
const int AMI_CDB_FIELD = 10;
const BYTE AMI_COMMAND_DIRECT_CDB = 3;
const BYTE AMI_STATUS_PENDING = 0xAA;  // what the status byte holds when sent
const BYTE AMI_STATUS_NO_DEVICE = 0xF0;
const BYTE AMI_CONTROL_BASE = 0x08;
// Time-out codes in the control byte's two low bits.
const BYTE AMI_TIMEOUT_FORMAT_UNIT = 3;
const BYTE AMI_TIMEOUT_WRITE_BUFFER = 2;

class CAmiAdapter : public CScsiAdapter {
 public:
  CAmiAdapter(int nPort, DWORD cbBurst);
  ~CAmiAdapter();

  DWORD Open();
  DWORD Close();
  BYTE* GetDataBuffer(bool bAllocate);
  bool GetSenseData(SenseRef* pSense);

 protected:
  DWORD Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);
};

#endif  // SLOTWARDEN_SCSI_AMI_ADAPTER_H
