// The simulated kernel's handle table. Every object a simulated call hands
// out (event, registry key, file, device, process, service handle ...) lives
// here, so tests can see what was left open.
#ifndef SIM_CORE_HANDLES_H
#define SIM_CORE_HANDLES_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

class Object {
 public:
  virtual ~Object() = default;
  // A short name of the object's kind, e.g. "event", "key", "device".
  virtual const char* kind() const = 0;
  // Waitable objects: whether a wait on it would return now.
  virtual bool signaled() const { return false; }
  // Called when a wait returns because of it (an auto-reset event resets).
  virtual void on_wait_satisfied() {}
  // Whether CloseHandle may close it (registry keys and service handles
  // have close calls of their own).
  virtual bool closed_by_close_handle() const { return true; }
};

// Adds an object and returns its new handle (never null, never
// INVALID_HANDLE_VALUE, a multiple of 4 as on Windows).
HANDLE add_handle(std::shared_ptr<Object> object);
std::shared_ptr<Object> find_handle(HANDLE handle);
template <class T>
std::shared_ptr<T> find_handle_as(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(find_handle(handle));
}
// Removes the handle; false when it was not open.
bool remove_handle(HANDLE handle);

// Open handles, of one kind or of all kinds.
size_t open_handle_count(const std::string& kind = {});
std::vector<std::string> open_handle_kinds();

}  // namespace sim

#endif  // SIM_CORE_HANDLES_H
