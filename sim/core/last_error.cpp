// The thread's last-error word.
#include "platform/platform.h"

namespace {
thread_local DWORD t_dwLastError = 0;
}

DWORD WINAPI GetLastError(void) { return t_dwLastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_dwLastError = dwErrCode; }
