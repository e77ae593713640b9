#include "sim/files/file_system.h"

#include <stdlib.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "sim/core/machine.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool ValidComponent(const std::string& part) {
  for (char c : part) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (std::string("<>:\"|?*").find(c) != std::string::npos) return false;
  }
  return true;
}

// Windows drops trailing dots and blanks of a name ("name." is "name").
std::string TrimName(std::string part) {
  if (part == "." || part == "..") return part;
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
  return part;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

// The entry of `directory` whose name equals `name` without regard to case.
std::optional<std::string> FindEntry(const fs::path& directory, const std::string& name) {
  std::error_code ec;
  if (!fs::is_directory(directory, ec)) return std::nullopt;
  if (fs::exists(directory / name, ec)) return name;
  const std::string wanted = Lower(name);
  for (const auto& entry : fs::directory_iterator(directory, ec)) {
    std::string found = entry.path().filename().string();
    if (Lower(found) == wanted) return found;
  }
  return std::nullopt;
}

ResolvedPath MustResolve(const FileSystem& files, const std::string& path) {
  ResolvedPath resolved;
  if (files.resolve(path, &resolved) != ERROR_SUCCESS) {
    throw std::invalid_argument("not a usable Windows path: " + path);
  }
  return resolved;
}

}  // namespace

FileSystem::FileSystem() {
  std::string pattern = (fs::temp_directory_path() / "sw-sim-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make the simulated disk");
  root_ = pattern;
  fs::create_directories(root_ / "c");
  current_directory_ = "C:\\";
  set_windows_directory("C:\\WINDOWS");
  set_current_directory("C:\\WINDOWS\\system32");
}

FileSystem::~FileSystem() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

std::string FileSystem::key_of(const std::string& full) { return Lower(full); }

DWORD FileSystem::resolve(const std::string& path, ResolvedPath* resolved) const {
  std::string text = path;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.empty()) return ERROR_PATH_NOT_FOUND;
  if (text.rfind("\\\\", 0) == 0) return ERROR_INVALID_NAME;

  std::vector<std::string> base = Split(current_directory_.substr(3));
  if (base.size() == 1 && base[0].empty()) base.clear();
  char drive = current_directory_[0];
  std::string rest = text;
  if (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':') {
    const char named = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    rest = text.substr(2);
    if (named != drive) base.clear();
    drive = named;
  }
  if (!rest.empty() && rest[0] == '\\') base.clear();

  std::vector<std::string> parts = base;
  for (std::string part : Split(rest)) {
    part = TrimName(part);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (!ValidComponent(part)) return ERROR_INVALID_NAME;
    parts.push_back(part);
  }

  fs::path host = root_ / std::string(1, static_cast<char>(std::tolower(drive)));
  std::string full = std::string(1, drive) + ":";
  for (const std::string& part : parts) {
    std::string name = FindEntry(host, part).value_or(part);
    host /= name;
    full += "\\" + name;
  }
  if (parts.empty()) full += "\\";
  resolved->full = full;
  resolved->host = host;
  return ERROR_SUCCESS;
}

DWORD FileSystem::check_parent(const ResolvedPath& path) const {
  std::error_code ec;
  return fs::is_directory(path.host.parent_path(), ec) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
}

bool FileSystem::is_read_only(const ResolvedPath& path) const {
  return read_only_.count(key_of(path.full)) != 0;
}

void FileSystem::mark_read_only(const ResolvedPath& path, bool read_only) {
  if (read_only) {
    read_only_.insert(key_of(path.full));
  } else {
    read_only_.erase(key_of(path.full));
  }
}

void FileSystem::forget(const ResolvedPath& path) { read_only_.erase(key_of(path.full)); }

void FileSystem::rename_attribute(const ResolvedPath& from, const ResolvedPath& to) {
  const bool was_read_only = is_read_only(from);
  forget(from);
  mark_read_only(to, was_read_only);
}

void FileSystem::set_windows_directory(const std::string& path) {
  Guard guard(machine_mutex());
  make_directory(path);
  make_directory(path + "\\system32");
  windows_directory_ = MustResolve(*this, path).full;
}

void FileSystem::set_current_directory(const std::string& path) {
  Guard guard(machine_mutex());
  make_directory(path);
  current_directory_ = MustResolve(*this, path).full;
}

void FileSystem::make_directory(const std::string& path) {
  Guard guard(machine_mutex());
  // Resolve one level at a time, so existing directories keep their case.
  ResolvedPath resolved = MustResolve(*this, path);
  std::vector<std::string> parts = Split(resolved.full.substr(3));
  std::string partial = resolved.full.substr(0, 2);
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    partial += "\\" + part;
    fs::create_directories(MustResolve(*this, partial).host);
  }
}

void FileSystem::write_file(const std::string& path, const std::string& content, bool read_only) {
  Guard guard(machine_mutex());
  ResolvedPath resolved = MustResolve(*this, path);
  size_t slash = resolved.full.rfind('\\');
  if (slash > 2) make_directory(resolved.full.substr(0, slash));
  resolved = MustResolve(*this, path);
  std::ofstream out(resolved.host, std::ios::binary | std::ios::trunc);
  out << content;
  mark_read_only(resolved, read_only);
}

std::optional<std::string> FileSystem::read_file(const std::string& path) const {
  Guard guard(machine_mutex());
  ResolvedPath resolved = MustResolve(*this, path);
  std::error_code ec;
  if (!fs::is_regular_file(resolved.host, ec)) return std::nullopt;
  std::ifstream in(resolved.host, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool FileSystem::file_exists(const std::string& path) const {
  Guard guard(machine_mutex());
  std::error_code ec;
  return fs::is_regular_file(MustResolve(*this, path).host, ec);
}

bool FileSystem::directory_exists(const std::string& path) const {
  Guard guard(machine_mutex());
  std::error_code ec;
  return fs::is_directory(MustResolve(*this, path).host, ec);
}

bool FileSystem::read_only(const std::string& path) const {
  Guard guard(machine_mutex());
  return is_read_only(MustResolve(*this, path));
}

void FileSystem::set_read_only(const std::string& path, bool read_only) {
  Guard guard(machine_mutex());
  mark_read_only(MustResolve(*this, path), read_only);
}

bool FileSystem::remove(const std::string& path) {
  Guard guard(machine_mutex());
  ResolvedPath resolved = MustResolve(*this, path);
  std::error_code ec;
  if (!fs::exists(resolved.host, ec)) return false;
  const std::string prefix = key_of(resolved.full);
  for (auto it = read_only_.begin(); it != read_only_.end();) {
    if (*it == prefix || it->rfind(prefix + "\\", 0) == 0) {
      it = read_only_.erase(it);
    } else {
      ++it;
    }
  }
  fs::remove_all(resolved.host, ec);
  return !ec;
}

std::map<std::string, FileState> FileSystem::snapshot() const {
  Guard guard(machine_mutex());
  std::map<std::string, FileState> files;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(root_, ec)) {
    if (!entry.is_regular_file()) continue;
    fs::path relative = fs::relative(entry.path(), root_);
    std::string full;
    for (const auto& part : relative) {
      if (full.empty()) {
        full = std::string(1, static_cast<char>(std::toupper(part.string()[0]))) + ":";
      } else {
        full += "\\" + part.string();
      }
    }
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    files[full] = FileState{content.str(), read_only_.count(key_of(full)) != 0};
  }
  return files;
}

FileSystem& files() { return component<FileSystem>(); }

}  // namespace sim
