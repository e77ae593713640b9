// The simulated registry: a tree of keys under HKEY_LOCAL_MACHINE (and
// HKEY_CURRENT_USER), each with typed values. Key and value names compare
// case-insensitively and keep the case they were created with.
//
// Paths name a key from its root: "HKLM\\SOFTWARE\\Ostravale\\Tormelle"
// ("HKEY_LOCAL_MACHINE\\..." and "HKCU\\..." work too; a path without a root
// is taken under HKLM).
#ifndef SIM_CORE_REGISTRY_H
#define SIM_CORE_REGISTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

struct RegKey {
  std::string name;
  std::map<std::string, std::unique_ptr<RegKey>, NoCaseLess> subkeys;
  // Values in the order they were first written, as RegEnumValue lists them.
  std::vector<std::pair<std::string, RegValue>> values;
  uint64_t id = 0;  // identity, so a handle can tell its key was deleted
};

class Registry {
 public:
  Registry();

  // Test-facing view.
  bool key_exists(const std::string& path) const;
  void create_key(const std::string& path);
  bool delete_key(const std::string& path);  // with everything below it
  void set_value(const std::string& path, const std::string& name, DWORD type,
                 std::vector<uint8_t> data);
  void set_dword(const std::string& path, const std::string& name, DWORD value);
  // Stored as REG_SZ with its terminating zero, as RegSetValueExA callers do.
  void set_string(const std::string& path, const std::string& name, const std::string& value);
  bool delete_value(const std::string& path, const std::string& name);
  std::optional<RegValue> value(const std::string& path, const std::string& name) const;
  std::optional<DWORD> dword(const std::string& path, const std::string& name) const;
  // REG_SZ text up to its first zero byte.
  std::optional<std::string> string(const std::string& path, const std::string& name) const;
  std::vector<std::string> subkey_names(const std::string& path) const;
  std::vector<std::string> value_names(const std::string& path) const;
  // Number of successful value writes since reset (by any route).
  uint64_t value_writes() const { return value_writes_; }

  // Used by the Win32 functions.
  RegKey* root(HKEY predefined);
  RegKey* find(RegKey* base, const std::string& relative);
  RegKey* create(RegKey* base, const std::string& relative, bool* created);
  RegKey* find_by_id(uint64_t id);
  RegValue* find_value(RegKey* key, const std::string& name);
  void write_value(RegKey* key, const std::string& name, RegValue value);

 private:
  RegKey* resolve(const std::string& path, bool create);
  const RegKey* resolve(const std::string& path) const;
  RegKey* find_by_id(RegKey* key, uint64_t id);

  std::unique_ptr<RegKey> hklm_;
  std::unique_ptr<RegKey> hkcu_;
  uint64_t next_id_ = 1;
  uint64_t value_writes_ = 0;
};

// The registry of the current machine.
Registry& registry();

}  // namespace sim

#endif  // SIM_CORE_REGISTRY_H
