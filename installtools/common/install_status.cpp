#include "installtools/common/install_status.h"

#include "installtools/common/install_log.h"
#include "installtools/common/install_settings.h"
#include "installtools/common/system_error.h"

static void LogStatusFailure(const char* pszCall, DWORD dwError) {
  if (g_bLogStatusFailure) WriteInstallLog("%s: %s", pszCall, FormatSystemError(dwError));
}

DWORD SetInstallStatus(DWORD dwStatus) {
  HKEY hKey = NULL;
  DWORD dwDisposition;
  LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, INSTALL_STATUS_KEY, 0, const_cast<LPSTR>(""),
                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &hKey,
                                 &dwDisposition);
  if (lResult != ERROR_SUCCESS) {
    LogStatusFailure("RegCreateKeyEx", static_cast<DWORD>(lResult));
    return static_cast<DWORD>(lResult);
  }
  lResult = RegSetValueExA(hKey, INSTALL_STATUS_VALUE, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&dwStatus), sizeof(dwStatus));
  if (lResult != ERROR_SUCCESS) LogStatusFailure("RegSetValueEx", static_cast<DWORD>(lResult));
  RegCloseKey(hKey);
  return static_cast<DWORD>(lResult);
}
