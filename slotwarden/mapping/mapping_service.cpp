#include "slotwarden/mapping/mapping_service.h"

#include <stdio.h>

#include "shell/service_shell.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/drive_watcher.h"
#include "slotwarden/mapping/mapping_pass.h"

const DWORD g_dwCheckInterval = 60000;

DWORD RunMappingService() {
  CCageRoster roster;
  DWORD dwResult;

  // Auto-reset, not signalled, unnamed; signalled by the control handler,
  // never closed.
  HANDLE hStopEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
  if (hStopEvent == NULL) {
    dwResult = GetLastError();
    FreeAdapterTable();
    return dwResult;
  }
  g_hStopEvent = hStopEvent;

  dwResult = BuildAdapterTable();
  if (dwResult != 0) return dwResult;

  dwResult = RunMappingPass(roster);
  if (dwResult == 0) {
    do {
      if (WaitForSingleObject(g_hStopEvent, g_dwCheckInterval) == WAIT_FAILED)
        Sleep(CHECK_PAUSE_AFTER_WAIT_FAILURE);
      dwResult = CheckForNewDrives(roster);
      if (g_bDebug && dwResult != 0) printf("failed: %d\n", static_cast<int>(dwResult));
    } while (g_dwCurrentState == SERVICE_RUNNING);
  }

  FreeAdapterTable();
  return dwResult;
}
