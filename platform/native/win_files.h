// Directories and whole-file operations of kernel32 that the install tools
// use: the Windows directory, the current directory, copy, move and delete.
#ifndef PLATFORM_NATIVE_WIN_FILES_H
#define PLATFORM_NATIVE_WIN_FILES_H

#include "platform/native/win_types.h"

// Both return the length copied without the terminating zero, or, when the
// buffer is too small, the size needed including it; 0 on failure.
UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);

#endif  // PLATFORM_NATIVE_WIN_FILES_H
