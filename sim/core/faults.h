// Fault injection: any simulated call can be made to fail with a chosen
// Win32 error, on its n-th call or on every call. Every simulated function
// asks `injected_fault` first, under the name of the Win32 (or QBXAPI,
// logquay) function it implements, e.g. "RegSetValueExA".
#ifndef SIM_CORE_FAULTS_H
#define SIM_CORE_FAULTS_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

// Arms a fault for `api`: its `nth` next call (1 = the very next) fails with
// `error`, and so do the `times` - 1 calls after it; `times` 0 means every
// call from the nth on.
void fail_call(const std::string& api, DWORD error, unsigned nth = 1, unsigned times = 1);
inline void fail_always(const std::string& api, DWORD error) { fail_call(api, error, 1, 0); }
void clear_faults();

// A hook that sees every seam call in order (api name, 1-based sequence
// number since reset) and may fail it by returning an error. Used by sweeps
// that fail the n-th call of the whole run.
using FaultHook = std::function<std::optional<DWORD>(const std::string& api, uint64_t sequence)>;
void set_fault_hook(FaultHook hook);

// Counts the call; true, with the error to fail with, when a fault applies.
bool injected_fault(const char* api, DWORD* error);

// Calls of `api` since reset (or of every api when empty).
uint64_t call_count(const std::string& api = {});

// The names of every seam call since reset, in order (kept only when
// recording was switched on, so long runs stay small).
void record_calls(bool on);
std::vector<std::string> recorded_calls();

}  // namespace sim

#endif  // SIM_CORE_FAULTS_H
