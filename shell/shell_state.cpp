// The shell's process-wide state.
#include "shell/service_shell.h"

const char* g_pszServiceName = NULL;
SHELL_WORK_ROUTINE g_pfnWorkRoutine = NULL;
std::atomic<HANDLE> g_hStopEvent{NULL};

bool g_bDebug = false;
std::atomic<SERVICE_STATUS_HANDLE> g_hServiceStatus{NULL};
std::atomic<DWORD> g_dwCurrentState{0};
std::atomic<DWORD> g_dwCheckPoint{0};
