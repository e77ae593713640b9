// CDeviceHandle: the one way the SCSI subsystem opens a device ("\\.\SCSI%d:",
// "\\.\TRN%d", "\\.\PhysicalDrive%d", "\\.\Scanner%d"), sends it device-control
// requests and closes it. Every platform failure comes back as a Win32 error
// code; nothing throws. A request on a handle that is not open is refused with
// ERROR_DEV_NOT_EXIST (55) without a system call.
#ifndef SLOTWARDEN_SCSI_DEVICE_HANDLE_H
#define SLOTWARDEN_SCSI_DEVICE_HANDLE_H

#include "platform/platform.h"

// Access flags of Open.
const DWORD DEVICE_READ = 1;
const DWORD DEVICE_WRITE = 2;

// Direction flags of IoControlDir.
const DWORD XFER_TO_DEVICE = 1;
const DWORD XFER_FROM_DEVICE = 2;

class CDeviceHandle {
 public:
  CDeviceHandle();
  ~CDeviceHandle();

  // Opens the named device for DEVICE_READ and/or DEVICE_WRITE (0: no access
  // rights, enough for queries such as IOCTL_SCSI_GET_ADDRESS), shared for
  // reading and writing. Called only on a closed object. 0 or GetLastError().
  DWORD Open(const char* pszName, DWORD dwAccess);

  // Closes the handle when one is held; 0, or the failed CloseHandle's error.
  // The object is closed afterwards in every case.
  DWORD Close();

  bool IsOpen() const { return m_hDevice != NULL; }

  // One synchronous DeviceIoControl with pBuffer as both input (cbIn bytes)
  // and output (cbOut bytes); a size of 0 passes a null buffer. 0, 55 when
  // not open, or GetLastError().
  DWORD IoControl(DWORD dwCode, void* pBuffer, DWORD cbIn, DWORD cbOut);

  // IoControl sending cb bytes when XFER_TO_DEVICE is set in dwDirection and
  // receiving up to cb bytes when XFER_FROM_DEVICE is set.
  DWORD IoControlDir(DWORD dwCode, void* pBuffer, DWORD cb, DWORD dwDirection);

 private:
  CDeviceHandle(const CDeviceHandle&);
  CDeviceHandle& operator=(const CDeviceHandle&);

  HANDLE m_hDevice;  // NULL when not open; INVALID_HANDLE_VALUE is never kept
};

#endif  // SLOTWARDEN_SCSI_DEVICE_HANDLE_H
