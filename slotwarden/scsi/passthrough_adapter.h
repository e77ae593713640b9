// CPassThroughAdapter: a port run by a standard SCSI or ATAPI port driver
// (and any driver the table does not know). No device stays open: each
// command opens the device that answers for its location (the claiming disk
// or scanner device from the location cache, else the port device), sends a
// standard IOCTL_SCSI_PASS_THROUGH and closes the device again.
#ifndef SLOTWARDEN_SCSI_PASSTHROUGH_ADAPTER_H
#define SLOTWARDEN_SCSI_PASSTHROUGH_ADAPTER_H

#include "slotwarden/scsi/scsi_adapter.h"

const DWORD PASS_THROUGH_SENSE_OFFSET = 44;
const BYTE PASS_THROUGH_SENSE_LENGTH = 32;
const int PASS_THROUGH_CDB_FIELD = 16;
const DWORD PASS_THROUGH_TIMEOUT = 5000;  // seconds

class CPassThroughAdapter : public CScsiAdapter {
 public:
  // Refreshes the location cache, so it is fresh before the first command.
  CPassThroughAdapter(int nPort, DWORD cbBurst);
  ~CPassThroughAdapter();

  // Scans the channels once; 1200 when the port is not in g_AdapterList.
  DWORD Open();
  DWORD Close();
  // Opens the location's device (130 when it does not exist).
  DWORD SelectTarget(int nChannel, int nTarget);
  DWORD ReleaseTarget();
  bool GetSenseData(SenseRef* pSense);

  void SetReadWrite(bool bReadWrite) { m_bReadWrite = bReadWrite ? 1 : 0; }
  bool IsOpen() const { return m_bOpen != 0; }

 protected:
  // Opens the location's device around the request when none is open. A
  // request the driver refuses (87) becomes 4 when a disk or scanner device
  // claims the location, else 130.
  DWORD Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);

 private:
  DWORD Send(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb,
             DWORD cbData);
};

#endif  // SLOTWARDEN_SCSI_PASSTHROUGH_ADAPTER_H
