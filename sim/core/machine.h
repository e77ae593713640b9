// The simulated machine as a whole: one per process, reset between test cases.
//
// Every simulated component keeps its state in a `component<T>()`, which is
// rebuilt from scratch the first time it is touched after `reset()`. All
// state is guarded by one machine-wide recursive mutex. Rule for simulator
// code: hold the lock only while touching state; never while running a clock
// action, blocking on another real thread, or calling into system code.
#ifndef SIM_CORE_MACHINE_H
#define SIM_CORE_MACHINE_H

#include <cstdint>
#include <memory>
#include <mutex>

namespace sim {

std::recursive_mutex& machine_mutex();
using Guard = std::unique_lock<std::recursive_mutex>;

// Starts a fresh machine: every component starts over, the clock is at 0,
// no faults are armed and the calling thread's last error is 0.
void reset();

// Increments at every reset; components compare it to rebuild themselves.
uint64_t generation();

// Wakes every real thread blocked in `wait_for_change`. Called after any
// state change another thread may be waiting for (an event set, a process
// ended, a control request queued).
void notify_change();

// Blocks until `notify_change` is called. The guard must hold the machine
// mutex exactly once (not recursively).
void wait_for_change(Guard& guard);

template <class T>
T& component() {
  static std::unique_ptr<T> instance;
  static uint64_t built_for = ~uint64_t{0};
  Guard guard(machine_mutex());
  if (built_for != generation() || !instance) {
    instance.reset();
    instance = std::make_unique<T>();
    built_for = generation();
  }
  return *instance;
}

}  // namespace sim

#endif  // SIM_CORE_MACHINE_H
