#include "sim/core/clock.h"

#include <map>
#include <utility>

#include "sim/core/machine.h"

namespace sim {

namespace {

struct Scheduled {
  std::function<void()> action;
  std::string label;
};

struct ClockState {
  uint64_t now = 0;
  DWORD tick_base = 0x00100000;
  uint64_t sequence = 0;
  // Keyed by (time, order scheduled).
  std::map<std::pair<uint64_t, uint64_t>, Scheduled> queue;
};

ClockState& state() { return component<ClockState>(); }

}  // namespace

uint64_t now_ms() {
  Guard guard(machine_mutex());
  return state().now;
}

void set_tick_base(DWORD base) {
  Guard guard(machine_mutex());
  state().tick_base = base;
}

DWORD tick_count() {
  Guard guard(machine_mutex());
  return static_cast<DWORD>(state().tick_base + state().now);
}

void at(uint64_t at_ms, std::function<void()> action, std::string label) {
  Guard guard(machine_mutex());
  ClockState& clock = state();
  if (at_ms < clock.now) at_ms = clock.now;
  clock.queue.emplace(std::make_pair(at_ms, clock.sequence++),
                      Scheduled{std::move(action), std::move(label)});
  notify_change();
}

void after(uint64_t delay_ms, std::function<void()> action, std::string label) {
  Guard guard(machine_mutex());
  at(state().now + delay_ms, std::move(action), std::move(label));
}

std::optional<uint64_t> next_action_time() {
  Guard guard(machine_mutex());
  ClockState& clock = state();
  if (clock.queue.empty()) return std::nullopt;
  return clock.queue.begin()->first.first;
}

bool run_next_action(uint64_t until) {
  std::function<void()> action;
  {
    Guard guard(machine_mutex());
    ClockState& clock = state();
    if (clock.queue.empty() || clock.queue.begin()->first.first > until) return false;
    auto first = clock.queue.begin();
    if (first->first.first > clock.now) clock.now = first->first.first;
    action = std::move(first->second.action);
    clock.queue.erase(first);
  }
  if (action) action();
  notify_change();
  return true;
}

void advance_to(uint64_t at_ms) {
  while (run_next_action(at_ms)) {
  }
  Guard guard(machine_mutex());
  if (state().now < at_ms) state().now = at_ms;
}

void advance(uint64_t ms) {
  uint64_t target;
  {
    Guard guard(machine_mutex());
    target = state().now + ms;
  }
  advance_to(target);
}

}  // namespace sim
