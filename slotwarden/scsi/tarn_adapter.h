// CTarnAdapter: a port run by the maker's own SCSI driver. Its device
// "\\.\TRN%d" (numbered from 0 across the ports the driver runs, in port
// order) stays open from Open to Close; each command is a SCSI request block
// sent with IOCTL_TARN_EXECUTE_SRB and answered by its SrbStatus.
#ifndef SLOTWARDEN_SCSI_TARN_ADAPTER_H
#define SLOTWARDEN_SCSI_TARN_ADAPTER_H

#include "slotwarden/scsi/scsi_adapter.h"

#define TARN_DEVICE_FORMAT "\\\\.\\TRN%d"

const DWORD TARN_DATA_OFFSET = 96;
const DWORD TARN_SENSE_OFFSET = 64;
const int TARN_CDB_FIELD = 16;
// A data-in request never asks for fewer bytes than this.
const DWORD TARN_MIN_DATA_IN = 32;

const BYTE SRB_FUNCTION_EXECUTE_SCSI = 0x00;
const BYTE SRB_STATUS_SUCCESS = 0x01;
const BYTE SRB_STATUS_SELECTION_TIMEOUT = 0x0A;
const BYTE SRB_STATUS_DATA_OVERRUN = 0x12;
const BYTE SRB_QUEUE_TAG_UNTAGGED = 0xFF;
const DWORD SRB_FLAGS_DATA_IN = 0x00000040;
const DWORD SRB_FLAGS_DATA_OUT = 0x00000080;
const DWORD SRB_FLAGS_DISABLE_SYNCH_TRANSFER = 0x00000008;
const DWORD SRB_FLAGS_IS_ACTIVE = 0x00010000;

// Time-outs of the request block, in seconds.
const DWORD TARN_TIMEOUT_DEFAULT = 5;
const DWORD TARN_TIMEOUT_FORMAT_UNIT = 7500;
const DWORD TARN_TIMEOUT_WRITE_BUFFER = 600;

// The TRN device number of port nPort: how many ports below it the maker's
// driver runs (family 6 in g_AdapterList).
int GetTarnDeviceNumber(int nPort);

class CTarnAdapter : public CScsiAdapter {
 public:
  CTarnAdapter(int nPort, DWORD cbBurst);
  ~CTarnAdapter();

  DWORD Open();
  DWORD Close();
  BYTE* GetDataBuffer(bool bAllocate);
  bool GetSenseData(SenseRef* pSense);

 protected:
  DWORD Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);
};

#endif  // SLOTWARDEN_SCSI_TARN_ADAPTER_H
