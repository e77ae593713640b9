// QBXAPI: the management microcontroller's access library (QBXAPI.dll).
//
// The seven functions SlotWarden calls. Every one uses the C calling
// convention (__cdecl) on Windows, so the exported names are undecorated on
// both x86 and x64. Each function that returns a status returns 0 for
// success and a QBX status code otherwise.
//
// One exchange: RetryQBX_OpenDevice, QBX_MasterWriteI2C, QBXSleep(50), then,
// when an answer is expected, QBX_IsSMSDataAvailable until it reports a
// message and QBX_ReadSMSMessageBuffer, and last RetryQBX_CloseDevice.
// QBX_CloseDevice closes the device after a failure.
#ifndef PLATFORM_QBXAPI_H
#define PLATFORM_QBXAPI_H

#include "platform/platform.h"

#ifdef _WIN32
#define QBXAPI_CALL __cdecl
#else
#define QBXAPI_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opens the controller device for this process.
int QBXAPI_CALL RetryQBX_OpenDevice(void);

// Writes nLength bytes, as I2C bus master, to the device at the 8-bit slave
// address bSlaveAddress. nBus is always 0.
int QBXAPI_CALL QBX_MasterWriteI2C(int nBus, BYTE bSlaveAddress, const BYTE* pbData, int nLength);

// Sets *pdwAvailable non-zero when a message waits in the SMS message buffer.
int QBXAPI_CALL QBX_IsSMSDataAvailable(DWORD* pdwAvailable);

// Stores the waiting message, from its netFn/LUN byte to its last checksum.
// *pbLength is the room in pbBuffer on entry and the bytes stored on return.
int QBXAPI_CALL QBX_ReadSMSMessageBuffer(BYTE* pbBuffer, BYTE* pbLength);

// Closes the controller device.
int QBXAPI_CALL RetryQBX_CloseDevice(void);

// Closes the device after a failure; the result is not examined.
int QBXAPI_CALL QBX_CloseDevice(void);

// Returns after dwMilliseconds.
void QBXAPI_CALL QBXSleep(DWORD dwMilliseconds);

#ifdef __cplusplus
}
#endif

#endif  // PLATFORM_QBXAPI_H
