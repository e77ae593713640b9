// Thread priorities of the simulated kernel, kept per real thread, and the
// history of changes so tests can see a pass raise and restore it.
#ifndef SIM_CORE_THREAD_H
#define SIM_CORE_THREAD_H

#include <vector>

namespace sim {

// The calling thread's current priority (THREAD_PRIORITY_NORMAL at start).
int current_thread_priority();

// Every priority set with SetThreadPriority since reset, in order, on any
// thread.
std::vector<int> priority_changes();

// Used by SetThreadPriority.
void record_priority(int priority);

}  // namespace sim

#endif  // SIM_CORE_THREAD_H
