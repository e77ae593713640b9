// CreateProcessA, GetStartupInfoA and process handles on the simulated
// machine, with Windows' search for the program file.
#include "sim/processes/processes.h"

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/files/file_system.h"

namespace sim {

namespace {

const char kProgramMark[] = "MZ simulated program: ";

class ProcessObject : public Object {
 public:
  explicit ProcessObject(const char* kind) : kind_(kind) {}
  const char* kind() const override { return kind_; }
  bool signaled() const override { return ended; }
  bool ended = false;
  DWORD exit_code = STILL_ACTIVE;

 private:
  const char* kind_;
};

struct ProcessState {
  ProcessState() {
    programs["wrenpak"] = package_program(0);
    programs["setup"] = Program{600000, [](const ProcessStart&) -> DWORD { return 0; }};
  }
  std::map<std::string, Program> programs;
  std::vector<ProcessStart> started;
  std::string application_directory = "C:\\WINDOWS\\system32";
  DWORD next_id = 0x400;
  size_t running = 0;
};

ProcessState& state() { return component<ProcessState>(); }

BOOL Fail(DWORD dwError) {
  SetLastError(dwError);
  return FALSE;
}

// The program named by a program file, if it is one.
std::optional<std::string> ProgramIn(const std::string& image) {
  std::optional<std::string> content = files().read_file(image);
  if (!content || content->rfind(kProgramMark, 0) != 0) return std::nullopt;
  std::string name = content->substr(sizeof(kProgramMark) - 1);
  return name.substr(0, name.find('\n'));
}

// The program file for one candidate name: a name with a path is taken
// from the current directory, a bare name is searched for in the program's
// directory, the current directory, system32 and the Windows directory. A
// name without an extension gets ".exe".
std::optional<std::string> FindImage(std::string name) {
  const size_t slash = name.find_last_of("\\/");
  const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  if (last.find('.') == std::string::npos) name += ".exe";
  std::vector<std::string> candidates;
  if (slash != std::string::npos || (name.size() > 1 && name[1] == ':')) {
    candidates.push_back(name);
  } else {
    const std::string windows = files().windows_directory();
    for (const std::string& dir : {state().application_directory, files().current_directory(),
                                   windows + "\\system32", windows}) {
      candidates.push_back(dir + (dir.back() == '\\' ? "" : "\\") + name);
    }
  }
  for (const std::string& candidate : candidates) {
    ResolvedPath path;
    if (files().resolve(candidate, &path) != ERROR_SUCCESS) continue;
    if (files().file_exists(path.full)) return path.full;
  }
  return std::nullopt;
}

// Windows' reading of a command line without an application name: a quoted
// first word is the program; an unquoted one is tried word by word, "C:\my"
// before "C:\my dir\setup.exe", and the first file found wins.
std::optional<std::string> FindProgramOfCommandLine(const std::string& line) {
  size_t start = 0;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  if (start < line.size() && line[start] == '"') {
    const size_t end = line.find('"', start + 1);
    return FindImage(line.substr(start + 1, end == std::string::npos ? end : end - start - 1));
  }
  size_t pos = start;
  for (;;) {
    const size_t blank = line.find_first_of(" \t", pos);
    const std::string candidate = line.substr(start, blank == std::string::npos ? blank : blank - start);
    if (!candidate.empty()) {
      if (std::optional<std::string> image = FindImage(candidate)) return image;
    }
    if (blank == std::string::npos) return std::nullopt;
    pos = blank + 1;
  }
}

}  // namespace

Program package_program(DWORD exit_code) {
  return Program{3000, [exit_code](const ProcessStart& start) -> DWORD {
                   const std::string dir = start.current_directory +
                                           (start.current_directory.back() == '\\' ? "" : "\\");
                   install_program(dir + "patch\\setup.exe", "setup", true);
                   files().write_file(dir + "patch\\agents.inf", "[Agents]\n", true);
                   files().write_file(dir + "patch\\drivers\\cage.sys", "cage driver", true);
                   files().write_file(dir + "vendor.txt", "Ostravale\n", true);
                   return exit_code;
                 }};
}

void register_program(const std::string& name, Program program) {
  Guard guard(machine_mutex());
  state().programs[name] = std::move(program);
}

void install_program(const std::string& path, const std::string& name, bool read_only) {
  files().write_file(path, std::string(kProgramMark) + name + "\n", read_only);
}

std::vector<ProcessStart> started_processes() {
  Guard guard(machine_mutex());
  return state().started;
}

size_t running_process_count() {
  Guard guard(machine_mutex());
  return state().running;
}

void set_application_directory(const std::string& path) {
  Guard guard(machine_mutex());
  state().application_directory = path;
}

}  // namespace sim

