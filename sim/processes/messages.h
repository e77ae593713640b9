// The system message texts and their local memory, for tests.
#ifndef SIM_PROCESSES_MESSAGES_H
#define SIM_PROCESSES_MESSAGES_H

#include <cstddef>

namespace sim {

// Message texts handed out by FormatMessageA and not yet released with
// LocalFree.
size_t local_allocation_count();

}  // namespace sim

#endif  // SIM_PROCESSES_MESSAGES_H
