// The event-log report calls of advapi32: a program writes records to the
// Application log under an event source name.
#ifndef PLATFORM_NATIVE_WIN_EVENTLOG_H
#define PLATFORM_NATIVE_WIN_EVENTLOG_H

#include "platform/native/win_types.h"

typedef void* PSID;

#define EVENTLOG_SUCCESS 0x0000
#define EVENTLOG_ERROR_TYPE 0x0001
#define EVENTLOG_WARNING_TYPE 0x0002
#define EVENTLOG_INFORMATION_TYPE 0x0004

HANDLE WINAPI RegisterEventSourceA(LPCSTR lpUNCServerName, LPCSTR lpSourceName);
BOOL WINAPI ReportEventA(HANDLE hEventLog, WORD wType, WORD wCategory, DWORD dwEventID,
                         PSID lpUserSid, WORD wNumStrings, DWORD dwDataSize, LPCSTR* lpStrings,
                         LPVOID lpRawData);
BOOL WINAPI DeregisterEventSource(HANDLE hEventLog);

#endif  // PLATFORM_NATIVE_WIN_EVENTLOG_H
