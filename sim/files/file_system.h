// The simulated machine's disks: Windows paths on a host directory.
//
// Each drive letter is a directory under a fresh host directory of its own
// (removed again at the next reset). Windows names compare without regard to
// case and keep the case they were created with. The read-only attribute is
// kept by the machine (the host's permission bits do not bind root), and the
// Win32 calls honour it as Windows does: a read-only file cannot be deleted,
// overwritten or opened for writing, but it can be renamed and copied, and a
// copy carries the attribute along.
//
// A new machine has C:\, the Windows directory C:\WINDOWS, its system32, and
// C:\WINDOWS\system32 as the current directory, as a service has.
#ifndef SIM_FILES_FILE_SYSTEM_H
#define SIM_FILES_FILE_SYSTEM_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

// A Windows path resolved against the current directory.
struct ResolvedPath {
  std::string full;            // "C:\WINDOWS\velhome\dalvren.dll", case as found on disk
  std::filesystem::path host;  // where it lies on the host
};

// One file of a snapshot.
struct FileState {
  std::string content;
  bool read_only = false;
  bool operator==(const FileState& other) const {
    return content == other.content && read_only == other.read_only;
  }
};

class FileSystem {
 public:
  FileSystem();
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  // Test-facing view. Paths are Windows paths, absolute or relative to the
  // current directory.
  std::string windows_directory() const { return windows_directory_; }
  void set_windows_directory(const std::string& path);  // made when missing
  std::string current_directory() const { return current_directory_; }
  void set_current_directory(const std::string& path);  // made when missing
  void make_directory(const std::string& path);         // with its parents
  void write_file(const std::string& path, const std::string& content, bool read_only = false);
  std::optional<std::string> read_file(const std::string& path) const;
  bool file_exists(const std::string& path) const;
  bool directory_exists(const std::string& path) const;
  bool read_only(const std::string& path) const;
  void set_read_only(const std::string& path, bool read_only);
  bool remove(const std::string& path);  // a file, or a directory with everything in it
  // Every file on every drive, by full path.
  std::map<std::string, FileState> snapshot() const;
  // Command lines given to the command interpreter, in order.
  const std::vector<std::string>& commands() const { return commands_; }
  void record_command(const std::string& command) { commands_.push_back(command); }

  // Used by the Win32 functions. `resolve` fails with ERROR_INVALID_NAME for
  // a path it cannot take (a network path, a bad character, no drive).
  DWORD resolve(const std::string& path, ResolvedPath* resolved) const;
  // ERROR_SUCCESS when the parent directory exists, else ERROR_PATH_NOT_FOUND.
  DWORD check_parent(const ResolvedPath& path) const;
  bool is_read_only(const ResolvedPath& path) const;
  void mark_read_only(const ResolvedPath& path, bool read_only);
  void forget(const ResolvedPath& path);  // drops the attribute of a removed file
  void rename_attribute(const ResolvedPath& from, const ResolvedPath& to);
  void set_current(const ResolvedPath& path) { current_directory_ = path.full; }
  std::filesystem::path host_root() const { return root_; }

 private:
  static std::string key_of(const std::string& full);

  std::filesystem::path root_;
  std::string windows_directory_;
  std::string current_directory_;
  std::set<std::string> read_only_;  // lower-case full paths
  std::vector<std::string> commands_;
};

// The file system of the current machine.
FileSystem& files();

}  // namespace sim

#endif  // SIM_FILES_FILE_SYSTEM_H
