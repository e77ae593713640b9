#include "sim/services/service_manager.h"

#include <cstdlib>
#include <fstream>
#include <utility>

#include "sim/core/clock.h"
#include "sim/core/machine.h"
#include "sim/services/dispatcher.h"

namespace sim {

namespace {

// This program's own name, as a Windows program path under the agents'
// directory: "C:\WINDOWS\velhome\<program>.exe".
std::string default_module_path() {
  if (const char* path = std::getenv("SIM_MODULE_PATH")) return path;
  std::string name = "program";
  std::ifstream comm("/proc/self/comm");
  std::string line;
  if (comm && std::getline(comm, line) && !line.empty()) name = line;
  return "C:\\WINDOWS\\velhome\\" + name + ".exe";
}

bool is_pending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

DWORD needed_accept(DWORD control) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      return SERVICE_ACCEPT_STOP;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE:
      return SERVICE_ACCEPT_PAUSE_CONTINUE;
    case SERVICE_CONTROL_SHUTDOWN:
      return SERVICE_ACCEPT_SHUTDOWN;
    default:
      return 0;  // interrogate and user controls need no declaration
  }
}

}  // namespace

ServiceManager::ServiceManager() : module_path_(default_module_path()) {
  if (const char* name = std::getenv("SIM_SERVICE_PROCESS")) {
    if (*name) hosted_name_ = name;
  }
  if (const char* stop_at = std::getenv("SIM_SERVICE_STOP_AT_MS")) {
    if (*stop_at) stop_at_ms_ = std::strtoull(stop_at, nullptr, 10);
  }
}

ServiceManager& scm() { return component<ServiceManager>(); }

void ServiceManager::add_service(const std::string& name, ServiceBehaviour behaviour,
                                 DWORD start_type) {
  Guard guard(machine_mutex());
  Service service;
  service.config.name = name;
  service.config.display_name = name;
  service.config.start_type = start_type;
  service.config.binary_path = "C:\\WINDOWS\\system32\\" + name + ".exe";
  service.behaviour = behaviour;
  service.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  services_[name] = service;
  set_scripted_state(services_[name], behaviour.state);
}

ServiceManager::Service* ServiceManager::find(const std::string& name) {
  auto it = services_.find(name);
  return it == services_.end() ? nullptr : &it->second;
}

bool ServiceManager::exists(const std::string& name) {
  Guard guard(machine_mutex());
  prune();
  return find(name) != nullptr;
}

bool ServiceManager::marked_for_delete(const std::string& name) {
  Guard guard(machine_mutex());
  Service* service = find(name);
  return service && service->marked_for_delete;
}

std::optional<ServiceConfig> ServiceManager::config(const std::string& name) {
  Guard guard(machine_mutex());
  prune();
  Service* service = find(name);
  if (!service) return std::nullopt;
  return service->config;
}

std::optional<SERVICE_STATUS> ServiceManager::status(const std::string& name) {
  Guard guard(machine_mutex());
  prune();
  Service* service = find(name);
  if (!service) return std::nullopt;
  settle(*service);
  return service->status;
}

DWORD ServiceManager::state(const std::string& name) {
  std::optional<SERVICE_STATUS> current = status(name);
  return current ? current->dwCurrentState : 0;
}

std::vector<ServiceRequest> ServiceManager::requests() {
  Guard guard(machine_mutex());
  return requests_;
}

std::vector<ServiceRequest> ServiceManager::requests_for(const std::string& name) {
  Guard guard(machine_mutex());
  std::vector<ServiceRequest> selected;
  for (const ServiceRequest& request : requests_) {
    if (!NoCaseLess()(request.service, name) && !NoCaseLess()(name, request.service)) {
      selected.push_back(request);
    }
  }
  return selected;
}

std::vector<StatusReport> ServiceManager::status_reports() {
  Guard guard(machine_mutex());
  return reports_;
}

void ServiceManager::start_this_process_as(const std::string& name) {
  Guard guard(machine_mutex());
  hosted_name_ = name;
}

void ServiceManager::control_at(uint64_t at_ms, const std::string& name, DWORD control) {
  at(
      at_ms,
      [name, control] {
        SERVICE_STATUS status{};
        send_service_control(name, control, true, &status);
      },
      "service control");
}

