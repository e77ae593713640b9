// CIpmApi: one IPMI device on the management controller's I2C bus.
//
// The transport sends one request through QBXAPI, validates the response and
// retries a failed or refused message up to ten times, 500 ms apart. The
// eleven virtual commands are standard IPMI device operations; the FRU range
// operations call the others virtually, so a derived class's overrides run
// inside them. Failures are thrown as CIpmApiException and its kinds.
//
// The class holds no resources and is copied member by member, sequence
// number included.
#ifndef SLOTWARDEN_CONTROLLER_IPM_API_H
#define SLOTWARDEN_CONTROLLER_IPM_API_H

#include "platform/platform.h"
#include "slotwarden/controller/byte_buffer.h"
#include "slotwarden/controller/ipmi_records.h"

#define IPMI_NETFN_APP 0x06
#define IPMI_NETFN_STORAGE 0x0A

#define IPMI_CMD_GET_DEVICE_ID 0x01
#define IPMI_CMD_COLD_RESET 0x02
#define IPMI_CMD_WARM_RESET 0x03
#define IPMI_CMD_GET_SELF_TEST_RESULTS 0x04
#define IPMI_CMD_MFG_TEST_ON 0x05
#define IPMI_CMD_GET_FRU_INVENTORY_AREA_INFO 0x10
#define IPMI_CMD_READ_FRU_DATA 0x11
#define IPMI_CMD_WRITE_FRU_DATA 0x12

#define COLD_RESET_PAUSE_MS 10000  // a cold-reset device needs this long
#define FRU_READ_CHUNK_BYTES 22
#define FRU_WRITE_CHUNK_BYTES 16

class CIpmApi {
 public:
  CIpmApi();
  virtual ~CIpmApi() = default;
  CIpmApi(const CIpmApi&) = default;
  CIpmApi& operator=(const CIpmApi&) = default;

  void SetSlaveAddress(BYTE bSlaveAddress) { m_bSlaveAddress = bSlaveAddress; }
  BYTE GetSlaveAddress() const { return m_bSlaveAddress; }

  // One message with retries. *pnResponseDataLength: on entry the response
  // bytes expected counting the completion code (0 or less: no answer is
  // read); on return, for an expected answer, the bytes stored at
  // pbResponseData (completion code first). A non-zero completion code is
  // returned, not thrown, once the retries are spent.
  void SendReceiveIPMIMessage(BYTE bNetFn, BYTE bCommand, const BYTE* pbCommandData,
                              int nCommandDataLength, BYTE* pbResponseData,
                              int* pnResponseDataLength);

  // One exchange: writes nRequestLength bytes (offsets 1 to 6+n of a request)
  // and collects *pnResponseLength bytes (0: none) from the SMS buffer into
  // pbResponse; on return *pnResponseLength holds the number collected.
  void SendReceiveData(const BYTE* pbRequest, int nRequestLength, BYTE* pbResponse,
                       int* pnResponseLength);

  virtual DeviceResponse GetDeviceID();
  virtual void ColdReset();
  virtual void WarmReset();
  virtual TestResultsResponse GetSelfTestResults();
  virtual void MfgTestOn();
  virtual FRUInfoResponse GetFRUInventoryAreaInfo();
  virtual ReadFRUResponse ReadFRUInventoryData(ReadFRURequest Request);
  virtual WriteFRUResponse WriteFRUInventoryData(WriteFRURequest Request);
  virtual CByteBuffer ReadFRUData(WORD wOffset, WORD wCount);
  virtual CByteBuffer ReadAllFRUData();
  virtual void WriteFRUData(WORD wOffset, CByteBuffer Data);

 protected:
  BYTE m_bSlaveAddress;
  BYTE m_bLun;
  BYTE m_bSequenceNumber;
};

#endif  // SLOTWARDEN_CONTROLLER_IPM_API_H
