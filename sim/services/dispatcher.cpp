// The service side of the simulated manager: StartServiceCtrlDispatcherA,
// RegisterServiceCtrlHandlerA and SetServiceStatus, with the service main
// function on a thread of its own and control requests delivered to the
// handler on the dispatcher thread.
#include "sim/services/dispatcher.h"

#include <deque>
#include <thread>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/services/service_manager.h"

namespace sim {

namespace {

struct DispatcherState {
  bool active = false;
  bool service_returned = false;
  bool ran_once = false;
  std::thread::id dispatcher_thread;
  std::string service;
  LPHANDLER_FUNCTION handler = nullptr;
  SERVICE_STATUS_HANDLE status_handle = nullptr;
  std::deque<std::pair<uint64_t, DWORD>> queue;  // (ticket, control)
  uint64_t next_ticket = 1;
  uint64_t handled_ticket = 0;
};

DispatcherState& dispatcher() { return component<DispatcherState>(); }

// A status handle is an opaque value, never closed; one per dispatcher run.
SERVICE_STATUS_HANDLE NewStatusHandle() {
  static uintptr_t next = 0x5C000;
  next += 4;
  return reinterpret_cast<SERVICE_STATUS_HANDLE>(next);
}

// Runs queued controls on the calling (dispatcher) thread until the service
// main function has returned.
void RunDispatcher() {
  Guard guard(machine_mutex());
  for (;;) {
    DispatcherState& state = dispatcher();
    if (!state.queue.empty()) {
      auto [ticket, control] = state.queue.front();
      state.queue.pop_front();
      LPHANDLER_FUNCTION handler = state.handler;
      guard.unlock();
      if (handler) handler(control);
      guard.lock();
      dispatcher().handled_ticket = ticket;
      notify_change();
      continue;
    }
    if (state.service_returned) return;
    wait_for_change(guard);
  }
}

}  // namespace

bool control_handler_registered() {
  Guard guard(machine_mutex());
  return dispatcher().active && dispatcher().handler;
}

DWORD deliver_control(DWORD control) {
  Guard guard(machine_mutex());
  DispatcherState& state = dispatcher();
  if (!state.active || !state.handler) return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
  if (std::this_thread::get_id() == state.dispatcher_thread) return ERROR_SERVICE_REQUEST_TIMEOUT;
  const uint64_t ticket = state.next_ticket++;
  state.queue.emplace_back(ticket, control);
  notify_change();
  while (dispatcher().active && dispatcher().handled_ticket < ticket) wait_for_change(guard);
  return 0;
}

}  // namespace sim

BOOL WINAPI StartServiceCtrlDispatcherA(const SERVICE_TABLE_ENTRYA* lpServiceStartTable) {
  DWORD dwError;
  if (sim::injected_fault("StartServiceCtrlDispatcherA", &dwError)) {
    SetLastError(dwError);
    return FALSE;
  }
  sim::Guard guard(sim::machine_mutex());
  sim::ServiceManager& manager = sim::scm();
  sim::DispatcherState& state = sim::dispatcher();
  if (manager.hosted_name().empty()) {
    SetLastError(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    return FALSE;
  }
  if (state.ran_once) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  if (!lpServiceStartTable || !lpServiceStartTable[0].lpServiceName ||
      !lpServiceStartTable[0].lpServiceProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The manager started this process for the service it names; an own-process
  // service runs the table's first entry whatever name it carries.
  const std::string name = manager.hosted_name();
  if (!manager.find(name)) {
    sim::ServiceConfig config;
    config.name = name;
    config.display_name = name;
    config.binary_path = manager.module_path();
    manager.create(config);
  }
  sim::ServiceManager::Service* service = manager.find(name);
  service->hosted = true;
  service->status = SERVICE_STATUS{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0,
                                   0};
  state.active = true;
  state.ran_once = true;
  state.service_returned = false;
  state.service = name;
  state.dispatcher_thread = std::this_thread::get_id();

  // A whole program run as a service can be stopped at a virtual time.
  if (std::optional<uint64_t> stop_at = manager.stop_at_ms()) {
    manager.control_at(*stop_at, name, SERVICE_CONTROL_STOP);
  }

  LPSERVICE_MAIN_FUNCTIONA pfnMain = lpServiceStartTable[0].lpServiceProc;
  std::thread service_thread([pfnMain, name] {
    std::string arg0 = name;
    LPSTR argv[] = {&arg0[0], nullptr};
    pfnMain(1, argv);
    {
      sim::Guard done(sim::machine_mutex());
      sim::dispatcher().service_returned = true;
    }
    sim::notify_change();
  });
  guard.unlock();
  sim::RunDispatcher();
  service_thread.join();

  guard.lock();
  sim::DispatcherState& after = sim::dispatcher();
  after.active = false;
  after.handler = nullptr;
  after.queue.clear();
  if (sim::ServiceManager::Service* ran = sim::scm().find(name)) {
    ran->hosted = false;
    if (ran->status.dwCurrentState != SERVICE_STOPPED) {
      // The process ends: the manager sees the service stopped.
      ran->status.dwCurrentState = SERVICE_STOPPED;
      ran->status.dwControlsAccepted = 0;
    }
    sim::scm().collect(name);
  }
  guard.unlock();
  sim::notify_change();
  return TRUE;
}

SERVICE_STATUS_HANDLE WINAPI RegisterServiceCtrlHandlerA(LPCSTR lpServiceName,
                                                         LPHANDLER_FUNCTION lpHandlerProc) {
  DWORD dwError;
  if (sim::injected_fault("RegisterServiceCtrlHandlerA", &dwError)) {
    SetLastError(dwError);
    return NULL;
  }
  sim::Guard guard(sim::machine_mutex());
  sim::DispatcherState& state = sim::dispatcher();
  if (!state.active) {
    SetLastError(ERROR_SERVICE_NOT_IN_EXE);
    return NULL;
  }
  if (!lpServiceName || !lpHandlerProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  state.handler = lpHandlerProc;
  if (!state.status_handle) state.status_handle = sim::NewStatusHandle();
  return state.status_handle;
}

BOOL WINAPI SetServiceStatus(SERVICE_STATUS_HANDLE hServiceStatus,
                             LPSERVICE_STATUS lpServiceStatus) {
  sim::StatusReport report;
  report.at_ms = sim::now_ms();
  if (lpServiceStatus) report.status = *lpServiceStatus;
  DWORD dwError = 0;
  if (sim::injected_fault("SetServiceStatus", &dwError)) {
    // recorded below as refused
  } else {
    sim::Guard guard(sim::machine_mutex());
    sim::DispatcherState& state = sim::dispatcher();
    if (!state.active || !hServiceStatus || hServiceStatus != state.status_handle) {
      dwError = ERROR_INVALID_HANDLE;
    } else if (!lpServiceStatus || lpServiceStatus->dwCurrentState < SERVICE_STOPPED ||
               lpServiceStatus->dwCurrentState > SERVICE_PAUSED) {
      dwError = ERROR_INVALID_DATA;
    } else if (sim::ServiceManager::Service* service = sim::scm().find(state.service)) {
      service->status = *lpServiceStatus;
    }
  }
  report.error = dwError;
  {
    sim::Guard guard(sim::machine_mutex());
    sim::scm().record(report);
  }
  sim::notify_change();
  if (dwError) {
    SetLastError(dwError);
    return FALSE;
  }
  return TRUE;
}
