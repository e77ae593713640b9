// Thread priority calls of kernel32 (the first mapping pass raises its own).
#ifndef PLATFORM_NATIVE_WIN_THREAD_H
#define PLATFORM_NATIVE_WIN_THREAD_H

#include "platform/native/win_types.h"

#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_ERROR_RETURN (0x7FFFFFFF)

// A pseudo handle that stands for the calling thread.
HANDLE WINAPI GetCurrentThread(void);
BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority);
int WINAPI GetThreadPriority(HANDLE hThread);

#endif  // PLATFORM_NATIVE_WIN_THREAD_H
