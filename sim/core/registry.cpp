#include "sim/core/registry.h"

#include <cctype>
#include <cstring>

#include "sim/core/machine.h"

namespace sim {

namespace {

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

bool same_name(const std::string& a, const std::string& b) {
  return !NoCaseLess()(a, b) && !NoCaseLess()(b, a);
}

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = std::toupper(static_cast<unsigned char>(a[i]));
    int cb = std::toupper(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

Registry::Registry() : hklm_(new RegKey), hkcu_(new RegKey) {
  hklm_->name = "HKEY_LOCAL_MACHINE";
  hklm_->id = next_id_++;
  hkcu_->name = "HKEY_CURRENT_USER";
  hkcu_->id = next_id_++;
}

RegKey* Registry::root(HKEY predefined) {
  if (predefined == HKEY_LOCAL_MACHINE) return hklm_.get();
  if (predefined == HKEY_CURRENT_USER) return hkcu_.get();
  return nullptr;
}

RegKey* Registry::find(RegKey* base, const std::string& relative) {
  RegKey* key = base;
  for (const std::string& part : split_path(relative)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

RegKey* Registry::create(RegKey* base, const std::string& relative, bool* created) {
  RegKey* key = base;
  if (created) *created = false;
  for (const std::string& part : split_path(relative)) {
    auto it = key->subkeys.find(part);
    if (it == key->subkeys.end()) {
      auto child = std::make_unique<RegKey>();
      child->name = part;
      child->id = next_id_++;
      it = key->subkeys.emplace(part, std::move(child)).first;
      if (created) *created = true;
    }
    key = it->second.get();
  }
  return key;
}

RegKey* Registry::find_by_id(RegKey* key, uint64_t id) {
  if (key->id == id) return key;
  for (auto& sub : key->subkeys) {
    if (RegKey* found = find_by_id(sub.second.get(), id)) return found;
  }
  return nullptr;
}

RegKey* Registry::find_by_id(uint64_t id) {
  if (RegKey* key = find_by_id(hklm_.get(), id)) return key;
  return find_by_id(hkcu_.get(), id);
}

RegValue* Registry::find_value(RegKey* key, const std::string& name) {
  for (auto& entry : key->values) {
    if (same_name(entry.first, name)) return &entry.second;
  }
  return nullptr;
}

void Registry::write_value(RegKey* key, const std::string& name, RegValue value) {
  ++value_writes_;
  if (RegValue* existing = find_value(key, name)) {
    *existing = std::move(value);
    return;
  }
  key->values.emplace_back(name, std::move(value));
}

RegKey* Registry::resolve(const std::string& path, bool create_missing) {
  std::vector<std::string> parts = split_path(path);
  RegKey* base = hklm_.get();
  std::string rest = path;
  if (!parts.empty()) {
    const std::string& first = parts.front();
    bool is_hklm = same_name(first, "HKLM") || same_name(first, "HKEY_LOCAL_MACHINE");
    bool is_hkcu = same_name(first, "HKCU") || same_name(first, "HKEY_CURRENT_USER");
    if (is_hklm || is_hkcu) {
      base = is_hkcu ? hkcu_.get() : hklm_.get();
      rest.clear();
      for (size_t i = 1; i < parts.size(); ++i) rest += parts[i] + "\\";
    }
  }
  return create_missing ? create(base, rest, nullptr) : find(base, rest);
}

const RegKey* Registry::resolve(const std::string& path) const {
  return const_cast<Registry*>(this)->resolve(path, false);
}

bool Registry::key_exists(const std::string& path) const { return resolve(path) != nullptr; }

void Registry::create_key(const std::string& path) { resolve(path, true); }

bool Registry::delete_key(const std::string& path) {
  size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return hklm_->subkeys.erase(path) > 0;
  RegKey* parent = resolve(path.substr(0, cut), false);
  return parent && parent->subkeys.erase(path.substr(cut + 1)) > 0;
}

void Registry::set_value(const std::string& path, const std::string& name, DWORD type,
                         std::vector<uint8_t> data) {
  write_value(resolve(path, true), name, RegValue{type, std::move(data)});
}

void Registry::set_dword(const std::string& path, const std::string& name, DWORD value) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                static_cast<uint8_t>(value >> 16),
                                static_cast<uint8_t>(value >> 24)};
  set_value(path, name, REG_DWORD, bytes);
}

void Registry::set_string(const std::string& path, const std::string& name,
                          const std::string& value) {
  std::vector<uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  set_value(path, name, REG_SZ, bytes);
}

bool Registry::delete_value(const std::string& path, const std::string& name) {
  RegKey* key = resolve(path, false);
  if (!key) return false;
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (same_name(it->first, name)) {
      key->values.erase(it);
      return true;
    }
  }
  return false;
}

std::optional<RegValue> Registry::value(const std::string& path, const std::string& name) const {
  RegKey* key = const_cast<Registry*>(this)->resolve(path, false);
  if (!key) return std::nullopt;
  RegValue* found = const_cast<Registry*>(this)->find_value(key, name);
  if (!found) return std::nullopt;
  return *found;
}

std::optional<DWORD> Registry::dword(const std::string& path, const std::string& name) const {
  std::optional<RegValue> found = value(path, name);
  if (!found || found->data.size() < 4) return std::nullopt;
  const std::vector<uint8_t>& d = found->data;
  return static_cast<DWORD>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<DWORD>(d[3]) << 24);
}

std::optional<std::string> Registry::string(const std::string& path,
                                            const std::string& name) const {
  std::optional<RegValue> found = value(path, name);
  if (!found) return std::nullopt;
  std::string text(found->data.begin(), found->data.end());
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

std::vector<std::string> Registry::subkey_names(const std::string& path) const {
  std::vector<std::string> names;
  if (const RegKey* key = resolve(path)) {
    for (const auto& sub : key->subkeys) names.push_back(sub.second->name);
  }
  return names;
}

std::vector<std::string> Registry::value_names(const std::string& path) const {
  std::vector<std::string> names;
  if (const RegKey* key = resolve(path)) {
    for (const auto& entry : key->values) names.push_back(entry.first);
  }
  return names;
}

Registry& registry() { return component<Registry>(); }

}  // namespace sim
