#include "sim/core/handles.h"

#include <map>

#include "sim/core/machine.h"

namespace sim {

namespace {

struct HandleTable {
  uintptr_t next = 0x100;
  std::map<uintptr_t, std::shared_ptr<Object>> objects;
};

HandleTable& table() { return component<HandleTable>(); }

}  // namespace

HANDLE add_handle(std::shared_ptr<Object> object) {
  Guard guard(machine_mutex());
  uintptr_t value = table().next;
  table().next += 4;
  table().objects[value] = std::move(object);
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<Object> find_handle(HANDLE handle) {
  Guard guard(machine_mutex());
  auto it = table().objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == table().objects.end() ? nullptr : it->second;
}

bool remove_handle(HANDLE handle) {
  std::shared_ptr<Object> removed;  // destroyed after the lock is released
  Guard guard(machine_mutex());
  auto it = table().objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table().objects.end()) return false;
  removed = std::move(it->second);
  table().objects.erase(it);
  guard.unlock();
  return true;
}

size_t open_handle_count(const std::string& kind) {
  Guard guard(machine_mutex());
  size_t n = 0;
  for (const auto& entry : table().objects) {
    if (kind.empty() || kind == entry.second->kind()) ++n;
  }
  return n;
}

std::vector<std::string> open_handle_kinds() {
  Guard guard(machine_mutex());
  std::vector<std::string> kinds;
  for (const auto& entry : table().objects) kinds.emplace_back(entry.second->kind());
  return kinds;
}

}  // namespace sim
