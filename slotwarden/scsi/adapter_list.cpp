#include "slotwarden/scsi/adapter_list.h"

#include <stdio.h>
#include <string.h>

CAdapterList g_AdapterList;

namespace {

// Number of consecutive "Scsi Bus %d" subkeys from bus 0 on.
DWORD CountBuses(HKEY hPort) {
  DWORD nBuses = 0;
  for (;;) {
    char szBus[32];
    snprintf(szBus, sizeof(szBus), SCSI_BUS_KEY_FORMAT, (int)nBuses);
    HKEY hBus;
    if (RegOpenKeyExA(hPort, szBus, 0, KEY_READ, &hBus) != ERROR_SUCCESS) return nBuses;
    RegCloseKey(hBus);
    ++nBuses;
  }
}

}  // namespace

CAdapterList::CAdapterList() { Reload(); }

DWORD CAdapterList::Reload() {
  memset(m_aPorts, 0, sizeof(m_aPorts));
  m_nPorts = 0;
  return Scan();
}

bool CAdapterList::GetPortInfo(DWORD nIndex, PortInfo* pInfo) {
  if (Scan() != ERROR_SUCCESS) return false;
  if (nIndex >= m_nPorts) return false;
  if (pInfo) *pInfo = m_aPorts[nIndex];
  return true;
}

DWORD CAdapterList::Scan() {
  if (m_nPorts != 0) return ERROR_SUCCESS;
  DWORD dwResult = ERROR_SUCCESS;
  // Port keys past the tenth are not looked at.
  for (DWORD nPort = 0; nPort < MAX_SCSI_PORTS; ++nPort) {
    dwResult = ReadPort(nPort, &m_aPorts[nPort]);
    if (dwResult != ERROR_SUCCESS) break;
    m_nPorts = nPort + 1;
  }
  return m_nPorts != 0 ? ERROR_SUCCESS : dwResult;
}

DWORD CAdapterList::ReadPort(DWORD nPort, PortInfo* pInfo) {
  char szKey[64];
  snprintf(szKey, sizeof(szKey), SCSI_PORT_KEY_FORMAT, (int)nPort);
  HKEY hPort;
  LONG lResult = RegOpenKeyExA(HKEY_LOCAL_MACHINE, szKey, 0, KEY_READ, &hPort);
  if (lResult != ERROR_SUCCESS) return (DWORD)lResult;

  // One spare byte keeps a value that fills all 80 bytes a terminated string.
  char szDriver[DRIVER_NAME_BUFFER_SIZE + 1];
  memset(szDriver, 0, sizeof(szDriver));
  DWORD cbDriver = DRIVER_NAME_BUFFER_SIZE;
  lResult = RegQueryValueExA(hPort, SCSI_PORT_DRIVER_VALUE, NULL, NULL, (LPBYTE)szDriver,
                             &cbDriver);
  if (lResult != ERROR_SUCCESS) {
    RegCloseKey(hPort);
    return (DWORD)lResult;
  }

  int nRow = 0;
  ClassifyDriver(szDriver, &nRow);
  pInfo->dwFamily = g_aDriverPatterns[nRow].dwFamily;
  pInfo->dwBusCount = CountBuses(hPort);
  RegCloseKey(hPort);
  return ERROR_SUCCESS;
}
