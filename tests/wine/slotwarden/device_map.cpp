// Edits the SCSI device map of a Wine prefix for the SlotWarden test.
//
// HKLM\HARDWARE is volatile, and a volatile key takes only volatile
// subkeys, so `reg add` cannot create a port there; this tool creates them
// with REG_OPTION_VOLATILE. It also keeps the prefix's own device map aside
// while the test runs and puts it back afterwards.
//
//   device_map add <port> <driver> <buses>  "Scsi Port <port>" with "Driver"
//                                           and "Scsi Bus 0".."Scsi Bus <buses-1>"
//   device_map save                         copy the device map to the stash key
//   device_map restore                      replace the device map by the stash
//                                           (none when nothing was saved) and
//                                           drop the stash
// Exit code 0 on success, else 1 with the failing Win32 error printed.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/platform.h"

namespace {

const char DEVICE_MAP_KEY[] = "HARDWARE\\DEVICEMAP\\Scsi";
const char STASH_KEY[] = "SOFTWARE\\Ostravale\\WineTestScsiDeviceMap";

const DWORD MAX_NAME = 256;
const DWORD MAX_DATA = 4096;

LONG CreateKey(HKEY hParent, const char* pszName, DWORD dwOptions, HKEY* phKey) {
  return RegCreateKeyExA(hParent, pszName, 0, NULL, dwOptions, KEY_ALL_ACCESS, NULL, phKey, NULL);
}

LONG CopySubkey(HKEY hFromParent, const char* pszFrom, HKEY hToParent, const char* pszTo,
                DWORD dwOptions);

// Copies every value and subkey of hFrom into hTo, creating the subkeys
// with dwOptions.
LONG CopyTree(HKEY hFrom, HKEY hTo, DWORD dwOptions) {
  for (DWORD i = 0;; ++i) {
    char szName[MAX_NAME];
    BYTE abData[MAX_DATA];
    DWORD cchName = MAX_NAME;
    DWORD cbData = MAX_DATA;
    DWORD dwType = 0;
    LONG lResult = RegEnumValueA(hFrom, i, szName, &cchName, NULL, &dwType, abData, &cbData);
    if (lResult == ERROR_NO_MORE_ITEMS) break;
    if (lResult != ERROR_SUCCESS) return lResult;
    lResult = RegSetValueExA(hTo, szName, 0, dwType, abData, cbData);
    if (lResult != ERROR_SUCCESS) return lResult;
  }
  for (DWORD i = 0;; ++i) {
    char szName[MAX_NAME];
    DWORD cchName = MAX_NAME;
    LONG lResult = RegEnumKeyExA(hFrom, i, szName, &cchName, NULL, NULL, NULL, NULL);
    if (lResult == ERROR_NO_MORE_ITEMS) break;
    if (lResult == ERROR_SUCCESS) lResult = CopySubkey(hFrom, szName, hTo, szName, dwOptions);
    if (lResult != ERROR_SUCCESS) return lResult;
  }
  return ERROR_SUCCESS;
}

// Copies the subkey pszFrom of hFromParent, with its whole tree, to the
// subkey pszTo of hToParent, created with dwOptions.
LONG CopySubkey(HKEY hFromParent, const char* pszFrom, HKEY hToParent, const char* pszTo,
                DWORD dwOptions) {
  HKEY hFrom;
  LONG lResult = RegOpenKeyExA(hFromParent, pszFrom, 0, KEY_READ, &hFrom);
  if (lResult != ERROR_SUCCESS) return lResult;
  HKEY hTo;
  lResult = CreateKey(hToParent, pszTo, dwOptions, &hTo);
  if (lResult == ERROR_SUCCESS) {
    lResult = CopyTree(hFrom, hTo, dwOptions);
    RegCloseKey(hTo);
  }
  RegCloseKey(hFrom);
  return lResult;
}

// Copies HKLM\pszFrom to HKLM\pszTo, which is created with dwOptions.
// A missing source copies nothing and creates nothing.
LONG CopyKey(const char* pszFrom, const char* pszTo, DWORD dwOptions) {
  LONG lResult = CopySubkey(HKEY_LOCAL_MACHINE, pszFrom, HKEY_LOCAL_MACHINE, pszTo, dwOptions);
  return lResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lResult;
}

LONG DeleteKey(const char* pszKey) {
  LONG lResult = RegDeleteTreeA(HKEY_LOCAL_MACHINE, pszKey);
  return lResult == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : lResult;
}

LONG AddPort(int nPort, const char* pszDriver, int nBuses) {
  char szPort[MAX_NAME];
  snprintf(szPort, sizeof(szPort), "%s\\Scsi Port %d", DEVICE_MAP_KEY, nPort);
  HKEY hPort;
  LONG lResult = CreateKey(HKEY_LOCAL_MACHINE, szPort, REG_OPTION_VOLATILE, &hPort);
  if (lResult != ERROR_SUCCESS) return lResult;
  lResult = RegSetValueExA(hPort, "Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(pszDriver),
                           static_cast<DWORD>(strlen(pszDriver) + 1));
  for (int nBus = 0; lResult == ERROR_SUCCESS && nBus < nBuses; ++nBus) {
    char szBus[MAX_NAME];
    snprintf(szBus, sizeof(szBus), "Scsi Bus %d", nBus);
    HKEY hBus;
    lResult = CreateKey(hPort, szBus, REG_OPTION_VOLATILE, &hBus);
    if (lResult == ERROR_SUCCESS) RegCloseKey(hBus);
  }
  RegCloseKey(hPort);
  return lResult;
}

LONG Save() {
  LONG lResult = DeleteKey(STASH_KEY);
  return lResult == ERROR_SUCCESS ? CopyKey(DEVICE_MAP_KEY, STASH_KEY, REG_OPTION_NON_VOLATILE)
                                  : lResult;
}

LONG Restore() {
  LONG lResult = DeleteKey(DEVICE_MAP_KEY);
  if (lResult == ERROR_SUCCESS) lResult = CopyKey(STASH_KEY, DEVICE_MAP_KEY, REG_OPTION_VOLATILE);
  if (lResult == ERROR_SUCCESS) lResult = DeleteKey(STASH_KEY);
  return lResult;
}

}  // namespace

int main(int argc, char** argv) {
  LONG lResult;
  if (argc == 5 && strcmp(argv[1], "add") == 0) {
    lResult = AddPort(atoi(argv[2]), argv[3], atoi(argv[4]));
  } else if (argc == 2 && strcmp(argv[1], "save") == 0) {
    lResult = Save();
  } else if (argc == 2 && strcmp(argv[1], "restore") == 0) {
    lResult = Restore();
  } else {
    printf("usage: device_map add <port> <driver> <buses> | save | restore\n");
    return 2;
  }
  if (lResult != ERROR_SUCCESS) printf("device_map %s: error %ld\n", argv[1], lResult);
  return lResult == ERROR_SUCCESS ? 0 : 1;
}
