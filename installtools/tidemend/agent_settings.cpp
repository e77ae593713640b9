#include "installtools/tidemend/agent_settings.h"

#include <stdlib.h>
#include <string.h>

static char* FailWith(LONG lError) {
  SetLastError(static_cast<DWORD>(lError));
  return NULL;
}

char* ReadAgentSetting(const char* pszValueName) {
  HKEY hRoot;
  LONG lResult = RegConnectRegistryA(NULL, HKEY_LOCAL_MACHINE, &hRoot);
  if (lResult != ERROR_SUCCESS) return FailWith(lResult);

  HKEY hKey;
  lResult = RegOpenKeyExA(hRoot, AGENT_SETTINGS_KEY, 0, KEY_QUERY_VALUE, &hKey);
  if (lResult != ERROR_SUCCESS) {
    RegCloseKey(hRoot);
    return FailWith(lResult);
  }

  // One byte beyond what the registry may fill, so that a value without a
  // terminating zero, or one that fills the whole buffer, still ends here.
  BYTE abValue[AGENT_SETTING_SIZE + 1];
  DWORD cbValue = AGENT_SETTING_SIZE;
  DWORD dwType;
  lResult = RegQueryValueExA(hKey, pszValueName, NULL, &dwType, abValue, &cbValue);
  RegCloseKey(hKey);
  RegCloseKey(hRoot);
  if (lResult != ERROR_SUCCESS) return FailWith(lResult);
  abValue[cbValue < AGENT_SETTING_SIZE ? cbValue : AGENT_SETTING_SIZE] = 0;

  const char* pszValue = reinterpret_cast<const char*>(abValue);
  size_t nLength = strlen(pszValue);
  char* pszCopy = static_cast<char*>(calloc(nLength + 2, 1));
  if (!pszCopy) return FailWith(ERROR_NOT_ENOUGH_MEMORY);
  memcpy(pszCopy, pszValue, nLength);
  return pszCopy;
}
