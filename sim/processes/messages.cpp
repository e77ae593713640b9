// FormatMessageA from the system message table, and the local memory that
// holds its texts. The table has the English texts of the errors the
// simulated machine produces; every other code has no text.
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/processes/messages.h"

namespace {

const std::map<DWORD, std::string>& MessageTable() {
  static const std::map<DWORD, std::string> table = {
      {0, "The operation completed successfully.\r\n"},
      {2, "The system cannot find the file specified.\r\n"},
      {3, "The system cannot find the path specified.\r\n"},
      {5, "Access is denied.\r\n"},
      {6, "The handle is invalid.\r\n"},
      {8, "Not enough memory resources are available to process this command.\r\n"},
      {32, "The process cannot access the file because it is being used by another process.\r\n"},
      {80, "The file exists.\r\n"},
      {87, "The parameter is incorrect.\r\n"},
      {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
      {183, "Cannot create a file when that file already exists.\r\n"},
      {193, "%1 is not a valid Win32 application.\r\n"},
      {267, "The directory name is invalid.\r\n"},
      {1056, "An instance of the service is already running.\r\n"},
      {1060, "The specified service does not exist as an installed service.\r\n"},
      {1062, "The service has not been started.\r\n"},
  };
  return table;
}

struct LocalMemory {
  ~LocalMemory() {
    for (char* block : blocks) delete[] block;
  }
  std::set<char*> blocks;
};

LocalMemory& memory() { return sim::component<LocalMemory>(); }

}  // namespace

namespace sim {

size_t local_allocation_count() {
  Guard guard(machine_mutex());
  return memory().blocks.size();
}

}  // namespace sim

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list*) {
  DWORD dwError;
  if (sim::injected_fault("FormatMessageA", &dwError)) {
    SetLastError(dwError);
    return 0;
  }
  (void)lpSource;
  const DWORD dwLanguage = dwLanguageId & 0x3FF;
  if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (dwLanguage != 0 && dwLanguage != 0x09)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto found = MessageTable().find(dwMessageId);
  if (found == MessageTable().end()) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const std::string& text = found->second;
  // An insert without arguments to fill it is refused.
  if ((dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && text.find('%') != std::string::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD dwLength = static_cast<DWORD>(text.size());
  if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* pBlock = new char[dwLength + 1];
    std::memcpy(pBlock, text.c_str(), dwLength + 1);
    sim::Guard guard(sim::machine_mutex());
    memory().blocks.insert(pBlock);
    *reinterpret_cast<char**>(lpBuffer) = pBlock;
    return dwLength;
  }
  if (!lpBuffer || nSize <= dwLength) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, text.c_str(), dwLength + 1);
  return dwLength;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  if (!hMem) return NULL;
  sim::Guard guard(sim::machine_mutex());
  char* pBlock = static_cast<char*>(hMem);
  if (memory().blocks.erase(pBlock) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  delete[] pBlock;
  return NULL;
}
