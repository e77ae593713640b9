// Installation and removal of the service.
#include <stdio.h>
#include <string.h>

#include "shell/service_shell.h"

DWORD InstallService(bool bDemandStart) {
  char szPath[SHELL_MODULE_PATH_SIZE];
  DWORD dwLength = GetModuleFileNameA(NULL, szPath, sizeof(szPath));
  if (dwLength == 0) return GetLastError();
  // A path that filled the buffer was cut short; registering it would start
  // some other file.
  if (dwLength >= sizeof(szPath)) return ERROR_INSUFFICIENT_BUFFER;

  // A path with blanks is quoted, or the manager could take its first word
  // for the program to start.
  char szCommand[SHELL_MODULE_PATH_SIZE + 2];
  const char* pszCommand = szPath;
  if (strpbrk(szPath, " \t") != NULL) {
    snprintf(szCommand, sizeof(szCommand), "\"%s\"", szPath);
    pszCommand = szCommand;
  }

  SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (hManager == NULL) return GetLastError();

  DWORD dwResult = 0;
  SC_HANDLE hService =
      CreateServiceA(hManager, g_pszServiceName, g_pszServiceName, SERVICE_ALL_ACCESS,
                     SERVICE_WIN32_OWN_PROCESS,
                     bDemandStart ? SERVICE_DEMAND_START : SERVICE_AUTO_START,
                     SERVICE_ERROR_NORMAL, pszCommand, NULL, NULL, NULL, NULL, NULL);
  if (hService == NULL) {
    dwResult = GetLastError();
  } else {
    CloseServiceHandle(hService);
  }
  CloseServiceHandle(hManager);
  return dwResult;
}

DWORD RemoveService(bool bForce) {
  SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  if (hManager == NULL) return GetLastError();

  DWORD dwResult = 0;
  SC_HANDLE hService = OpenServiceA(hManager, g_pszServiceName, SERVICE_ALL_ACCESS);
  if (hService == NULL) {
    dwResult = GetLastError();
  } else {
    // The stop request is not waited for; a service that is not running
    // needs no stop.
    SERVICE_STATUS status;
    if (!ControlService(hService, SERVICE_CONTROL_STOP, &status)) dwResult = GetLastError();
    if (dwResult == ERROR_SERVICE_NOT_ACTIVE) dwResult = 0;
    if (dwResult == 0 || bForce) dwResult = DeleteService(hService) ? 0 : GetLastError();
    CloseServiceHandle(hService);
  }
  CloseServiceHandle(hManager);
  return dwResult;
}