DWORD ServiceManager::create(const ServiceConfig& config) {
  if (Service* existing = find(config.name)) {
    return existing->marked_for_delete ? ERROR_SERVICE_MARKED_FOR_DELETE : ERROR_SERVICE_EXISTS;
  }
  Service service;
  service.config = config;
  service.status.dwServiceType = config.type;
  services_[config.name] = service;
  set_scripted_state(services_[config.name], SERVICE_STOPPED);
  return 0;
}

void ServiceManager::set_scripted_state(Service& service, DWORD state) {
  service.status.dwCurrentState = state;
  service.status.dwControlsAccepted =
      (state == SERVICE_RUNNING || state == SERVICE_PAUSED) ? service.behaviour.controls_accepted
                                                            : 0;
  service.status.dwWin32ExitCode = 0;
  service.status.dwServiceSpecificExitCode = 0;
  service.status.dwCheckPoint = 0;
  service.status.dwWaitHint = is_pending(state) ? 2000 : 0;
}

void ServiceManager::settle(Service& service) {
  if (service.hosted || !is_pending(service.status.dwCurrentState)) return;
  if (service.pending_until == NEVER_MS || now_ms() < service.pending_until) return;
  set_scripted_state(service, service.pending_target);
}

void ServiceManager::collect(const std::string& name) {
  Service* service = find(name);
  if (!service || !service->marked_for_delete || service->open_handles > 0) return;
  settle(*service);
  if (service->status.dwCurrentState != SERVICE_STOPPED) return;
  services_.erase(name);
}

void ServiceManager::prune() {
  std::vector<std::string> names;
  for (auto& entry : services_) names.push_back(entry.first);
  for (const std::string& name : names) collect(name);
}

DWORD send_service_control(const std::string& name, DWORD control, bool from_manager,
                           SERVICE_STATUS* status) {
  Guard guard(machine_mutex());
  ServiceManager& manager = scm();
  ServiceRequest request;
  request.at_ms = now_ms();
  request.service = name;
  request.control = control;
  ServiceManager::Service* service = manager.find(name);
  DWORD error = 0;
  if (!service) {
    error = ERROR_SERVICE_DOES_NOT_EXIST;
  } else {
    manager.settle(*service);
    const SERVICE_STATUS current = service->status;
    const DWORD accept = needed_accept(control);
    if (!service->hosted && service->behaviour.control_error) {
      error = service->behaviour.control_error;
    } else if (control == SERVICE_CONTROL_SHUTDOWN && !from_manager) {
      error = ERROR_INVALID_PARAMETER;  // only the system sends shutdown
    } else if (current.dwCurrentState == SERVICE_STOPPED) {
      error = ERROR_SERVICE_NOT_ACTIVE;
    } else if (accept && (current.dwControlsAccepted & accept) == 0) {
      error = is_pending(current.dwCurrentState) ? ERROR_SERVICE_CANNOT_ACCEPT_CTRL
                                                 : ERROR_INVALID_SERVICE_CONTROL;
    } else if (service->hosted) {
      guard.unlock();
      error = deliver_control(control);
      guard.lock();
      service = manager.find(name);
    } else if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
      const uint64_t stop_ms = service->behaviour.stop_ms;
      if (stop_ms == 0) {
        manager.set_scripted_state(*service, SERVICE_STOPPED);
      } else {
        manager.set_scripted_state(*service, SERVICE_STOP_PENDING);
        service->pending_target = SERVICE_STOPPED;
        service->pending_until = stop_ms == NEVER_MS ? NEVER_MS : now_ms() + stop_ms;
      }
    } else if (control == SERVICE_CONTROL_PAUSE) {
      manager.set_scripted_state(*service, SERVICE_PAUSED);
    } else if (control == SERVICE_CONTROL_CONTINUE) {
      manager.set_scripted_state(*service, SERVICE_RUNNING);
    }
  }
  if (service && status) *status = service->status;
  request.error = error;
  manager.record(request);
  guard.unlock();
  notify_change();
  return error;
}

}  // namespace sim
