// advapi32's service control manager calls on the simulated manager.
#include <cstring>

#include "platform/platform.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/services/service_manager.h"

namespace {

// A manager handle (empty service name) or a service handle.
class ScHandle : public sim::Object {
 public:
  ScHandle(std::string service, DWORD access) : service_(std::move(service)), access_(access) {}
  const char* kind() const override { return service_.empty() ? "sc_manager" : "service"; }
  bool closed_by_close_handle() const override { return false; }
  const std::string& service() const { return service_; }
  DWORD access() const { return access_; }

 private:
  std::string service_;
  DWORD access_;
};

const DWORD RPC_S_SERVER_UNAVAILABLE_CODE = 1722;
const DWORD ERROR_DATABASE_DOES_NOT_EXIST_CODE = 1065;
const DWORD ERROR_INVALID_ADDRESS_CODE = 487;

bool Failed(const char* pszApi) {
  DWORD dwError;
  if (!sim::injected_fault(pszApi, &dwError)) return false;
  SetLastError(dwError);
  return true;
}

template <class T>
T Fail(DWORD dwError, T result) {
  SetLastError(dwError);
  return result;
}

SC_HANDLE NewScHandle(const std::string& service, DWORD access) {
  return reinterpret_cast<SC_HANDLE>(sim::add_handle(std::make_shared<ScHandle>(service, access)));
}

std::shared_ptr<ScHandle> FindScHandle(SC_HANDLE h) {
  return sim::find_handle_as<ScHandle>(reinterpret_cast<HANDLE>(h));
}

// The service behind a service handle, or null with the last error set.
sim::ServiceManager::Service* ServiceOf(SC_HANDLE h, DWORD needed, std::string* name) {
  auto handle = FindScHandle(h);
  if (!handle || handle->service().empty()) return Fail(ERROR_INVALID_HANDLE, nullptr);
  if ((handle->access() & needed) != needed) return Fail(ERROR_ACCESS_DENIED, nullptr);
  sim::ServiceManager::Service* service = sim::scm().find(handle->service());
  if (!service) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE, nullptr);
  if (name) *name = handle->service();
  return service;
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName,
                                DWORD dwDesiredAccess) {
  if (Failed("OpenSCManagerA")) return NULL;
  if (lpMachineName && *lpMachineName) return Fail<SC_HANDLE>(RPC_S_SERVER_UNAVAILABLE_CODE, NULL);
  if (lpDatabaseName && std::strcmp(lpDatabaseName, "ServicesActive") != 0) {
    return Fail<SC_HANDLE>(ERROR_DATABASE_DOES_NOT_EXIST_CODE, NULL);
  }
  return NewScHandle("", dwDesiredAccess);
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                                DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                                DWORD dwErrorControl, LPCSTR lpBinaryPathName,
                                LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId,
                                LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                                LPCSTR lpPassword) {
  if (Failed("CreateServiceA")) return NULL;
  sim::Guard guard(sim::machine_mutex());
  auto manager = FindScHandle(hSCManager);
  if (!manager || !manager->service().empty()) return Fail<SC_HANDLE>(ERROR_INVALID_HANDLE, NULL);
  if ((manager->access() & SC_MANAGER_CREATE_SERVICE) == 0) {
    return Fail<SC_HANDLE>(ERROR_ACCESS_DENIED, NULL);
  }
  if (!lpServiceName || !*lpServiceName || std::strlen(lpServiceName) > 256 ||
      std::strchr(lpServiceName, '\\') || std::strchr(lpServiceName, '/')) {
    return Fail<SC_HANDLE>(ERROR_INVALID_NAME, NULL);
  }
  if (!lpBinaryPathName || !*lpBinaryPathName) return Fail<SC_HANDLE>(ERROR_INVALID_PARAMETER, NULL);
  if (dwStartType > SERVICE_DISABLED || dwErrorControl > 3) {
    return Fail<SC_HANDLE>(ERROR_INVALID_PARAMETER, NULL);
  }
  sim::ServiceConfig config;
  config.name = lpServiceName;
  config.display_name = lpDisplayName ? lpDisplayName : lpServiceName;
  config.type = dwServiceType;
  config.start_type = dwStartType;
  config.error_control = dwErrorControl;
  config.binary_path = lpBinaryPathName;
  config.load_order_group = lpLoadOrderGroup ? lpLoadOrderGroup : "";
  config.tag_requested = lpdwTagId != NULL;
  if (lpDependencies) {
    const char* p = lpDependencies;
    while (*p) p += std::strlen(p) + 1;
    config.dependencies.assign(lpDependencies, p);
  }
  config.account = lpServiceStartName ? lpServiceStartName : "";
  config.password_given = lpPassword != NULL && *lpPassword;
  sim::scm().prune();
  if (DWORD dwError = sim::scm().create(config)) return Fail<SC_HANDLE>(dwError, NULL);
  sim::scm().find(config.name)->open_handles++;
  return NewScHandle(config.name, dwDesiredAccess);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
  if (Failed("OpenServiceA")) return NULL;
  sim::Guard guard(sim::machine_mutex());
  auto manager = FindScHandle(hSCManager);
  if (!manager || !manager->service().empty()) return Fail<SC_HANDLE>(ERROR_INVALID_HANDLE, NULL);
  if (!lpServiceName || !*lpServiceName) return Fail<SC_HANDLE>(ERROR_INVALID_NAME, NULL);
  sim::scm().prune();
  sim::ServiceManager::Service* service = sim::scm().find(lpServiceName);
  if (!service) return Fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, NULL);
  if (service->behaviour.open_error) return Fail<SC_HANDLE>(service->behaviour.open_error, NULL);
  service->open_handles++;
  return NewScHandle(service->config.name, dwDesiredAccess);
}

