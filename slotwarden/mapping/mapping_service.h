// SlotWarden's work routine: builds the cage roster, the stop event and the
// adapter table, runs one full mapping pass, then checks for new drives
// every g_dwCheckInterval milliseconds, or at once on a stop request, until
// the service leaves the running state.
#ifndef SLOTWARDEN_MAPPING_MAPPING_SERVICE_H
#define SLOTWARDEN_MAPPING_MAPPING_SERVICE_H

#include "platform/platform.h"

// Milliseconds the loop waits on the stop event between two checks.
extern const DWORD g_dwCheckInterval;

// Pause instead of the wait when waiting on the stop event fails.
const DWORD CHECK_PAUSE_AFTER_WAIT_FAILURE = 1000;

// 0 or an error code: the failed step's, or the last check's result.
DWORD RunMappingService();

#endif  // SLOTWARDEN_MAPPING_MAPPING_SERVICE_H
