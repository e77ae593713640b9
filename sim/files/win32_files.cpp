// kernel32's directory and whole-file calls on the simulated disks, with the
// errors Windows gives.
#include <cstring>
#include <string>
#include <system_error>

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/files/file_system.h"

namespace fs = std::filesystem;

namespace {

BOOL Fail(DWORD dwError) {
  SetLastError(dwError);
  return FALSE;
}

bool IsFile(const sim::ResolvedPath& path) {
  std::error_code ec;
  return fs::is_regular_file(path.host, ec);
}

bool IsDirectory(const sim::ResolvedPath& path) {
  std::error_code ec;
  return fs::is_directory(path.host, ec);
}

bool Exists(const sim::ResolvedPath& path) {
  std::error_code ec;
  return fs::exists(path.host, ec);
}

// A missing file is ERROR_FILE_NOT_FOUND when its directory exists, else
// ERROR_PATH_NOT_FOUND.
DWORD MissingError(const sim::FileSystem& files, const sim::ResolvedPath& path) {
  return files.check_parent(path) == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// Copies `text` into the caller's buffer the way the directory queries do.
DWORD CopyOut(const std::string& text, LPSTR lpBuffer, DWORD nSize) {
  const DWORD dwLength = static_cast<DWORD>(text.size());
  if (!lpBuffer || nSize <= dwLength) return dwLength + 1;
  std::memcpy(lpBuffer, text.c_str(), dwLength + 1);
  return dwLength;
}

// Resolves the two paths of a copy or a move; 0 or the error.
DWORD ResolveBoth(const sim::FileSystem& files, LPCSTR lpFrom, LPCSTR lpTo,
                  sim::ResolvedPath* pFrom, sim::ResolvedPath* pTo) {
  if (!lpFrom || !lpTo) return ERROR_INVALID_PARAMETER;
  if (DWORD dwError = files.resolve(lpFrom, pFrom)) return dwError;
  return files.resolve(lpTo, pTo);
}

}  // namespace

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  DWORD dwError;
  if (sim::injected_fault("GetWindowsDirectoryA", &dwError)) {
    SetLastError(dwError);
    return 0;
  }
  sim::Guard guard(sim::machine_mutex());
  return CopyOut(sim::files().windows_directory(), lpBuffer, uSize);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  DWORD dwError;
  if (sim::injected_fault("GetCurrentDirectoryA", &dwError)) {
    SetLastError(dwError);
    return 0;
  }
  sim::Guard guard(sim::machine_mutex());
  return CopyOut(sim::files().current_directory(), lpBuffer, nBufferLength);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  DWORD dwError;
  if (sim::injected_fault("SetCurrentDirectoryA", &dwError)) return Fail(dwError);
  if (!lpPathName) return Fail(ERROR_INVALID_PARAMETER);
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  sim::ResolvedPath path;
  if (DWORD dwResolve = files.resolve(lpPathName, &path)) return Fail(dwResolve);
  if (IsFile(path)) return Fail(ERROR_DIRECTORY);
  if (!IsDirectory(path)) return Fail(ERROR_PATH_NOT_FOUND);
  files.set_current(path);
  return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  DWORD dwError;
  if (sim::injected_fault("CopyFileA", &dwError)) return Fail(dwError);
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  sim::ResolvedPath source, target;
  if (DWORD dwResolve = ResolveBoth(files, lpExistingFileName, lpNewFileName, &source, &target)) {
    return Fail(dwResolve);
  }
  if (IsDirectory(source)) return Fail(ERROR_ACCESS_DENIED);
  if (!IsFile(source)) return Fail(MissingError(files, source));
  if (DWORD dwParent = files.check_parent(target)) return Fail(dwParent);
  if (IsDirectory(target)) return Fail(ERROR_ACCESS_DENIED);
  if (IsFile(target)) {
    if (bFailIfExists) return Fail(ERROR_FILE_EXISTS);
    if (files.is_read_only(target)) return Fail(ERROR_ACCESS_DENIED);
  }
  if (source.host == target.host) return Fail(ERROR_SHARING_VIOLATION);
  std::error_code ec;
  fs::copy_file(source.host, target.host, fs::copy_options::overwrite_existing, ec);
  if (ec) return Fail(ERROR_ACCESS_DENIED);
  // The copy takes the source's attributes along.
  files.mark_read_only(target, files.is_read_only(source));
  return TRUE;
}

BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
  DWORD dwError;
  if (sim::injected_fault("MoveFileA", &dwError)) return Fail(dwError);
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  sim::ResolvedPath source, target;
  if (DWORD dwResolve = ResolveBoth(files, lpExistingFileName, lpNewFileName, &source, &target)) {
    return Fail(dwResolve);
  }
  if (!Exists(source)) return Fail(MissingError(files, source));
  if (DWORD dwParent = files.check_parent(target)) return Fail(dwParent);
  if (Exists(target) && source.host != target.host) return Fail(ERROR_ALREADY_EXISTS);
  std::error_code ec;
  fs::rename(source.host, target.host, ec);
  if (ec) return Fail(ERROR_ACCESS_DENIED);
  files.rename_attribute(source, target);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  DWORD dwError;
  if (sim::injected_fault("DeleteFileA", &dwError)) return Fail(dwError);
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER);
  sim::Guard guard(sim::machine_mutex());
  sim::FileSystem& files = sim::files();
  sim::ResolvedPath path;
  if (DWORD dwResolve = files.resolve(lpFileName, &path)) return Fail(dwResolve);
  if (IsDirectory(path)) return Fail(ERROR_ACCESS_DENIED);
  if (!IsFile(path)) return Fail(MissingError(files, path));
  if (files.is_read_only(path)) return Fail(ERROR_ACCESS_DENIED);
  std::error_code ec;
  fs::remove(path.host, ec);
  if (ec) return Fail(ERROR_ACCESS_DENIED);
  files.forget(path);
  return TRUE;
}
