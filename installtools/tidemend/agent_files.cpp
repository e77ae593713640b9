#include "installtools/tidemend/agent_files.h"

#include <stdio.h>

#include "installtools/common/install_log.h"

const char* SelectCageLibrary(char chSpuNum) {
  switch (static_cast<signed char>(chSpuNum)) {
    case 0x3C: case 0x3E: case 0x3F: case 0x40: case 0x41:
      return "vintas";
    case 0x28: case 0x29: case 0x2A: case 0x2B: case 0x2C: case 0x2E: case 0x2F:
    case 0x31: case 0x34: case 0x36: case 0x39:
      return "garrow";
    default:
      return "tivel";
  }
}

DWORD ReplaceFileKeepingOld(const char* pszDestination, const char* pszSource,
                            const char* pszBackup) {
  DeleteFileA(pszBackup);
  MoveFileA(pszDestination, pszBackup);
  if (!CopyFileA(pszSource, pszDestination, FALSE)) {
    DWORD dwError = GetLastError();
    WriteInstallLog("Failed to copy %s file to %s file.", pszSource, pszDestination);
    return dwError;
  }
  DeleteFileA(pszBackup);
  return 0;
}

// Formats one path into an AGENT_PATH_SIZE buffer; false when it does not fit.
static bool FormatPath(char* pszPath, const char* pszFormat, const char* pszFirst,
                       const char* pszSecond = "") {
  int nLength = snprintf(pszPath, AGENT_PATH_SIZE, pszFormat, pszFirst, pszSecond);
  return nLength >= 0 && nLength < AGENT_PATH_SIZE;
}

// One replacement of the table: source and destination formats, each with
// the Windows directory and then the library name.
static int ReplaceOne(const char* pszWindows, const char* pszSourceFormat,
                      const char* pszDestinationFormat, const char* pszLibrary) {
  char szSource[AGENT_PATH_SIZE], szDestination[AGENT_PATH_SIZE], szBackup[AGENT_PATH_SIZE];
  if (!FormatPath(szSource, pszSourceFormat, pszWindows, pszLibrary) ||
      !FormatPath(szDestination, pszDestinationFormat, pszWindows, pszLibrary) ||
      !FormatPath(szBackup, "%s.old", szDestination)) {
    return 1;
  }
  return ReplaceFileKeepingOld(szDestination, szSource, szBackup) == 0 ? 0 : 1;
}

int ReplaceAgentFiles(char chSpuNum) {
  char szWindows[AGENT_PATH_SIZE];
  UINT uLength = GetWindowsDirectoryA(szWindows, sizeof(szWindows));
  if (uLength == 0 || uLength >= sizeof(szWindows)) {
    WriteInstallLog("Failed to get Windows Directory");
    return 1;
  }
  const char* pszLibrary = SelectCageLibrary(chSpuNum);
  struct Replacement {
    const char* pszSource;
    const char* pszDestination;
  };
  static const Replacement aReplacements[] = {
      {"%s\\velhome\\patch\\dalvren.dll", "%s\\velhome\\dalvren.dll"},
      {"%s\\velhome\\patch\\morsket.dll", "%s\\velhome\\morsket.dll"},
      {"%s\\velhome\\patch\\slotwarden.exe", "%s\\velhome\\slotwarden.exe"},
      {"%s\\velhome\\patch\\%s.dll", "%s\\system32\\%s.dll"},
      {"%s\\velhome\\patch\\%s.dll", "%s\\system32\\plenth.dll"},
  };
  for (const Replacement& replacement : aReplacements) {
    if (ReplaceOne(szWindows, replacement.pszSource, replacement.pszDestination, pszLibrary)) {
      return 1;
    }
  }
  return 0;
}
