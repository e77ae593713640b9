// logquay's one call on the simulated event log.
#include "platform/logquay.h"

#include <cstring>

#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/events/event_source.h"

// Non-zero results: no unseen event, or the library failed.
static const DWORD kNoMoreEvents = 1;

extern "C" DWORD WINAPI LQ_ReadNextUnseenEvent(BYTE* pbRecord, LPCSTR pszReaderName) {
  DWORD dwError;
  if (sim::injected_fault("LQ_ReadNextUnseenEvent", &dwError)) return dwError ? dwError : 1;
  if (!pbRecord || !pszReaderName) return ERROR_INVALID_PARAMETER;
  sim::Guard guard(sim::machine_mutex());
  sim::EventRecord record;
  if (!sim::event_source().next_unseen(pszReaderName, &record)) return kNoMoreEvents;
  std::memcpy(pbRecord, record.data(), record.size());
  return 0;
}
