// CAdapterList: the machine's SCSI ports, read from the registry's SCSI
// device map (HKLM\HARDWARE\DEVICEMAP\Scsi\Scsi Port n): one PortInfo per
// port, in port order 0, 1, 2, ... without gaps, up to MAX_SCSI_PORTS.
//
// The one instance, g_AdapterList, reads the map when the process starts.
// The map is read again only while the list is empty (at GetPortInfo), or
// on an explicit Reload.
#ifndef SLOTWARDEN_SCSI_ADAPTER_LIST_H
#define SLOTWARDEN_SCSI_ADAPTER_LIST_H

#include "platform/platform.h"
#include "slotwarden/scsi/driver_patterns.h"

const DWORD MAX_SCSI_PORTS = 10;

// Size of the buffer the "Driver" value is read into.
const DWORD DRIVER_NAME_BUFFER_SIZE = 80;

#define SCSI_PORT_KEY_FORMAT "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %d"
#define SCSI_BUS_KEY_FORMAT "Scsi Bus %d"
#define SCSI_PORT_DRIVER_VALUE "Driver"

struct PortInfo {
  DWORD dwFamily;    // ADAPTER_FAMILY_...
  DWORD dwBusCount;  // buses (channels) of the port
};

class CAdapterList {
 public:
  // Clears the list and reads the device map (Reload).
  CAdapterList();

  DWORD GetPortCount() const { return m_nPorts; }

  // Runs Scan; then whether nIndex is a known port, copying its entry to
  // *pInfo (when given). False when Scan fails.
  bool GetPortInfo(DWORD nIndex, PortInfo* pInfo);

  // Reads the device map, but only while no port is known (else 0 at once).
  // Stops at the first port key that cannot be opened or has no readable
  // "Driver" value. 0 when at least one port is known, else the registry
  // error that ended the scan.
  DWORD Scan();

  // Forgets every port and reads the device map again: what construction
  // does. For a machine whose SCSI ports changed since the process started.
  DWORD Reload();

 private:
  DWORD ReadPort(DWORD nPort, PortInfo* pInfo);

  DWORD m_nPorts;
  PortInfo m_aPorts[MAX_SCSI_PORTS];
};

extern CAdapterList g_AdapterList;

#endif  // SLOTWARDEN_SCSI_ADAPTER_LIST_H
