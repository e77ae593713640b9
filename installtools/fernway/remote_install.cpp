#include "installtools/fernway/remote_install.h"

#include <stdio.h>

#include "installtools/common/install_log.h"
#include "installtools/common/install_status.h"
#include "installtools/common/system_error.h"
#include "platform/files.h"
#include "shell/service_shell.h"

namespace {

// Starts a command line as a program of its own, with a new console and
// fernway's own environment, current directory and startup information.
// 0, or the Win32 error.
DWORD StartProgram(LPSTR pszCommandLine, PROCESS_INFORMATION* pProcess) {
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  if (!CreateProcessA(NULL, pszCommandLine, NULL, NULL, FALSE, CREATE_NEW_CONSOLE, NULL, NULL,
                      &startup, pProcess)) {
    return GetLastError();
  }
  return 0;
}

// The started program runs on by itself; its handles are not needed.
void CloseProcessHandles(PROCESS_INFORMATION* pProcess) {
  CloseHandle(pProcess->hThread);
  CloseHandle(pProcess->hProcess);
}

// Unpacks the package in the current directory and waits for it to end;
// its exit code is not looked at.
DWORD UnpackPackage() {
  char szCommand[] = FERNWAY_UNPACK_COMMAND;
  PROCESS_INFORMATION process;
  if (DWORD dwError = StartProgram(szCommand, &process)) {
    WriteInstallLog("Unpack wrenpak.exe failed--%s", FormatSystemError(dwError));
    return dwError;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseProcessHandles(&process);
  return 0;
}

// Starts the current directory's patch\setup.exe without waiting for it.
// The path is quoted, since the directory may contain blanks.
DWORD StartSetup() {
  char szDirectory[FERNWAY_DIRECTORY_SIZE];
  DWORD dwLength = GetCurrentDirectoryA(sizeof(szDirectory), szDirectory);
  DWORD dwError = 0;
  char szCommand[FERNWAY_DIRECTORY_SIZE + sizeof(FERNWAY_SETUP_PATH) + 2];
  if (dwLength == 0) {
    dwError = GetLastError();
  } else if (dwLength >= sizeof(szDirectory)) {
    dwError = ERROR_INSUFFICIENT_BUFFER;
  } else {
    snprintf(szCommand, sizeof(szCommand), "\"%s%s\"", szDirectory, FERNWAY_SETUP_PATH);
    PROCESS_INFORMATION process;
    dwError = StartProgram(szCommand, &process);
    if (dwError == 0) CloseProcessHandles(&process);
  }
  if (dwError) WriteInstallLog("Execute setup.exe failed--%s", FormatSystemError(dwError));
  return dwError;
}

}  // namespace

DWORD RunRemoteInstall(void) {
  SetInstallStatus(INSTALL_STATUS_STARTED);

  DWORD dwError = 0;
  if (!SetCurrentDirectoryA(FERNWAY_INSTALL_DIRECTORY)) {
    dwError = GetLastError();
    WriteInstallLog("Setting directory to velhome failed--%s", FormatSystemError(dwError));
  } else {
    dwError = UnpackPackage();
    if (dwError == 0) {
      // The interpreter's result is not looked at: setup is started anyway.
      PlatformRunCommand(FERNWAY_ATTRIB_COMMAND);
      dwError = StartSetup();
    }
  }

  // Whatever happened, the package goes (from the starting directory after
  // a failed change of directory).
  DeleteFileA(FERNWAY_PACKAGE);
  if (dwError) SetInstallStatus(INSTALL_STATUS_FAILED);
  if (!g_bDebug) RemoveService(false);
  return dwError;
}
