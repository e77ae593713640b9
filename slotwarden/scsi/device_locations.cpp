#include "slotwarden/scsi/device_locations.h"

#include <stdio.h>
#include <string.h>

#include "slotwarden/scsi/device_handle.h"

const char* const g_apszDeviceKinds[DEVICE_KIND_COUNT] = {
    "\\\\.\\PhysicalDrive%d",
    "\\\\.\\Scanner%d",
};

DeviceLocation g_aDeviceLocations[MAX_DEVICE_LOCATIONS];
DWORD g_nDeviceLocations = 0;
DWORD g_dwDeviceLocationsTime = 0;

namespace {

void ClearDeviceLocations() {
  g_nDeviceLocations = 0;
  g_dwDeviceLocationsTime = 0;
  memset(g_aDeviceLocations, 0xFF, sizeof(g_aDeviceLocations));
}

void ProbeDeviceKind(int nKind) {
  for (int nDevice = 0; nDevice < (int)MAX_DEVICE_LOCATIONS; ++nDevice) {
    char szName[DEVICE_NAME_BUFFER_SIZE];
    snprintf(szName, sizeof(szName), g_apszDeviceKinds[nKind], nDevice);
    CDeviceHandle device;
    if (device.Open(szName, 0) != ERROR_SUCCESS) return;
    SCSI_ADDRESS address;
    memset(&address, 0, sizeof(address));
    DWORD dwResult = device.IoControlDir(IOCTL_SCSI_GET_ADDRESS, &address, sizeof(address),
                                         XFER_FROM_DEVICE);
    device.Close();
    if (dwResult != ERROR_SUCCESS) continue;
    if (g_nDeviceLocations >= MAX_DEVICE_LOCATIONS) continue;
    DeviceLocation& entry = g_aDeviceLocations[g_nDeviceLocations++];
    entry.Address = address;
    entry.nDeviceNumber = nDevice;
    entry.nKind = nKind;
  }
}

bool LocationByteMatches(BYTE bWanted, BYTE bActual) {
  return bWanted == ANY_LOCATION_BYTE || bWanted == bActual;
}

}  // namespace

DWORD RefreshDeviceLocations() {
  if (g_dwDeviceLocationsTime != 0 &&
      (DWORD)(GetTickCount() - g_dwDeviceLocationsTime) < DEVICE_LOCATIONS_MAX_AGE) {
    return ERROR_SUCCESS;
  }
  ClearDeviceLocations();
  for (int nKind = 0; nKind < DEVICE_KIND_COUNT; ++nKind) ProbeDeviceKind(nKind);
  g_dwDeviceLocationsTime = GetTickCount();
  return ERROR_SUCCESS;
}

void ResetDeviceLocations() { ClearDeviceLocations(); }

bool FindDeviceLocation(BYTE nPort, BYTE nChannel, BYTE nTarget, int* pnIndex) {
  // Entries past the count are empty (-1) once a refresh ran, and never
  // looked at before one.
  for (int i = 0; i < (int)g_nDeviceLocations; ++i) {
    const DeviceLocation& entry = g_aDeviceLocations[i];
    if (entry.nDeviceNumber == -1) continue;
    if (!LocationByteMatches(nPort, entry.Address.PortNumber)) continue;
    if (!LocationByteMatches(nChannel, entry.Address.PathId)) continue;
    if (!LocationByteMatches(nTarget, entry.Address.TargetId)) continue;
    if (pnIndex) *pnIndex = i;
    return true;
  }
  return false;
}

int GetDeviceNameForLocation(int nPort, int nChannel, int nTarget, char* pszName) {
  RefreshDeviceLocations();
  int nIndex;
  if (FindDeviceLocation((BYTE)nPort, (BYTE)nChannel, (BYTE)nTarget, &nIndex)) {
    const DeviceLocation& entry = g_aDeviceLocations[nIndex];
    return snprintf(pszName, DEVICE_NAME_BUFFER_SIZE, g_apszDeviceKinds[entry.nKind],
                    entry.nDeviceNumber);
  }
  return snprintf(pszName, DEVICE_NAME_BUFFER_SIZE, SCSI_PORT_DEVICE_FORMAT, nPort);
}
