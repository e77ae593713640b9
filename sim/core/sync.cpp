// kernel32's events, waits, Sleep, GetTickCount and CloseHandle on the
// virtual clock.
#include "sim/core/sync.h"

#include <limits>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"

namespace sim {

bool event_is_set(HANDLE handle) {
  Guard guard(machine_mutex());
  auto event = find_handle_as<Event>(handle);
  return event && event->signaled();
}

DWORD wait_on(const std::shared_ptr<Object>& object, DWORD milliseconds) {
  const bool forever = milliseconds == INFINITE;
  const uint64_t deadline =
      forever ? std::numeric_limits<uint64_t>::max() : now_ms() + milliseconds;
  for (;;) {
    {
      Guard guard(machine_mutex());
      if (object->signaled()) {
        object->on_wait_satisfied();
        return WAIT_OBJECT_0;
      }
    }
    if (run_next_action(deadline)) continue;
    if (!forever) {
      advance_to(deadline);
      Guard guard(machine_mutex());
      if (object->signaled()) {
        object->on_wait_satisfied();
        return WAIT_OBJECT_0;
      }
      return WAIT_TIMEOUT;
    }
    Guard guard(machine_mutex());
    if (!object->signaled() && !next_action_time()) wait_for_change(guard);
  }
}

}  // namespace sim

using sim::Event;

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCSTR) {
  DWORD dwError;
  if (sim::injected_fault("CreateEventA", &dwError)) {
    SetLastError(dwError);
    return NULL;
  }
  return sim::add_handle(std::make_shared<Event>(bManualReset != FALSE, bInitialState != FALSE));
}

static BOOL SetEventState(const char* pszApi, HANDLE hEvent, bool bSet) {
  DWORD dwError;
  if (sim::injected_fault(pszApi, &dwError)) {
    SetLastError(dwError);
    return FALSE;
  }
  {
    sim::Guard guard(sim::machine_mutex());
    auto event = sim::find_handle_as<Event>(hEvent);
    if (!event) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    event->set(bSet);
  }
  sim::notify_change();
  return TRUE;
}

BOOL WINAPI SetEvent(HANDLE hEvent) { return SetEventState("SetEvent", hEvent, true); }

BOOL WINAPI ResetEvent(HANDLE hEvent) { return SetEventState("ResetEvent", hEvent, false); }

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  DWORD dwError;
  if (sim::injected_fault("WaitForSingleObject", &dwError)) {
    SetLastError(dwError);
    return WAIT_FAILED;
  }
  std::shared_ptr<sim::Object> object = sim::find_handle(hHandle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return sim::wait_on(object, dwMilliseconds);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  DWORD dwError;
  if (sim::injected_fault("CloseHandle", &dwError)) {
    SetLastError(dwError);
    return FALSE;
  }
  std::shared_ptr<sim::Object> object = sim::find_handle(hObject);
  if (!object || !object->closed_by_close_handle() || !sim::remove_handle(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

void WINAPI Sleep(DWORD dwMilliseconds) { sim::advance(dwMilliseconds); }

DWORD WINAPI GetTickCount(void) { return sim::tick_count(); }
