#include "tests/sweep/fault_sweep.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <optional>

#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"

namespace sweep {

namespace {

// QBX statuses (library failures and I2C bus conditions).
const DWORD QBX_DRIVER_FAILURE = 0x0100;
const DWORD QBX_DRIVER_TIME_OUT = 0x0101;
const DWORD QBX_DRIVER_IN_USE = 0x0102;
const DWORD QBX_NO_HARDWARE = 0x0103;
const DWORD QBX_BAD_DATA = 0x0106;
const DWORD QBX_OUTPUT_TOO_SMALL = 0x0107;
const DWORD QBX_LOST_ARBITRATION = 0x0001;
const DWORD QBX_BUS_ERROR = 0x0002;

const std::map<std::string, std::vector<DWORD>>& ErrorTable() {
  static const std::map<std::string, std::vector<DWORD>> table = {
      // Registry.
      {"RegOpenKeyExA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}},
      {"RegCreateKeyExA", {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY}},
      {"RegQueryValueExA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}},
      {"RegSetValueExA", {ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY}},
      {"RegCloseKey", {ERROR_INVALID_HANDLE}},
      {"RegConnectRegistryA", {ERROR_ACCESS_DENIED}},
      // Kernel objects, devices, threads.
      {"CreateEventA", {ERROR_NOT_ENOUGH_MEMORY, ERROR_ACCESS_DENIED}},
      {"WaitForSingleObject", {ERROR_INVALID_HANDLE}},
      {"SetEvent", {ERROR_INVALID_HANDLE}},
      {"CloseHandle", {ERROR_INVALID_HANDLE}},
      {"SetThreadPriority", {ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE}},
      {"CreateFileA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}},
      {"DeviceIoControl",
       {ERROR_INVALID_FUNCTION, ERROR_IO_DEVICE, ERROR_INVALID_PARAMETER, ERROR_NOT_READY}},
      // Files, directories, processes, texts.
      {"GetWindowsDirectoryA", {ERROR_NOT_ENOUGH_MEMORY}},
      {"GetCurrentDirectoryA", {ERROR_NOT_ENOUGH_MEMORY}},
      {"SetCurrentDirectoryA", {ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED}},
      {"CopyFileA", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_WRITE_FAULT}},
      {"MoveFileA", {ERROR_ACCESS_DENIED, ERROR_ALREADY_EXISTS, ERROR_FILE_NOT_FOUND}},
      {"DeleteFileA", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}},
      {"CreateProcessA", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT}},
      {"GetExitCodeProcess", {ERROR_INVALID_HANDLE}},
      {"GetStartupInfoA", {ERROR_INVALID_PARAMETER}},
      {"FormatMessageA", {ERROR_MR_MID_NOT_FOUND, ERROR_NOT_ENOUGH_MEMORY}},
      {"GetModuleFileNameA", {ERROR_INSUFFICIENT_BUFFER}},
      {"fopen", {ERROR_ACCESS_DENIED}},
      {"system", {ERROR_FILE_NOT_FOUND}},
      // Service manager and event log.
      {"OpenSCManagerA", {ERROR_ACCESS_DENIED}},
      {"OpenServiceA", {ERROR_ACCESS_DENIED, ERROR_SERVICE_DOES_NOT_EXIST}},
      {"CreateServiceA", {ERROR_ACCESS_DENIED, ERROR_SERVICE_EXISTS}},
      {"StartServiceA", {ERROR_ACCESS_DENIED, ERROR_SERVICE_REQUEST_TIMEOUT, ERROR_SERVICE_DISABLED}},
      {"ControlService",
       {ERROR_ACCESS_DENIED, ERROR_SERVICE_REQUEST_TIMEOUT, ERROR_SERVICE_CANNOT_ACCEPT_CTRL}},
      {"QueryServiceStatus", {ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE}},
      {"DeleteService", {ERROR_ACCESS_DENIED, ERROR_SERVICE_MARKED_FOR_DELETE}},
      {"CloseServiceHandle", {ERROR_INVALID_HANDLE}},
      {"SetServiceStatus", {ERROR_INVALID_HANDLE}},
      {"RegisterEventSourceA", {ERROR_ACCESS_DENIED}},
      {"ReportEventA", {ERROR_INVALID_HANDLE}},
      {"DeregisterEventSource", {ERROR_INVALID_HANDLE}},
      // QBXAPI.
      {"RetryQBX_OpenDevice", {QBX_DRIVER_TIME_OUT, QBX_DRIVER_IN_USE, QBX_NO_HARDWARE}},
      {"QBX_MasterWriteI2C", {QBX_DRIVER_FAILURE, QBX_LOST_ARBITRATION, QBX_BUS_ERROR}},
      {"QBX_IsSMSDataAvailable", {QBX_DRIVER_FAILURE, QBX_DRIVER_TIME_OUT}},
      {"QBX_ReadSMSMessageBuffer", {QBX_BAD_DATA, QBX_OUTPUT_TOO_SMALL}},
      {"RetryQBX_CloseDevice", {QBX_DRIVER_FAILURE}},
      {"QBX_CloseDevice", {QBX_DRIVER_FAILURE}},
      {"QBXSleep", {QBX_DRIVER_FAILURE}},
      // logquay: any non-zero value ends the reading.
      {"LQ_ReadNextUnseenEvent", {ERROR_ACCESS_DENIED}},
  };
  return table;
}

// What the watchdog prints when a trial does not end.
char g_szCurrentTrial[256];

void OnWatchdog(int) {
  const char kPrefix[] = "\nfault sweep: trial did not end (hang): ";
  ssize_t ignored = write(STDERR_FILENO, kPrefix, sizeof(kPrefix) - 1);
  ignored = write(STDERR_FILENO, g_szCurrentTrial, strlen(g_szCurrentTrial));
  ignored = write(STDERR_FILENO, "\n", 1);
  (void)ignored;
  _exit(3);
}

// Standard output is silenced while a trial runs (debug mode prints).
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

std::string Describe(const Injection& injection) {
  char text[160];
  if (injection.sequence == 0) return "clean run";
  snprintf(text, sizeof(text), "%s #%llu error %lu", injection.api.c_str(),
           static_cast<unsigned long long>(injection.sequence),
           static_cast<unsigned long>(injection.error));
  return text;
}

// One trial on a fresh machine; the calls it made land in *pCalls.
std::vector<std::string> RunTrial(const Prepare& prepare, const Trial& trial,
                                  Injection* pInjection, unsigned wall_limit_s,
                                  std::vector<std::string>* pCalls) {
  snprintf(g_szCurrentTrial, sizeof(g_szCurrentTrial), "%s", Describe(*pInjection).c_str());
  sim::reset();
  prepare();
  sim::record_calls(pCalls != nullptr);
  const uint64_t base = sim::call_count();
  const uint64_t target = pInjection->sequence;
  sim::set_fault_hook([pInjection, base, target](const std::string& api,
                                                 uint64_t sequence) -> std::optional<DWORD> {
    if (target == 0 || sequence - base != target) return std::nullopt;
    pInjection->hit = pInjection->api == api;
    if (!pInjection->hit) pInjection->seen = api;
    return pInjection->hit ? std::optional<DWORD>(pInjection->error) : std::nullopt;
  });
  std::vector<std::string> problems;
  {
    QuietStdout quiet;
    alarm(wall_limit_s);
    problems = trial(*pInjection);
    alarm(0);
  }
  sim::set_fault_hook(nullptr);
  if (target != 0 && !pInjection->hit) problems.push_back("the run took another course before the call (" +
                                                   (pInjection->seen.empty() ? "ended" : pInjection->seen) + ")");
  if (pCalls) *pCalls = sim::recorded_calls();
  sim::record_calls(false);
  return problems;
}

}  // namespace

const std::vector<DWORD>& DocumentedErrors(const std::string& api) {
  static const std::vector<DWORD> fallback = {ERROR_GEN_FAILURE};
  auto it = ErrorTable().find(api);
  return it == ErrorTable().end() ? fallback : it->second;
}

Report SweepEveryCall(const Prepare& prepare, const Trial& trial, unsigned wall_limit_s) {
  signal(SIGALRM, OnWatchdog);
  Report report;
  auto note = [&report](const Injection& injection, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems)
      report.problems.push_back(Describe(injection) + ": " + problem);
  };

