// IPMB request and response frames as the transport builds and checks them,
// the limits of one exchange, and the frame checks.
#ifndef SLOTWARDEN_CONTROLLER_IPMI_FRAMES_H
#define SLOTWARDEN_CONTROLLER_IPMI_FRAMES_H

#include "platform/platform.h"

#define IPMAPI_MAX_COMMAND_DATA_LENGTH 26   // request data bytes in one message
#define IPMAPI_MAX_IPMI_REQUEST_LENGTH 40   // bytes written to the bus in one exchange
#define IPMAPI_MAX_IPMI_RESPONSE_LENGTH 33  // bytes taken from the SMS buffer in one exchange
#define IPMAPI_MAX_SMS_DATA_RETRIES 100     // polls of the SMS buffer beyond the first two
#define IPMAPI_MAX_MESSAGE_RETRIES 10       // further attempts of one message
#define IMB_CC_NO_ERROR 0

#define IPMI_REQUESTER_ADDRESS 0x20  // rqSA of every request
#define IPMI_REQUESTER_LUN 2         // rqLun of every request

// Request (IPMB layout). rsSA is not written to the bus: it is the address
// handed to QBX_MasterWriteI2C. checksum2 follows the data in cmdData.
struct IpmiRequest {
  BYTE rsSA;
  BYTE netFnLun;  // netFn in bits 7-2, rsLun in bits 1-0
  BYTE checksum1;
  BYTE rqSA;
  BYTE rqSeqLun;  // rqSeq in bits 7-2, rqLun in bits 1-0
  BYTE command;
  BYTE cmdData[IPMAPI_MAX_COMMAND_DATA_LENGTH + 1];
};

// Response (IPMB layout). rqSA is not delivered by the controller; the
// transport stores 0x20 there before checking. cmdData starts with the
// completion code; checksum2 is the last byte delivered.
struct IpmiResponse {
  BYTE rqSA;
  BYTE netFnLun;  // netFn in bits 7-2, rqLun in bits 1-0
  BYTE checksum1;
  BYTE rsSA;
  BYTE rqSeqLun;  // rqSeq in bits 7-2, rsLun in bits 1-0
  BYTE command;
  BYTE cmdData[IPMAPI_MAX_IPMI_RESPONSE_LENGTH - 5];
};

static_assert(sizeof(IpmiRequest) == 6 + IPMAPI_MAX_COMMAND_DATA_LENGTH + 1, "IPMB request");
static_assert(sizeof(IpmiResponse) == 1 + IPMAPI_MAX_IPMI_RESPONSE_LENGTH, "IPMB response");

inline BYTE IpmiUpperSix(BYTE b) { return (BYTE)(b >> 2); }
inline BYTE IpmiLowerTwo(BYTE b) { return (BYTE)(b & 0x03); }

// The IPMI two's-complement checksum of nLength bytes: the run plus its
// checksum sums to 0 mod 256.
BYTE IpmiChecksum(const BYTE* pbData, int nLength);

// Fills checksum1 (of offsets 0-1) and checksum2 (of offsets 3 to 5+n,
// stored at offset 6+n) of a request with n data bytes, 0 <= n <= 26.
void SetRequestChecksums(IpmiRequest* pRequest, int n);

// Checks both checksums of a response record of nLength bytes counting
// offset 0 (7 to 34); throws CIpmApiExceptionInvalidChecksum.
void CheckResponseChecksums(const IpmiResponse* pResponse, int nLength);

// Compares the response's header with its request's, field by field in a
// fixed order; the first mismatch throws CIpmApiException.
void CheckRequestVsResponse(const IpmiRequest* pRequest, const IpmiResponse* pResponse);

#endif  // SLOTWARDEN_CONTROLLER_IPMI_FRAMES_H
