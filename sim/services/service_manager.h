// The simulated service control manager: the database of installed services,
// services of other processes with scripted behaviour on the virtual clock,
// and this process as a service (dispatcher thread, service thread, control
// handler, status reports).
//
// This process runs as a service only when the manager "started" it: either
// the environment variable SIM_SERVICE_PROCESS names the service when the
// machine is reset (for whole programs), or a test calls
// `scm().start_this_process_as(name)`. SIM_SERVICE_STOP_AT_MS=<t> then also
// sends it a stop request at virtual time t. Both are read when the manager
// is first used after a reset. Otherwise StartServiceCtrlDispatcherA
// fails at once with ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, as it does for
// a program started from a console.
//
// Services of other processes (tidemend's SNMP, SlotWarden seen from
// tidemend) are added with `add_service` and follow their `ServiceBehaviour`:
// a start or stop request puts them in the pending state for the scripted
// time, then in the target state (judged whenever their status is read).
#ifndef SIM_SERVICES_SERVICE_MANAGER_H
#define SIM_SERVICES_SERVICE_MANAGER_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/core/registry.h"

namespace sim {

// A pending time that never ends: the service stays pending.
constexpr uint64_t NEVER_MS = UINT64_MAX;

struct ServiceBehaviour {
  // SERVICE_STOPPED, SERVICE_RUNNING or SERVICE_PAUSED at the start.
  DWORD state = SERVICE_STOPPED;
  // Time spent in SERVICE_START_PENDING / SERVICE_STOP_PENDING after an
  // accepted start / stop request (0: at once; NEVER_MS: for ever).
  uint64_t start_ms = 0;
  uint64_t stop_ms = 0;
  // When non-zero, StartServiceA / ControlService / OpenServiceA fail with
  // this error (e.g. ERROR_SERVICE_REQUEST_TIMEOUT, ERROR_ACCESS_DENIED).
  DWORD start_error = 0;
  DWORD control_error = 0;
  DWORD open_error = 0;
  // Declared while running or paused.
  DWORD controls_accepted =
      SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;
};

// What CreateServiceA recorded.
struct ServiceConfig {
  std::string name;
  std::string display_name;
  DWORD type = SERVICE_WIN32_OWN_PROCESS;
  DWORD start_type = SERVICE_DEMAND_START;
  DWORD error_control = SERVICE_ERROR_NORMAL;
  std::string binary_path;
  std::string load_order_group;
  bool tag_requested = false;
  std::string dependencies;  // the double-zero list, zeros kept
  std::string account;       // empty: LocalSystem
  bool password_given = false;
};

// One start request (StartServiceA) or control request (ControlService, or
// one scripted with `control_at`), with its result.
struct ServiceRequest {
  uint64_t at_ms = 0;
  std::string service;
  bool start = false;
  DWORD control = 0;  // for control requests
  DWORD error = 0;    // 0 when the request was accepted
};

// One SetServiceStatus call of this process, accepted or not.
struct StatusReport {
  uint64_t at_ms = 0;
  SERVICE_STATUS status{};
  DWORD error = 0;
};

class ServiceManager {
 public:
  ServiceManager();

  // --- Test-facing view ---------------------------------------------------
  // Installs a service of another process (as if created earlier).
  void add_service(const std::string& name, ServiceBehaviour behaviour = {},
                   DWORD start_type = SERVICE_AUTO_START);
  bool exists(const std::string& name);
  bool marked_for_delete(const std::string& name);
  std::optional<ServiceConfig> config(const std::string& name);
  // Current status; nullopt when not installed.
  std::optional<SERVICE_STATUS> status(const std::string& name);
  // Current state, 0 when not installed.
  DWORD state(const std::string& name);
  std::vector<ServiceRequest> requests();
  std::vector<ServiceRequest> requests_for(const std::string& name);
  std::vector<StatusReport> status_reports();

  // Makes StartServiceCtrlDispatcherA run this process as service `name`.
  void start_this_process_as(const std::string& name);
  const std::string& hosted_name() const { return hosted_name_; }
  // The virtual time of the stop request SIM_SERVICE_STOP_AT_MS asks for.
  std::optional<uint64_t> stop_at_ms() const { return stop_at_ms_; }
  // At virtual time `at_ms` the manager sends `control` to `name` (the
  // handler of this process, when it is that service, runs on the
  // dispatcher thread before the clock moves on). SERVICE_CONTROL_SHUTDOWN
  // may be sent this way; it reaches services that accept it.
  void control_at(uint64_t at_ms, const std::string& name, DWORD control);

  // The path GetModuleFileNameA reports for this program.
  void set_module_path(const std::string& path) { module_path_ = path; }
  const std::string& module_path() const { return module_path_; }

  // --- Used by the Win32 functions (machine lock held) ---------------------
  struct Service {
    ServiceConfig config;
    ServiceBehaviour behaviour;
    SERVICE_STATUS status{};
    uint64_t pending_until = 0;
    DWORD pending_target = 0;
    bool hosted = false;  // run by this process: status from SetServiceStatus
    bool marked_for_delete = false;
    int open_handles = 0;
  };
  Service* find(const std::string& name);
  DWORD create(const ServiceConfig& config);
  void settle(Service& service);
  void set_scripted_state(Service& service, DWORD state);
  // Removes a service marked for delete once it is stopped and unused.
  void collect(const std::string& name);
  // Settles every scripted service and collects those that are due.
  void prune();
  void record(ServiceRequest request) { requests_.push_back(std::move(request)); }
  void record(StatusReport report) { reports_.push_back(report); }

 private:
  std::map<std::string, Service, NoCaseLess> services_;
  std::vector<ServiceRequest> requests_;
  std::vector<StatusReport> reports_;
  std::string hosted_name_;
  std::optional<uint64_t> stop_at_ms_;
  std::string module_path_;
};

// The service control manager of the current machine.
ServiceManager& scm();

// Sends a control to a service as ControlService does (lock not held);
// `from_manager` also allows SERVICE_CONTROL_SHUTDOWN. Returns 0 or the error
// and fills `status` with the service's status after the request.
DWORD send_service_control(const std::string& name, DWORD control, bool from_manager,
                           SERVICE_STATUS* status);

}  // namespace sim

#endif  // SIM_SERVICES_SERVICE_MANAGER_H
