// Events and waits of the simulated kernel, for tests and other simulator
// parts: what CreateEventA hands out, and a wait that runs on virtual time.
#ifndef SIM_CORE_SYNC_H
#define SIM_CORE_SYNC_H

#include "platform/platform.h"
#include "sim/core/handles.h"

namespace sim {

class Event : public Object {
 public:
  Event(bool manual_reset, bool initially_set) : manual_reset_(manual_reset), set_(initially_set) {}
  const char* kind() const override { return "event"; }
  bool signaled() const override { return set_; }
  void on_wait_satisfied() override {
    if (!manual_reset_) set_ = false;
  }
  void set(bool value) { set_ = value; }
  bool manual_reset() const { return manual_reset_; }

 private:
  bool manual_reset_;
  bool set_;
};

// Whether the event behind `handle` is set (false when it is no event).
bool event_is_set(HANDLE handle);

// Waits on any waitable object on the virtual clock: scheduled actions run as
// the clock moves towards the time-out; with INFINITE and nothing scheduled
// it blocks until another real thread changes the machine.
DWORD wait_on(const std::shared_ptr<Object>& object, DWORD milliseconds);

}  // namespace sim

#endif  // SIM_CORE_SYNC_H
