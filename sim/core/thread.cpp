// kernel32's thread pseudo handle and priorities.
#include "sim/core/thread.h"

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"

namespace sim {

namespace {

struct ThreadState {
  std::vector<int> changes;
};

thread_local int t_nPriority = THREAD_PRIORITY_NORMAL;
thread_local uint64_t t_generation = 0;

int& priority() {
  if (t_generation != generation()) {
    t_generation = generation();
    t_nPriority = THREAD_PRIORITY_NORMAL;
  }
  return t_nPriority;
}

}  // namespace

int current_thread_priority() { return priority(); }

std::vector<int> priority_changes() {
  Guard guard(machine_mutex());
  return component<ThreadState>().changes;
}

void record_priority(int nPriority) {
  Guard guard(machine_mutex());
  component<ThreadState>().changes.push_back(nPriority);
  priority() = nPriority;
}

}  // namespace sim

namespace {
// GetCurrentThread's pseudo handle, as on Windows: (HANDLE)-2.
HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
}  // namespace

HANDLE WINAPI GetCurrentThread(void) { return kCurrentThread; }

BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
  DWORD dwError;
  if (sim::injected_fault("SetThreadPriority", &dwError)) {
    SetLastError(dwError);
    return FALSE;
  }
  if (hThread != kCurrentThread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (nPriority < THREAD_PRIORITY_LOWEST || nPriority > THREAD_PRIORITY_HIGHEST) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  sim::record_priority(nPriority);
  return TRUE;
}

int WINAPI GetThreadPriority(HANDLE hThread) {
  if (hThread != kCurrentThread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return sim::current_thread_priority();
}
