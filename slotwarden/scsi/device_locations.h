// The location cache: which disk or scanner device ("\\.\PhysicalDrive%d",
// "\\.\Scanner%d") answers for which SCSI address. A standard pass-through to
// a target that a class driver has claimed must go to that device rather than
// to the port. The cache is process-wide, rebuilt on demand when older than
// DEVICE_LOCATIONS_MAX_AGE, and used only from the service's worker thread.
#ifndef SLOTWARDEN_SCSI_DEVICE_LOCATIONS_H
#define SLOTWARDEN_SCSI_DEVICE_LOCATIONS_H

#include "platform/platform.h"

const DWORD MAX_DEVICE_LOCATIONS = 24;
const DWORD DEVICE_LOCATIONS_MAX_AGE = 40000;  // milliseconds

// Device numbers probed per kind: 0 .. MAX_DEVICE_LOCATIONS - 1.
const int DEVICE_KIND_COUNT = 2;
extern const char* const g_apszDeviceKinds[DEVICE_KIND_COUNT];

#define SCSI_PORT_DEVICE_FORMAT "\\\\.\\SCSI%d:"

// Size of the name buffer GetDeviceNameForLocation fills.
const DWORD DEVICE_NAME_BUFFER_SIZE = 40;

// Byte value that matches any port, channel or target in a lookup.
const BYTE ANY_LOCATION_BYTE = 0xFF;

struct DeviceLocation {
  SCSI_ADDRESS Address;  // the device's answer to IOCTL_SCSI_GET_ADDRESS
  int nDeviceNumber;     // N of the device name; -1 marks an empty entry
  int nKind;             // index into g_apszDeviceKinds
};

extern DeviceLocation g_aDeviceLocations[MAX_DEVICE_LOCATIONS];
extern DWORD g_nDeviceLocations;
extern DWORD g_dwDeviceLocationsTime;  // GetTickCount at the last refresh; 0 = never

// Rebuilds the cache unless it was refreshed less than 40 s ago: for each kind
// in order, opens devices 0, 1, 2, ... (no access rights) until one fails to
// open, and keeps the first MAX_DEVICE_LOCATIONS that answer with an address.
// Always 0.
DWORD RefreshDeviceLocations();

// Forgets every entry and the refresh time, so the next refresh probes.
void ResetDeviceLocations();

// The first entry whose port, channel and target equal the given bytes, a
// byte of ANY_LOCATION_BYTE matching anything (the Lun is not compared).
// Its index goes to *pnIndex when given.
bool FindDeviceLocation(BYTE nPort, BYTE nChannel, BYTE nTarget, int* pnIndex);

// Refreshes the cache and writes into pszName (DEVICE_NAME_BUFFER_SIZE bytes)
// the device to open for a pass-through to that location: the claiming disk
// or scanner device, else the port device. Returns the length written.
int GetDeviceNameForLocation(int nPort, int nChannel, int nTarget, char* pszName);

#endif  // SLOTWARDEN_SCSI_DEVICE_LOCATIONS_H
