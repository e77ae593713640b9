// Text files by Windows path, and the command interpreter.
//
// The install tools open their logs and patch.ini with the C library's
// stdio and run one command through system(). They do it through these two
// calls: on Windows they are the C library's own; on other hosts the
// simulated machine maps the Windows path onto its file system and runs the
// command itself.
#ifndef PLATFORM_FILES_H
#define PLATFORM_FILES_H

#include <stdio.h>
#include <stdlib.h>

#ifdef _WIN32

// fopen() of a Windows path.
inline FILE* PlatformOpenFile(const char* pszPath, const char* pszMode) {
  return fopen(pszPath, pszMode);
}

// system() of a command line; the interpreter's result.
inline int PlatformRunCommand(const char* pszCommand) { return system(pszCommand); }

#else

FILE* PlatformOpenFile(const char* pszPath, const char* pszMode);
int PlatformRunCommand(const char* pszCommand);

#endif

#endif  // PLATFORM_FILES_H
