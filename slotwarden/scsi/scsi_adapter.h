// CScsiAdapter: one SCSI port, driven the way its driver family wants. The
// base holds what every family shares (device, channels, target geometry,
// request buffer) and the SCSI work built on ExecuteIn: the INQUIRY scan of
// the channels and the read burst that lights a drive's activity latch. Each
// family class (CAmiAdapter, CMylexAdapter, CTarnAdapter, CPassThroughAdapter)
// supplies the opening rule and the request layout of its driver.
//
// Results are DWORDs: 0, a SCSI status, a driver status or an error code
// (scsi_results.h). Used from the service's worker thread only.
#ifndef SLOTWARDEN_SCSI_SCSI_ADAPTER_H
#define SLOTWARDEN_SCSI_SCSI_ADAPTER_H

#include "platform/platform.h"
#include "slotwarden/mapping/locations.h"
#include "slotwarden/scsi/device_handle.h"
#include "slotwarden/scsi/request_layouts.h"
#include "slotwarden/scsi/scsi_channel.h"

const int SCSI_MAX_CHANNELS = 8;
const int SCSI_MAX_TARGET_IDS = 16;
const DWORD SCSI_DEFAULT_INITIATOR_ID = 7;
const DWORD SCSI_DEFAULT_MAX_TRANSFER = 0x8000;
const DWORD INQUIRY_DATA_LENGTH = 240;
// Blocks read by one command of a burst.
const DWORD BURST_BLOCKS_PER_COMMAND = 4;

// Where GetSenseData finds the sense area of the last request.
struct SenseRef {
  BYTE* pData;
  DWORD cbLength;  // the sense length the request declared
};

class CScsiAdapter {
 public:
  // nPort: the SCSI port (index in g_AdapterList); cbBurst: bytes one
  // ReadBurst reads, rounded up to a multiple of 512 (512 at least). Makes
  // one channel per bus of the port, at most SCSI_MAX_CHANNELS.
  CScsiAdapter(int nPort, DWORD cbBurst);
  virtual ~CScsiAdapter();

  // Opens the adapter's device and scans the channels; 1200 in the base.
  virtual DWORD Open();
  virtual DWORD Close();
  // Reaching one target before a command, and leaving it after.
  virtual DWORD SelectTarget(int nChannel, int nTarget);
  virtual DWORD ReleaseTarget();
  // The class's data area in the request buffer, allocating the buffer
  // (m_cbMaxTransfer + REQUEST_HEADER_SIZE bytes) first when bAllocate is
  // set; NULL while there is no buffer.
  virtual BYTE* GetDataBuffer(bool bAllocate);
  // The sense area of the request buffer; false while there is no buffer.
  virtual bool GetSenseData(SenseRef* pSense) = 0;
  // One command reading data into (In) or sending data from (Out) the data
  // area, in the class's request layout (Execute). A CDB longer than the
  // class's CDB field, or one that moves more than m_cbMaxTransfer bytes, is
  // refused with 87 before anything is sent.
  virtual DWORD ExecuteIn(int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);
  virtual DWORD ExecuteOut(int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);

  DWORD GetChannelCount() const { return m_nChannels; }
  CScsiChannel* GetChannel(int i) const { return m_apChannels[i]; }
  // Channels taking part in scans and mapping; never more than were made.
  void SetChannelCount(DWORD n);

  // One INQUIRY of 240 bytes; the data lands in GetDataBuffer(false).
  DWORD Inquiry(int nChannel, int nTarget);
  // Reads m_cbBurst bytes in READ(6) commands of at most 4 blocks, at block
  // addresses k * 256 + 4 for k = 2, 3, ...; stops at the first failure.
  DWORD ReadBurst(int nChannel, int nTarget);
  // ReadBurst on every target of the mask but the initiator's ID: 0 when at
  // least one succeeded, else the last failure (0 when none was tried).
  DWORD CauseActivity(int nChannel, WORD wTargetMask);
  // Rescan of every channel in order; *pbAnyNew (when given) = 1 when any
  // target appeared. The first failing rescan's code ends the scan.
  DWORD ScanChannels(int* pbAnyNew);
  // {nTarget, nChannel, port} into *pLocation; returns pLocation.
  ScsiLocation* MakeScsiLocation(ScsiLocation* pLocation, int nChannel, int nTarget) const;

  DWORD GetTargetIdCount() const { return m_nTargetIds; }
  DWORD GetInitiatorId() const { return m_nInitiatorId; }
  DWORD GetPort() const { return m_nPort; }
  DWORD GetFamily() const { return m_dwFamily; }
  DWORD GetBurstSize() const { return m_cbBurst; }
  DWORD GetMaxTransfer() const { return m_cbMaxTransfer; }
  bool IsDeviceOpen() const { return m_Device.IsOpen(); }

 protected:
  // ExecuteIn (bDataIn) and ExecuteOut of a family; 1200 in the base.
  virtual DWORD Execute(bool bDataIn, int nChannel, int nTarget, const BYTE* pCdb, int cbCdb);

  // The opening rule of the classes that hold their device from Open to
  // Close: nothing to do when it is open already (no rescan); otherwise open
  // the device pszFormat names with nNumber for reading and writing, then
  // ScanChannels. On either failure the device is closed again and that
  // code returned.
  DWORD OpenHeldDevice(const char* pszFormat, int nNumber);

  // The request buffer, allocated first when bAllocate is set; NULL when
  // there is none.
  BYTE* GetRequestBuffer(bool bAllocate);
  DWORD GetRequestSize() const { return m_cbMaxTransfer + REQUEST_HEADER_SIZE; }

  // The steps every ExecuteIn/ExecuteOut begins with: refuses a CDB that is
  // empty or longer than cbCdbField, or that moves more than m_cbMaxTransfer
  // bytes (87); gets the buffer, allocating it for a data-in command (8 when
  // there is none). On success *pcbData is the data length.
  DWORD BeginCommand(bool bDataIn, const BYTE* pCdb, int cbCdb, int cbCdbField,
                     DWORD* pcbData);

  // Fills *pSense with the sense area at dwOffset of the buffer when it lies
  // within the buffer.
  bool SenseAt(DWORD dwOffset, DWORD cbLength, SenseRef* pSense) const;

  // The low 32 bits of the address of byte dwOffset of the request buffer,
  // as a driver of a 32-bit system receives it.
  DWORD RequestAddress(DWORD dwOffset) const;
  // The offset in the request buffer of a 32-bit address made by
  // RequestAddress.
  DWORD RequestOffset(DWORD dwAddress) const;

  CDeviceHandle m_Device;
  DWORD m_nChannels;
  DWORD m_nTargetIds;
  DWORD m_nInitiatorId;
  DWORD m_nPort;
  DWORD m_dwFamily;
  CScsiChannel* m_apChannels[SCSI_MAX_CHANNELS];
  DWORD m_bOpen;
  DWORD m_cbBurst;
  BYTE* m_pRequest;
  DWORD m_cbMaxTransfer;
  DWORD m_bReadWrite;

 private:
  CScsiAdapter(const CScsiAdapter&);
  CScsiAdapter& operator=(const CScsiAdapter&);

  DWORD m_nChannelsMade;
};

#endif  // SLOTWARDEN_SCSI_SCSI_ADAPTER_H
