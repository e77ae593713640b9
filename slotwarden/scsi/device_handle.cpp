#include "slotwarden/scsi/device_handle.h"

CDeviceHandle::CDeviceHandle() : m_hDevice(NULL) {}

CDeviceHandle::~CDeviceHandle() { Close(); }

DWORD CDeviceHandle::Open(const char* pszName, DWORD dwAccess) {
  DWORD dwDesired = 0;
  if (dwAccess & DEVICE_READ) dwDesired |= GENERIC_READ;
  if (dwAccess & DEVICE_WRITE) dwDesired |= GENERIC_WRITE;
  HANDLE hDevice = CreateFileA(pszName, dwDesired, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL);
  if (hDevice == INVALID_HANDLE_VALUE) return GetLastError();
  m_hDevice = hDevice;
  return ERROR_SUCCESS;
}

DWORD CDeviceHandle::Close() {
  if (m_hDevice == NULL) return ERROR_SUCCESS;
  DWORD dwResult = CloseHandle(m_hDevice) ? ERROR_SUCCESS : GetLastError();
  m_hDevice = NULL;
  return dwResult;
}

DWORD CDeviceHandle::IoControl(DWORD dwCode, void* pBuffer, DWORD cbIn, DWORD cbOut) {
  if (m_hDevice == NULL) return ERROR_DEV_NOT_EXIST;
  DWORD cbReturned = 0;
  BOOL bOk = DeviceIoControl(m_hDevice, dwCode, cbIn ? pBuffer : NULL, cbIn,
                             cbOut ? pBuffer : NULL, cbOut, &cbReturned, NULL);
  return bOk ? ERROR_SUCCESS : GetLastError();
}

DWORD CDeviceHandle::IoControlDir(DWORD dwCode, void* pBuffer, DWORD cb, DWORD dwDirection) {
  return IoControl(dwCode, pBuffer, (dwDirection & XFER_TO_DEVICE) ? cb : 0,
                   (dwDirection & XFER_FROM_DEVICE) ? cb : 0);
}
