// kernel32's GetModuleFileNameA for the program itself, with the path the
// simulated manager holds (`sim::scm().set_module_path`).
#include <cstring>

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/services/service_manager.h"

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  DWORD dwError;
  if (sim::injected_fault("GetModuleFileNameA", &dwError)) {
    SetLastError(dwError);
    return 0;
  }
  if (hModule) {
    SetLastError(126);  // ERROR_MOD_NOT_FOUND: only the program itself is loaded
    return 0;
  }
  std::string path;
  {
    sim::Guard guard(sim::machine_mutex());
    path = sim::scm().module_path();
  }
  if (nSize == 0 || !lpFilename) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // As on current Windows: a path that does not fit is cut to nSize - 1
  // characters and terminated, the result is nSize and the error is set.
  if (path.size() >= nSize) {
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::memcpy(lpFilename, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}
