// Service control helpers: query, stop and start services of the local
// computer with bounded waits and a fixed number of attempts, so that a
// service that does not cooperate costs a known, limited time.
//
// The stop and start operations return 0 for success and 1 for failure; the
// questions return 1 for yes and 0 for no. Win32 errors stay inside, and
// nothing is logged. Every operation opens its own manager and service
// handles and closes them before it returns.
#ifndef INSTALLTOOLS_TIDEMEND_SERVICE_CONTROL_H
#define INSTALLTOOLS_TIDEMEND_SERVICE_CONTROL_H

#include "platform/platform.h"

#define SERVICE_ATTEMPTS 3             // attempts per stop or start request
#define SERVICE_MAX_STATUS_QUERIES 100  // status queries per wait
#define SERVICE_QUERY_PAUSE_MS 500      // pause between two queries

// The local computer's active database with full access: 0, or 1.
int OpenServiceManager(SC_HANDLE* phManager);

// Opens the manager and the named service. 0 with both handles open and
// *pdwError 0; 1 with nothing left open and the Win32 error of the failed
// open in *pdwError.
int OpenNamedService(const char* pszName, SC_HANDLE* phManager, SC_HANDLE* phService,
                     DWORD* pdwError);

// 1 when a status query succeeds and reports SERVICE_RUNNING, else 0.
int QueryServiceRunning(SC_HANDLE hService);

// 1 when the service can be opened, else 0.
int ServiceExists(const char* pszName);

// 0 when the stop request was accepted, 1 when ControlService failed.
int RequestServiceStop(SC_HANDLE hService);

// 0 once SERVICE_STOPPED is seen; 1 on a failed query or after
// SERVICE_MAX_STATUS_QUERIES queries without it.
int WaitServiceStopped(SC_HANDLE hService);

// One attempt. A service that is not installed or not running (starting,
// stopping and paused included) counts as stopped: 0.
int StopServiceAndWait(const char* pszName);

// One attempt: 0 once the service runs. A refused start request (also for a
// service already running or starting) is a failure.
int StartServiceAndWait(const char* pszName);

// 1 when the service exists and is running, else 0.
int IsServiceRunning(const char* pszName);

// Up to SERVICE_ATTEMPTS attempts in a row; 0 at the first success, 1 after
// the last failure or for a null name.
int StopServiceWithRetry(const char* pszName);
int StartServiceWithRetry(const char* pszName);

#endif  // INSTALLTOOLS_TIDEMEND_SERVICE_CONTROL_H
