// Stand-in QBXAPI.dll for test rigs under Wine: a host without a management
// controller. Opening the controller device fails with "No Hardware Found
// During Driver Open", so every exchange fails and no cage is found. The
// other calls are never reached on that road; they report the same status
// (or, for QBXSleep, pause as asked) so that nothing claims to have talked
// to hardware.
#include "platform/platform.h"
#include "platform/qbxapi.h"

namespace {

const int QBX_STATUS_NO_HARDWARE = 0x0103;

}  // namespace

extern "C" {

int QBXAPI_CALL RetryQBX_OpenDevice(void) { return QBX_STATUS_NO_HARDWARE; }

int QBXAPI_CALL QBX_MasterWriteI2C(int, BYTE, const BYTE*, int) { return QBX_STATUS_NO_HARDWARE; }

int QBXAPI_CALL QBX_IsSMSDataAvailable(DWORD* pdwAvailable) {
  if (pdwAvailable != NULL) *pdwAvailable = 0;
  return QBX_STATUS_NO_HARDWARE;
}

int QBXAPI_CALL QBX_ReadSMSMessageBuffer(BYTE*, BYTE* pbLength) {
  if (pbLength != NULL) *pbLength = 0;
  return QBX_STATUS_NO_HARDWARE;
}

int QBXAPI_CALL RetryQBX_CloseDevice(void) { return 0; }

int QBXAPI_CALL QBX_CloseDevice(void) { return 0; }

void QBXAPI_CALL QBXSleep(DWORD dwMilliseconds) { Sleep(dwMilliseconds); }

}  // extern "C"
