#include "sim/core/faults.h"

#include <map>

#include "sim/core/machine.h"

namespace sim {

namespace {

struct Rule {
  DWORD error;
  uint64_t first;  // call number (of this api) of the first failing call
  uint64_t last;   // last failing call number; 0 = no end
};

struct FaultState {
  std::map<std::string, std::vector<Rule>> rules;
  std::map<std::string, uint64_t> counts;
  uint64_t total = 0;
  FaultHook hook;
  bool recording = false;
  std::vector<std::string> recorded;
};

FaultState& state() { return component<FaultState>(); }

}  // namespace

void fail_call(const std::string& api, DWORD error, unsigned nth, unsigned times) {
  Guard guard(machine_mutex());
  FaultState& faults = state();
  uint64_t made = faults.counts[api];
  uint64_t first = made + (nth == 0 ? 1 : nth);
  uint64_t last = times == 0 ? 0 : first + times - 1;
  faults.rules[api].push_back(Rule{error, first, last});
}

void clear_faults() {
  Guard guard(machine_mutex());
  state().rules.clear();
  state().hook = nullptr;
}

void set_fault_hook(FaultHook hook) {
  Guard guard(machine_mutex());
  state().hook = std::move(hook);
}

bool injected_fault(const char* api, DWORD* error) {
  FaultHook hook;
  uint64_t sequence;
  std::string name(api);
  {
    Guard guard(machine_mutex());
    FaultState& faults = state();
    uint64_t n = ++faults.counts[name];
    sequence = ++faults.total;
    if (faults.recording) faults.recorded.push_back(name);
    auto it = faults.rules.find(name);
    if (it != faults.rules.end()) {
      for (const Rule& rule : it->second) {
        if (n >= rule.first && (rule.last == 0 || n <= rule.last)) {
          if (error) *error = rule.error;
          return true;
        }
      }
    }
    hook = faults.hook;
  }
  if (hook) {
    if (std::optional<DWORD> failure = hook(name, sequence)) {
      if (error) *error = *failure;
      return true;
    }
  }
  return false;
}

uint64_t call_count(const std::string& api) {
  Guard guard(machine_mutex());
  if (api.empty()) return state().total;
  auto it = state().counts.find(api);
  return it == state().counts.end() ? 0 : it->second;
}

void record_calls(bool on) {
  Guard guard(machine_mutex());
  state().recording = on;
}

std::vector<std::string> recorded_calls() {
  Guard guard(machine_mutex());
  return state().recorded;
}

}  // namespace sim