void WINAPI GetStartupInfoA(LPSTARTUPINFOA lpStartupInfo) {
  static char szDesktop[] = "WinSta0\\Default";
  sim::injected_fault("GetStartupInfoA", nullptr);
  std::memset(lpStartupInfo, 0, sizeof(*lpStartupInfo));
  lpStartupInfo->cb = sizeof(*lpStartupInfo);
  lpStartupInfo->lpDesktop = szDesktop;
}

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL bInheritHandles, DWORD dwCreationFlags,
                           LPVOID, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  DWORD dwError;
  if (sim::injected_fault("CreateProcessA", &dwError)) return sim::Fail(dwError);
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine)) {
    return sim::Fail(ERROR_INVALID_PARAMETER);
  }
  sim::Guard guard(sim::machine_mutex());
  sim::ProcessStart start;
  start.application_name = lpApplicationName ? lpApplicationName : "";
  start.command_line = lpCommandLine ? lpCommandLine : "";
  start.creation_flags = dwCreationFlags;
  start.inherit_handles = bInheritHandles != FALSE;
  start.started_ms = sim::now_ms();
  start.current_directory = sim::files().current_directory();
  if (lpCurrentDirectory) {
    sim::ResolvedPath dir;
    if (sim::files().resolve(lpCurrentDirectory, &dir) != ERROR_SUCCESS ||
        !sim::files().directory_exists(dir.full)) {
      return sim::Fail(ERROR_DIRECTORY);
    }
    start.current_directory = dir.full;
  }

  std::optional<std::string> image = lpApplicationName
                                         ? sim::FindImage(lpApplicationName)
                                         : sim::FindProgramOfCommandLine(start.command_line);
  if (!image) return sim::Fail(ERROR_FILE_NOT_FOUND);
  std::optional<std::string> name = sim::ProgramIn(*image);
  if (!name) return sim::Fail(ERROR_BAD_EXE_FORMAT);
  auto found = sim::state().programs.find(*name);
  if (found == sim::state().programs.end()) return sim::Fail(ERROR_BAD_EXE_FORMAT);
  start.program = *name;
  start.image = *image;

  auto process = std::make_shared<sim::ProcessObject>("process");
  auto thread = std::make_shared<sim::ProcessObject>("thread");
  lpProcessInformation->hProcess = sim::add_handle(process);
  lpProcessInformation->hThread = sim::add_handle(thread);
  lpProcessInformation->dwProcessId = sim::state().next_id;
  lpProcessInformation->dwThreadId = sim::state().next_id + 4;
  sim::state().next_id += 8;
  sim::state().started.push_back(start);
  ++sim::state().running;

  sim::Program program = found->second;
  const uint64_t generation = sim::generation();
  sim::after(program.run_ms, [program, start, process, thread, generation] {
    const DWORD dwExitCode = program.run ? program.run(start) : 0;
    sim::Guard ended(sim::machine_mutex());
    if (sim::generation() != generation) return;
    process->exit_code = thread->exit_code = dwExitCode;
    process->ended = thread->ended = true;
    --sim::state().running;
  }, "process " + start.program + " ends");
  return TRUE;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  DWORD dwError;
  if (sim::injected_fault("GetExitCodeProcess", &dwError)) return sim::Fail(dwError);
  auto process = sim::find_handle_as<sim::ProcessObject>(hProcess);
  if (!process || std::strcmp(process->kind(), "process") != 0 || !lpExitCode) {
    return sim::Fail(ERROR_INVALID_HANDLE);
  }
  sim::Guard guard(sim::machine_mutex());
  *lpExitCode = process->exit_code;
  return TRUE;
}