BOOL WINAPI StartServiceA(SC_HANDLE hService, DWORD, LPCSTR*) {
  if (Failed("StartServiceA")) return FALSE;
  sim::Guard guard(sim::machine_mutex());
  std::string name;
  sim::ServiceManager::Service* service = ServiceOf(hService, SERVICE_START, &name);
  if (!service) return FALSE;
  sim::ServiceManager& manager = sim::scm();
  manager.settle(*service);
  DWORD dwError = 0;
  if (service->marked_for_delete) {
    dwError = ERROR_SERVICE_MARKED_FOR_DELETE;
  } else if (service->config.start_type == SERVICE_DISABLED) {
    dwError = ERROR_SERVICE_DISABLED;
  } else if (service->status.dwCurrentState != SERVICE_STOPPED) {
    dwError = ERROR_SERVICE_ALREADY_RUNNING;
  } else if (service->behaviour.start_error) {
    dwError = service->behaviour.start_error;
  } else if (service->behaviour.start_ms == 0) {
    manager.set_scripted_state(*service, SERVICE_RUNNING);
  } else {
    manager.set_scripted_state(*service, SERVICE_START_PENDING);
    service->pending_target = SERVICE_RUNNING;
    const uint64_t start_ms = service->behaviour.start_ms;
    service->pending_until = start_ms == sim::NEVER_MS ? sim::NEVER_MS : sim::now_ms() + start_ms;
  }
  sim::ServiceRequest request;
  request.at_ms = sim::now_ms();
  request.service = name;
  request.start = true;
  request.error = dwError;
  manager.record(request);
  if (dwError) return Fail(dwError, FALSE);
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
  if (Failed("ControlService")) return FALSE;
  if (!lpServiceStatus) return Fail(ERROR_INVALID_ADDRESS_CODE, FALSE);
  std::string name;
  {
    sim::Guard guard(sim::machine_mutex());
    DWORD needed = SERVICE_INTERROGATE;
    if (dwControl == SERVICE_CONTROL_STOP) needed = SERVICE_STOP;
    if (dwControl == SERVICE_CONTROL_PAUSE || dwControl == SERVICE_CONTROL_CONTINUE) {
      needed = SERVICE_PAUSE_CONTINUE;
    }
    if (!ServiceOf(hService, needed, &name)) return FALSE;
  }
  DWORD dwError = sim::send_service_control(name, dwControl, false, lpServiceStatus);
  if (dwError) return Fail(dwError, FALSE);
  return TRUE;
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
  if (Failed("QueryServiceStatus")) return FALSE;
  if (!lpServiceStatus) return Fail(ERROR_INVALID_ADDRESS_CODE, FALSE);
  sim::Guard guard(sim::machine_mutex());
  sim::ServiceManager::Service* service = ServiceOf(hService, SERVICE_QUERY_STATUS, nullptr);
  if (!service) return FALSE;
  sim::scm().settle(*service);
  *lpServiceStatus = service->status;
  return TRUE;
}

BOOL WINAPI DeleteService(SC_HANDLE hService) {
  if (Failed("DeleteService")) return FALSE;
  sim::Guard guard(sim::machine_mutex());
  sim::ServiceManager::Service* service = ServiceOf(hService, DELETE, nullptr);
  if (!service) return FALSE;
  if (service->marked_for_delete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
  service->marked_for_delete = true;
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
  if (Failed("CloseServiceHandle")) return FALSE;
  sim::Guard guard(sim::machine_mutex());
  auto handle = FindScHandle(hSCObject);
  if (!handle) return Fail(ERROR_INVALID_HANDLE, FALSE);
  sim::remove_handle(reinterpret_cast<HANDLE>(hSCObject));
  if (!handle->service().empty()) {
    if (sim::ServiceManager::Service* service = sim::scm().find(handle->service())) {
      service->open_handles--;
      sim::scm().collect(handle->service());
    }
  }
  return TRUE;
}
