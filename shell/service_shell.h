// The service shell shared by SlotWarden and fernway: the command line,
// installation and removal of the service, the service main sequence, status
// reports to the service control manager, the control handler and the
// warning events of failed steps.
//
// What a program supplies. Before its entry calls ShellMain, the program sets
//   g_pszServiceName   its service name ("SlotWarden", "fernway"); also the
//                      display name and the event source name;
//   g_pfnWorkRoutine   its work routine: no arguments, 0 for success or an
//                      error code that becomes the service-specific exit code.
// A work routine that wants to be woken by a stop request creates its own
// stop event and stores it in g_hStopEvent; the shell only signals it and
// never closes it. Without one, a stop request only changes the reported
// state and the routine runs to its end.
//
//   int main(int argc, char** argv) {
//     g_pszServiceName = "SlotWarden";
//     g_pfnWorkRoutine = RunMappingService;
//     return ShellMain(argc, argv);
//   }
//
// Threads: under the manager the control handler runs on the main thread
// (blocked in StartServiceCtrlDispatcherA) and ServiceMain with the work
// routine on a second one. The state, the checkpoint, the status handle and
// the stop event are shared between the two without a lock, as atomic words.
#ifndef SHELL_SERVICE_SHELL_H
#define SHELL_SERVICE_SHELL_H

#include <atomic>

#include "platform/platform.h"

typedef DWORD (*SHELL_WORK_ROUTINE)(void);

// ReportStatus's state argument that repeats the current state.
#define SHELL_REPEAT_STATE ((DWORD)-1)

// Status report fields.
#define SHELL_WAIT_HINT_MS 5000
#define SHELL_ACCEPT_WHILE_RUNNING \
  (SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN)
#define SHELL_ACCEPT_OTHERWISE SERVICE_ACCEPT_SHUTDOWN

// Stages of the service main sequence and the control handler; a failed
// stage is written as event SHELL_EVENT_ID_BASE + stage.
#define SHELL_STAGE_STATUS_REPORT 1  // the handler's report, or a repeat before any state
#define SHELL_STAGE_REGISTER_HANDLER 2
#define SHELL_STAGE_START_PENDING 3
#define SHELL_STAGE_RUNNING 5
#define SHELL_STAGE_WORK_ROUTINE 6
#define SHELL_STAGE_COMPLETED 7  // the work routine returned 0: no event

// The warning event of a failed stage.
#define SHELL_EVENT_ID_BASE 44000
#define SHELL_EVENT_CATEGORY 1
#define SHELL_EVENT_TEXT "error, qWhoDoneIt"
#define SHELL_EVENT_DATA_SIZE 8  // error, then stage, 32-bit little-endian each

// The buffer for the program's own path.
#define SHELL_MODULE_PATH_SIZE 256

// What the command line asks for.
enum SHELL_COMMAND { SHELL_COMMAND_RUN, SHELL_COMMAND_INSTALL, SHELL_COMMAND_REMOVE };

// Supplied by the program (see above).
extern const char* g_pszServiceName;
extern SHELL_WORK_ROUTINE g_pfnWorkRoutine;
extern std::atomic<HANDLE> g_hStopEvent;

// Process-wide shell state.
extern bool g_bDebug;
extern std::atomic<SERVICE_STATUS_HANDLE> g_hServiceStatus;  // null in debug mode
extern std::atomic<DWORD> g_dwCurrentState;  // 0 before the first report
extern std::atomic<DWORD> g_dwCheckPoint;    // 0 at each change of state

// The whole command line; the result is the process exit code: the install
// or remove result, 0 for run. In debug mode it ends by printing
// "Command completed (error %d)\n".
int ShellMain(int argc, char** argv);

// The command of argv and its debug flag: -I.. install, -R.. remove (second
// character, either case), anything else runs; a first argument without the
// dash, or a second argument after it, beginning with "D" sets debug.
SHELL_COMMAND ParseShellCommand(int argc, char** argv, bool* pbDebug);

// Registers this program as an own-process LocalSystem service: automatic
// start, or demand start when bDemandStart. 0 or a Win32 error code.
DWORD InstallService(bool bDemandStart);

// Stops (without waiting) and deletes the service; a stop refused for a
// service that is not running counts as success; bForce deletes even when
// the stop request failed otherwise. 0 or a Win32 error code.
DWORD RemoveService(bool bForce);

// The service main function: registers the handler, reports start-pending
// and running, runs the work routine, reports stopped with its result.
void WINAPI ServiceMain(DWORD dwArgc, LPSTR* lpszArgv);

// The control handler: stop and shutdown move to stop-pending and signal the
// stop event; every control is answered by repeating the current state.
void WINAPI ServiceCtrlHandler(DWORD dwControl);

// Sets the state (or repeats it, for SHELL_REPEAT_STATE) and reports it to
// the manager; in debug mode nothing is sent. 0 or SetServiceStatus's error.
DWORD ReportStatus(DWORD dwState, DWORD dwExitCode, bool bWaitHint);

// Writes the warning event of a failed stage (nothing in debug mode).
void ReportShellError(DWORD dwError, DWORD dwStage);

// Sets g_hStopEvent when there is one: 0, or SetEvent's error.
DWORD SignalStopEvent(void);

#endif  // SHELL_SERVICE_SHELL_H
