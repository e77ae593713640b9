// The virtual clock. Sleep, timed waits, GetTickCount and QBXSleep run on it:
// a 60-second wait costs no wall time. Actions can be scheduled at a virtual
// time; they run, in time order (ties in the order scheduled), on whichever
// thread moves the clock past them, with the machine lock released.
#ifndef SIM_CORE_CLOCK_H
#define SIM_CORE_CLOCK_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace sim {

// Virtual milliseconds since the machine was reset.
uint64_t now_ms();

// What GetTickCount returns at virtual time 0 (it then counts up with the
// clock and wraps at 2^32 as on Windows). Default 0x00100000.
void set_tick_base(DWORD base);
DWORD tick_count();

// Schedules `action` at virtual time `at` (never earlier than now).
void at(uint64_t at_ms, std::function<void()> action, std::string label = {});
void after(uint64_t delay_ms, std::function<void()> action, std::string label = {});

// The time of the earliest scheduled action, if any.
std::optional<uint64_t> next_action_time();

// Runs the earliest action due at or before `until`, moving the clock to its
// time first. False when there is none. Must be called without the lock held.
bool run_next_action(uint64_t until);

// Moves the clock forward by `ms`, running every action that falls due.
void advance(uint64_t ms);
void advance_to(uint64_t at_ms);

}  // namespace sim

#endif  // SIM_CORE_CLOCK_H