  Injection clean;
  std::vector<std::string> calls;
  note(clean, RunTrial(prepare, trial, &clean, wall_limit_s, &calls));
  ++report.trials;
  report.calls = calls.size();
  for (const std::string& api : calls) ++report.apis[api];

  for (uint64_t n = 1; n <= calls.size(); ++n) {
    const std::string& api = calls[n - 1];
    for (DWORD error : DocumentedErrors(api)) {
      Injection injection;
      injection.sequence = n;
      injection.api = api;
      injection.error = error;
      note(injection, RunTrial(prepare, trial, &injection, wall_limit_s, nullptr));
      ++report.trials;
    }
  }
  return report;
}

void PrintReport(const std::string& program, const Report& report) {
  std::printf("fault sweep of %s: %llu call sites swept (%zu apis), %llu trials, %zu problems\n",
              program.c_str(), static_cast<unsigned long long>(report.calls), report.apis.size(),
              static_cast<unsigned long long>(report.trials), report.problems.size());
  for (const auto& [api, count] : report.apis)
    std::printf("  %-28s %6llu positions x %zu errors\n", api.c_str(),
                static_cast<unsigned long long>(count), DocumentedErrors(api).size());
  std::fflush(stdout);
}

bool Hit(const Injection& injection, std::initializer_list<const char*> apis) {
  if (!injection.hit) return false;
  for (const char* api : apis)
    if (injection.api == api) return true;
  return false;
}

std::vector<std::string> LeftOpen(const Injection& injection,
                                  const std::map<std::string, size_t>& allowed) {
  const bool bCloseFailed = Hit(injection, {"CloseHandle", "RegCloseKey", "CloseServiceHandle",
                                            "DeregisterEventSource", "RetryQBX_CloseDevice"});
  std::map<std::string, size_t> open;
  for (const std::string& kind : sim::open_handle_kinds()) ++open[kind];
  std::vector<std::string> problems;
  for (const auto& [kind, count] : open) {
    auto it = allowed.find(kind);
    size_t limit = (it == allowed.end() ? 0 : it->second) + (bCloseFailed ? 1 : 0);
    if (count > limit) problems.push_back(std::to_string(count) + " " + kind + " handle(s) left open");
  }
  return problems;
}

}  // namespace sweep
