// Result and argument records of the IPMI device commands, laid out as they
// travel: byte-packed, 16-bit fields least significant byte first.
#ifndef SLOTWARDEN_CONTROLLER_IPMI_RECORDS_H
#define SLOTWARDEN_CONTROLLER_IPMI_RECORDS_H

#include "platform/platform.h"

#define FRU_READ_DATA_LENGTH 30   // data bytes of a ReadFRUResponse
#define FRU_WRITE_DATA_LENGTH 30  // data bytes of a WriteFRURequest
#define FRU_ACCESS_BY_WORDS 0x01  // accessType bit 0: the area is moved in 2-byte words

#pragma pack(push, 1)

struct DeviceResponse {
  BYTE completionCode;
  BYTE deviceId;
  BYTE deviceRevision;
  BYTE firmwareRevision1;
  BYTE firmwareRevision2;
  BYTE ipmiVersion;
  BYTE additionalDeviceSupport;
};

struct TestResultsResponse {
  BYTE completionCode;
  BYTE selfTestResult;
};

// Offsets, counts and fruInventoryAreaSize are in access units: bytes, or
// words when accessType bit 0 is set.
struct FRUInfoResponse {
  BYTE completionCode;
  WORD fruInventoryAreaSize;
  BYTE accessType;
};

struct ReadFRURequest {
  WORD wOffset;
  BYTE bCount;
};

struct ReadFRUResponse {
  BYTE completionCode;
  BYTE countReturned;
  BYTE data[FRU_READ_DATA_LENGTH];
};

// Sent as offset LS, offset MS and the first bCount bytes of data.
struct WriteFRURequest {
  WORD wOffset;
  BYTE data[FRU_WRITE_DATA_LENGTH];
  BYTE bCount;
};

struct WriteFRUResponse {
  BYTE completionCode;
  BYTE countWritten;
};

#pragma pack(pop)

static_assert(sizeof(DeviceResponse) == 7, "Get Device ID record");
static_assert(sizeof(TestResultsResponse) == 2, "self test record");
static_assert(sizeof(FRUInfoResponse) == 4, "FRU area info record");
static_assert(sizeof(ReadFRUResponse) == 32, "FRU read record");
static_assert(sizeof(WriteFRUResponse) == 2, "FRU write record");

#endif  // SLOTWARDEN_CONTROLLER_IPMI_RECORDS_H
