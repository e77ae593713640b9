// The C library's file opening and system() on the simulated machine. A
// stream opened here is an ordinary host stream on the mapped file; the
// command interpreter knows the one command the system runs, attrib.
#include <cctype>
#include <cerrno>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/files/file_system.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Windows wildcard match without regard to case; "*.*" matches every name.
bool Matches(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*") return true;
  const std::string p = Lower(pattern), n = Lower(name);
  size_t i = 0, j = 0, star = std::string::npos, mark = 0;
  while (j < n.size()) {
    if (i < p.size() && (p[i] == '?' || p[i] == n[j])) {
      ++i;
      ++j;
    } else if (i < p.size() && p[i] == '*') {
      star = i++;
      mark = j;
    } else if (star != std::string::npos) {
      i = star + 1;
      j = ++mark;
    } else {
      return false;
    }
  }
  while (i < p.size() && p[i] == '*') ++i;
  return i == p.size();
}

// Sets or clears the read-only attribute of the matching files in
// `directory` (and below it with /s).
void ApplyAttrib(sim::FileSystem& files, const std::string& directory, const std::string& pattern,
                 bool read_only, bool recurse) {
  sim::ResolvedPath dir;
  if (files.resolve(directory, &dir) != ERROR_SUCCESS) return;
  std::error_code ec;
  std::vector<std::string> subdirectories;
  for (const auto& entry : fs::directory_iterator(dir.host, ec)) {
    const std::string name = entry.path().filename().string();
    const std::string full = dir.full + (dir.full.back() == '\\' ? "" : "\\") + name;
    if (entry.is_directory()) {
      subdirectories.push_back(full);
    } else if (Matches(pattern, name)) {
      sim::ResolvedPath file;
      if (files.resolve(full, &file) == ERROR_SUCCESS) files.mark_read_only(file, read_only);
    }
  }
  if (!recurse) return;
  for (const std::string& sub : subdirectories) ApplyAttrib(files, sub, pattern, read_only, true);
}

// attrib [+r|-r] [pattern] [/s]; 0, or 1 for arguments it does not take.
int RunAttrib(sim::FileSystem& files, const std::vector<std::string>& args) {
  int nChange = 0;  // +1 set, -1 clear
  bool bRecurse = false;
  std::string pattern = "*.*";
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string arg = Lower(args[i]);
    if (arg == "+r") {
      nChange = 1;
    } else if (arg == "-r") {
      nChange = -1;
    } else if (arg == "/s") {
      bRecurse = true;
    } else if (arg[0] == '/' || arg[0] == '+' || arg[0] == '-') {
      return 1;
    } else {
      pattern = args[i];
    }
  }
  if (nChange == 0) return 0;  // only lists attributes
  std::string directory = files.current_directory();
  const size_t slash = pattern.rfind('\\');
  if (slash != std::string::npos) {
    directory = pattern.substr(0, slash);
    pattern = pattern.substr(slash + 1);
  }
  ApplyAttrib(files, directory, pattern, nChange > 0, bRecurse);
  return 0;
}

}  // namespace

FILE* PlatformOpenFile(const char* pszPath, const char* pszMode) {
  DWORD dwError;
  if (sim::injected_fault("fopen", &dwError)) {
    errno = EACCES;
    return NULL;
  }
  if (!pszPath || !pszMode) {
    errno = EINVAL;
    return NULL;
  }
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  sim::ResolvedPath path;
  std::error_code ec;
  if (files.resolve(pszPath, &path) != ERROR_SUCCESS) {
    errno = EINVAL;
    return NULL;
  }
  const std::string mode(pszMode);
  const bool bWrites = mode.find_first_of("wa+") != std::string::npos;
  if (fs::is_directory(path.host, ec) || (bWrites && files.is_read_only(path) &&
                                          fs::is_regular_file(path.host, ec))) {
    errno = EACCES;
    return NULL;
  }
  if (files.check_parent(path) != ERROR_SUCCESS) {
    errno = ENOENT;
    return NULL;
  }
  // The host has no text mode; "t" is dropped, as it changes nothing here.
  std::string host_mode;
  for (char c : mode) {
    if (c != 't') host_mode += c;
  }
  return fopen(path.host.c_str(), host_mode.c_str());
}

int PlatformRunCommand(const char* pszCommand) {
  DWORD dwError;
  if (sim::injected_fault("system", &dwError)) return -1;
  if (!pszCommand) return 1;  // an interpreter is present
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  files.record_command(pszCommand);
  std::istringstream words(pszCommand);
  std::vector<std::string> args;
  for (std::string word; words >> word;) args.push_back(word);
  if (args.empty()) return 0;
  if (Lower(args[0]) == "attrib" || Lower(args[0]) == "attrib.exe") return RunAttrib(files, args);
  return 1;  // not recognized as a command
}
