// This process's side of the simulated manager: the dispatcher thread that
// StartServiceCtrlDispatcherA blocks, the service thread running the
// service main function, and control delivery to the registered handler.
#ifndef SIM_SERVICES_DISPATCHER_H
#define SIM_SERVICES_DISPATCHER_H

#include "platform/platform.h"

namespace sim {

// Whether a dispatcher runs and a control handler is registered.
bool control_handler_registered();

// Queues `control` for the handler and waits until the dispatcher thread has
// run it (the lock must not be held). Fails with ERROR_SERVICE_REQUEST_TIMEOUT
// when called on the dispatcher thread itself (a handler controlling its own
// service would wait for itself) and ERROR_SERVICE_CANNOT_ACCEPT_CTRL when
// no handler is registered.
DWORD deliver_control(DWORD control);

}  // namespace sim

#endif  // SIM_SERVICES_DISPATCHER_H
