// Status reports to the service control manager.
#include "shell/service_shell.h"

DWORD ReportStatus(DWORD dwState, DWORD dwExitCode, bool bWaitHint) {
  DWORD dwReportState;
  DWORD dwCheckPoint;
  if (dwState == SHELL_REPEAT_STATE) {
    dwCheckPoint = ++g_dwCheckPoint;
    dwReportState = g_dwCurrentState;
    if (dwReportState == 0) {
      // A repeat before any state was set: report start-pending, and say so.
      g_dwCurrentState = SERVICE_START_PENDING;
      ReportShellError(0, SHELL_STAGE_STATUS_REPORT);
      dwReportState = SERVICE_START_PENDING;
    }
  } else {
    g_dwCurrentState = dwState;
    g_dwCheckPoint = 0;
    dwCheckPoint = 0;
    dwReportState = dwState;
  }

  SERVICE_STATUS status;
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = dwReportState;
  status.dwControlsAccepted =
      dwReportState == SERVICE_RUNNING ? SHELL_ACCEPT_WHILE_RUNNING : SHELL_ACCEPT_OTHERWISE;
  status.dwWin32ExitCode = dwExitCode != 0 ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
  status.dwServiceSpecificExitCode = dwExitCode;
  status.dwCheckPoint = dwCheckPoint;
  status.dwWaitHint = bWaitHint ? SHELL_WAIT_HINT_MS : 0;

  if (g_bDebug) return 0;
  if (!SetServiceStatus(g_hServiceStatus, &status)) return GetLastError();
  return 0;
}
