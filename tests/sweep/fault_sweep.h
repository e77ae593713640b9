// The fault sweep: a program's run is repeated on a freshly prepared
// machine once for every seam call it makes and every documented error of
// that call, failing exactly that one call (the n-th of the whole run) with
// that error. Each trial checks what must hold after such a run; the sweep
// gathers what did not.
#ifndef TESTS_SWEEP_FAULT_SWEEP_H
#define TESTS_SWEEP_FAULT_SWEEP_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sweep {

// The call failed in one trial; sequence 0 in the clean run.
struct Injection {
  uint64_t sequence = 0;  // counted from the first call of the run
  std::string api;
  DWORD error = 0;
  bool hit = false;  // the call was made and failed
  std::string seen;  // the call made at `sequence` when it was another
};

// Prepares a fresh machine (after sim::reset()); makes no seam calls that
// matter, as the sequence is counted from the end of it.
using Prepare = std::function<void()>;

// Runs the program on the prepared machine with the injection armed, then
// checks the outcome; every broken rule is one line of the result.
using Trial = std::function<std::vector<std::string>(const Injection& injection)>;

// The errors a call is documented to fail with, in the terms of its own
// library (Win32 codes, QBX statuses).
const std::vector<DWORD>& DocumentedErrors(const std::string& api);

struct Report {
  uint64_t calls = 0;                    // seam calls of the clean run
  std::map<std::string, uint64_t> apis;  // calls per api in the clean run
  uint64_t trials = 0;
  std::vector<std::string> problems;  // "<api> #<n> error <e>: <what>"
};

// The clean run first, then one trial per call position and error.
// `wall_limit_s` bounds each trial in real time (a hang ends the process).
Report SweepEveryCall(const Prepare& prepare, const Trial& trial, unsigned wall_limit_s = 30);

// Prints the counts of the report to stdout.
void PrintReport(const std::string& program, const Report& report);

// Handles open now, by kind, leaving out up to `allowed[kind]` of a kind.
// A close call that was made to fail leaves its handle open: one more of
// every kind is allowed then.
std::vector<std::string> LeftOpen(const Injection& injection,
                                  const std::map<std::string, size_t>& allowed = {});

// Whether the injection hit `api`, or any of `apis`.
bool Hit(const Injection& injection, std::initializer_list<const char*> apis);

}  // namespace sweep

#endif  // TESTS_SWEEP_FAULT_SWEEP_H
