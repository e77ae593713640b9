#include "installtools/tidemend/service_control.h"

static void CloseBoth(SC_HANDLE hManager, SC_HANDLE hService) {
  CloseServiceHandle(hService);
  CloseServiceHandle(hManager);
}

int OpenServiceManager(SC_HANDLE* phManager) {
  *phManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
  return *phManager ? 0 : 1;
}

int OpenNamedService(const char* pszName, SC_HANDLE* phManager, SC_HANDLE* phService,
                     DWORD* pdwError) {
  *phService = NULL;
  if (OpenServiceManager(phManager) != 0) {
    *pdwError = GetLastError();
    return 1;
  }
  *phService = OpenServiceA(*phManager, pszName, SERVICE_ALL_ACCESS);
  if (!*phService) {
    *pdwError = GetLastError();
    CloseServiceHandle(*phManager);
    *phManager = NULL;
    return 1;
  }
  *pdwError = 0;
  return 0;
}

int QueryServiceRunning(SC_HANDLE hService) {
  SERVICE_STATUS status;
  if (!QueryServiceStatus(hService, &status)) return 0;
  return status.dwCurrentState == SERVICE_RUNNING ? 1 : 0;
}

int ServiceExists(const char* pszName) {
  SC_HANDLE hManager, hService;
  DWORD dwError;
  if (OpenNamedService(pszName, &hManager, &hService, &dwError) != 0) return 0;
  CloseBoth(hManager, hService);
  return 1;
}

int RequestServiceStop(SC_HANDLE hService) {
  SERVICE_STATUS status;
  return ControlService(hService, SERVICE_CONTROL_STOP, &status) ? 0 : 1;
}

int WaitServiceStopped(SC_HANDLE hService) {
  for (int nQuery = 0; nQuery < SERVICE_MAX_STATUS_QUERIES; ++nQuery) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(hService, &status)) return 1;
    if (status.dwCurrentState == SERVICE_STOPPED) return 0;
    Sleep(SERVICE_QUERY_PAUSE_MS);
  }
  return 1;
}

int StopServiceAndWait(const char* pszName) {
  SC_HANDLE hManager, hService;
  DWORD dwError;
  if (OpenNamedService(pszName, &hManager, &hService, &dwError) != 0) {
    return dwError == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : 1;
  }
  int nResult = 0;
  if (QueryServiceRunning(hService)) {
    nResult = RequestServiceStop(hService) != 0 ? 1 : WaitServiceStopped(hService);
  }
  CloseBoth(hManager, hService);
  return nResult;
}

int StartServiceAndWait(const char* pszName) {
  SC_HANDLE hManager, hService;
  DWORD dwError;
  if (OpenNamedService(pszName, &hManager, &hService, &dwError) != 0) return 1;
  if (!StartServiceA(hService, 0, NULL)) {
    CloseBoth(hManager, hService);
    return 1;
  }
  DWORD dwState = 0;
  for (int nQuery = 0; nQuery < SERVICE_MAX_STATUS_QUERIES; ++nQuery) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(hService, &status)) {
      CloseBoth(hManager, hService);
      return 1;
    }
    dwState = status.dwCurrentState;
    if (dwState == SERVICE_RUNNING) break;
    Sleep(SERVICE_QUERY_PAUSE_MS);
  }
  CloseBoth(hManager, hService);
  return dwState == SERVICE_RUNNING ? 0 : 1;
}

int IsServiceRunning(const char* pszName) {
  if (!ServiceExists(pszName)) return 0;
  SC_HANDLE hManager, hService;
  DWORD dwError;
  if (OpenNamedService(pszName, &hManager, &hService, &dwError) != 0) return 0;
  int nRunning = QueryServiceRunning(hService);
  CloseBoth(hManager, hService);
  return nRunning;
}

// Runs one attempt up to SERVICE_ATTEMPTS times, stopping at the first
// success.
static int WithRetry(int (*pfnAttempt)(const char*), const char* pszName) {
  if (!pszName) return 1;
  for (int nAttempt = 0; nAttempt < SERVICE_ATTEMPTS; ++nAttempt) {
    if (pfnAttempt(pszName) == 0) return 0;
  }
  return 1;
}

int StopServiceWithRetry(const char* pszName) { return WithRetry(StopServiceAndWait, pszName); }

int StartServiceWithRetry(const char* pszName) { return WithRetry(StartServiceAndWait, pszName); }
