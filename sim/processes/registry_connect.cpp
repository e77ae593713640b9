// RegConnectRegistryA for the local computer. As on Windows, connecting to
// a predefined key of the local computer hands back that predefined key,
// which RegCloseKey accepts.
#include "platform/platform.h"
#include "sim/core/faults.h"

LONG WINAPI RegConnectRegistryA(LPCSTR lpMachineName, HKEY hKey, PHKEY phkResult) {
  DWORD dwError;
  if (sim::injected_fault("RegConnectRegistryA", &dwError)) return static_cast<LONG>(dwError);
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (lpMachineName && *lpMachineName) return 53;  // ERROR_BAD_NETPATH: no network here
  if (hKey != HKEY_LOCAL_MACHINE) return ERROR_INVALID_HANDLE;
  *phkResult = hKey;
  return ERROR_SUCCESS;
}
