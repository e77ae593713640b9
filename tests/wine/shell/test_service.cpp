// A service built from the shell, for the Wine tests. Its work routine
// creates the stop event, waits on it while the service runs, and then
// returns the DWORD "Result" of HKLM\SOFTWARE\Ostravale\ShellTest\<name>
// (0 when absent), after "StopDelayMs" milliseconds more when that is set.
// The service name is a build setting (TEST_SERVICE_NAME), so the same
// program can stand in for other services.
#include "platform/platform.h"
#include "shell/service_shell.h"

#ifndef TEST_SERVICE_NAME
#define TEST_SERVICE_NAME "SwShellTest"
#endif

namespace {

const char SETTINGS_KEY[] = "SOFTWARE\\Ostravale\\ShellTest\\" TEST_SERVICE_NAME;

DWORD ReadSetting(const char* pszValue) {
  HKEY hKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD dwValue = 0;
  DWORD dwType = 0;
  DWORD cbValue = sizeof(dwValue);
  if (RegQueryValueExA(hKey, pszValue, NULL, &dwType, reinterpret_cast<BYTE*>(&dwValue),
                       &cbValue) != ERROR_SUCCESS ||
      dwType != REG_DWORD) {
    dwValue = 0;
  }
  RegCloseKey(hKey);
  return dwValue;
}

DWORD RunTestWork() {
  HANDLE hStopEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
  if (hStopEvent == NULL) return GetLastError();
  g_hStopEvent = hStopEvent;
  while (g_dwCurrentState == SERVICE_RUNNING) WaitForSingleObject(hStopEvent, 60000);
  DWORD dwDelay = ReadSetting("StopDelayMs");
  if (dwDelay != 0) Sleep(dwDelay);
  return ReadSetting("Result");
}

}  // namespace

int main(int argc, char** argv) {
  g_pszServiceName = TEST_SERVICE_NAME;
  g_pfnWorkRoutine = RunTestWork;
  return ShellMain(argc, argv);
}
