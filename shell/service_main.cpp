// The service main sequence, the control handler and the stop signal.
#include <stdio.h>

#include "shell/service_shell.h"

namespace {

void PrintProgress(const char* pszText) {
  if (!g_bDebug) return;
  printf("%s", pszText);
  fflush(stdout);
}

// Steps 1 to 5 of the sequence: the error of the step that failed, or the
// work routine's result, with its stage.
DWORD RunServiceSequence(DWORD* pdwStage) {
  if (!g_bDebug) {
    SERVICE_STATUS_HANDLE hStatus =
        RegisterServiceCtrlHandlerA(g_pszServiceName, ServiceCtrlHandler);
    if (hStatus == NULL) {
      *pdwStage = SHELL_STAGE_REGISTER_HANDLER;
      return GetLastError();
    }
    g_hServiceStatus = hStatus;
  }

  DWORD dwError = ReportStatus(SERVICE_START_PENDING, 0, true);
  if (dwError != 0) {
    *pdwStage = SHELL_STAGE_START_PENDING;
    return dwError;
  }
  PrintProgress("Initializing ... ");
  PrintProgress("done.\n");

  dwError = ReportStatus(SERVICE_RUNNING, 0, false);
  if (dwError != 0) {
    *pdwStage = SHELL_STAGE_RUNNING;
    return dwError;
  }
  PrintProgress("Running as service ... ");
  dwError = g_pfnWorkRoutine != NULL ? g_pfnWorkRoutine() : ERROR_INVALID_FUNCTION;
  *pdwStage = dwError != 0 ? SHELL_STAGE_WORK_ROUTINE : SHELL_STAGE_COMPLETED;
  return dwError;
}

}  // namespace

void WINAPI ServiceMain(DWORD, LPSTR*) {
  DWORD dwStage = 0;
  DWORD dwError = RunServiceSequence(&dwStage);
  if (g_bDebug) {
    printf("termination status %d.\n", static_cast<int>(dwError));
    fflush(stdout);
  }
  if (dwError != 0) ReportShellError(dwError, dwStage);
  // Without a status handle (registration failed) this cannot reach the
  // manager; its result is not needed either way.
  ReportStatus(SERVICE_STOPPED, dwError, false);
}

void WINAPI ServiceCtrlHandler(DWORD dwControl) {
  bool bWaitHint = false;
  if ((dwControl == SERVICE_CONTROL_STOP || dwControl == SERVICE_CONTROL_SHUTDOWN) &&
      g_dwCurrentState != SERVICE_STOPPED) {
    // The checkpoint carries on: the answer below is a repeat of this state.
    g_dwCurrentState = SERVICE_STOP_PENDING;
    SignalStopEvent();
    bWaitHint = true;
  }
  DWORD dwError = ReportStatus(SHELL_REPEAT_STATE, 0, bWaitHint);
  if (dwError != 0) ReportShellError(dwError, SHELL_STAGE_STATUS_REPORT);
}

DWORD SignalStopEvent(void) {
  HANDLE hStopEvent = g_hStopEvent;
  if (hStopEvent == NULL) return 0;
  if (!SetEvent(hStopEvent)) return GetLastError();
  return 0;
}
