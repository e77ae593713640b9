#include "sim/core/machine.h"

#include <atomic>
#include <condition_variable>

#include "platform/platform.h"

namespace sim {

namespace {
std::atomic<uint64_t> g_generation{1};
std::condition_variable_any& change_cv() {
  static std::condition_variable_any cv;
  return cv;
}
}  // namespace

std::recursive_mutex& machine_mutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void reset() {
  {
    Guard guard(machine_mutex());
    ++g_generation;
  }
  SetLastError(0);
  notify_change();
}

uint64_t generation() { return g_generation.load(); }

void notify_change() { change_cv().notify_all(); }

void wait_for_change(Guard& guard) { change_cv().wait(guard); }

}  // namespace sim
