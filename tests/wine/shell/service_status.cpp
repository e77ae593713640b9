// Prints the status of one service as the manager reports it, all seven
// fields on one line ("STATE=4 CONTROLS=7 WIN32_EXIT=0 SPECIFIC=0
// CHECKPOINT=0 WAIT_HINT=0"), or "ERROR=<code>" when it cannot be queried.
// Wine's sc shows no accepted controls; the Wine tests read them here.
#include <stdio.h>

#include "platform/platform.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    printf("usage: service_status <service name>\n");
    return 2;
  }
  DWORD dwError = 0;
  SERVICE_STATUS status;
  SC_HANDLE hManager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
  if (hManager == NULL) {
    dwError = GetLastError();
  } else {
    SC_HANDLE hService = OpenServiceA(hManager, argv[1], SERVICE_QUERY_STATUS);
    if (hService == NULL) {
      dwError = GetLastError();
    } else {
      if (!QueryServiceStatus(hService, &status)) dwError = GetLastError();
      CloseServiceHandle(hService);
    }
    CloseServiceHandle(hManager);
  }
  if (dwError != 0) {
    printf("ERROR=%lu\n", static_cast<unsigned long>(dwError));
    return 1;
  }
  printf("STATE=%lu CONTROLS=%lu WIN32_EXIT=%lu SPECIFIC=%lu CHECKPOINT=%lu WAIT_HINT=%lu\n",
         static_cast<unsigned long>(status.dwCurrentState),
         static_cast<unsigned long>(status.dwControlsAccepted),
         static_cast<unsigned long>(status.dwWin32ExitCode),
         static_cast<unsigned long>(status.dwServiceSpecificExitCode),
         static_cast<unsigned long>(status.dwCheckPoint),
         static_cast<unsigned long>(status.dwWaitHint));
  return 0;
}
