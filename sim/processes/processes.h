// Processes on the simulated machine, and the outside programs they run.
//
// A program file on the simulated disk is a small text that names the
// program (written by `install_program`). CreateProcessA finds the file as
// Windows does, records the start, and ends the process on the virtual clock
// after the program's run time, when the program's effect runs and its exit
// code is set. A wait on the process handle therefore costs no wall time.
//
// Programs known from the start:
// - "wrenpak": the agent package. After 3 s it unpacks into its current
//   directory: patch\setup.exe (the "setup" program), patch\agents.inf,
//   patch\drivers\cage.sys and vendor.txt, every file read-only.
// - "setup": the package's setup program; it only runs (10 minutes).
#ifndef SIM_PROCESSES_PROCESSES_H
#define SIM_PROCESSES_PROCESSES_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

// One call of CreateProcessA that started a process.
struct ProcessStart {
  std::string program;            // the program's name, e.g. "wrenpak"
  std::string image;              // full path of the program file that was found
  std::string application_name;   // as given ("" for none)
  std::string command_line;       // as given
  std::string current_directory;  // the new process's
  DWORD creation_flags = 0;
  bool inherit_handles = false;
  uint64_t started_ms = 0;
};

struct Program {
  uint64_t run_ms = 1000;
  // Runs when the process ends (at start + run_ms); its result is the exit
  // code.
  std::function<DWORD(const ProcessStart&)> run;
};

// Defines (or redefines) a program by name for this machine.
void register_program(const std::string& name, Program program);
// The built-in package program, ending with the given exit code.
Program package_program(DWORD exit_code = 0);

// Writes a program file for `name` at `path` on the simulated disk.
void install_program(const std::string& path, const std::string& name, bool read_only = false);

// Every process started since reset, in order.
std::vector<ProcessStart> started_processes();
// Processes that have not ended yet.
size_t running_process_count();

// The directory of the running program, searched first for a program named
// without a path (default C:\WINDOWS\system32).
void set_application_directory(const std::string& path);

}  // namespace sim

#endif  // SIM_PROCESSES_PROCESSES_H
