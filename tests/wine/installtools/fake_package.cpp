// Stands in for the agent package under Wine, in two roles chosen by its
// own file name:
// - as wrenpak.exe it unpacks into the current directory: itself as
//   patch\setup.exe, patch\agents.inf, patch\drivers\cage.sys and
//   vendor.txt, every file read-only;
// - as setup.exe it records its start in setup-started.txt beside itself,
//   with its command line.
#include <stdio.h>
#include <string.h>

#include "platform/platform.h"

namespace {

bool WriteText(const char* pszPath, const char* pszText) {
  FILE* pFile = fopen(pszPath, "w");
  if (!pFile) return false;
  fputs(pszText, pFile);
  fclose(pFile);
  return true;
}

int Unpack(const char* pszSelf) {
  CreateDirectoryA("patch", NULL);
  CreateDirectoryA("patch\\drivers", NULL);
  if (!CopyFileA(pszSelf, "patch\\setup.exe", FALSE)) return 1;
  if (!WriteText("patch\\agents.inf", "[Agents]\n") ||
      !WriteText("patch\\drivers\\cage.sys", "cage driver\n") ||
      !WriteText("vendor.txt", "Ostravale\n")) {
    return 1;
  }
  const char* apszFiles[] = {"patch\\setup.exe", "patch\\agents.inf", "patch\\drivers\\cage.sys",
                             "vendor.txt"};
  for (const char* pszFile : apszFiles) SetFileAttributesA(pszFile, FILE_ATTRIBUTE_READONLY);
  return 0;
}

int RecordStart(const char* pszSelf) {
  char szRecord[MAX_PATH];
  snprintf(szRecord, sizeof(szRecord), "%s", pszSelf);
  char* pszSlash = strrchr(szRecord, '\\');
  if (!pszSlash) return 1;
  snprintf(pszSlash + 1, sizeof(szRecord) - (pszSlash + 1 - szRecord), "setup-started.txt");
  return WriteText(szRecord, GetCommandLineA()) ? 0 : 1;
}

}  // namespace

int main() {
  char szSelf[MAX_PATH];
  DWORD dwLength = GetModuleFileNameA(NULL, szSelf, sizeof(szSelf));
  if (dwLength == 0 || dwLength >= sizeof(szSelf)) return 1;
  const char* pszName = strrchr(szSelf, '\\');
  pszName = pszName ? pszName + 1 : szSelf;
  if (_stricmp(pszName, "setup.exe") == 0) return RecordStart(szSelf);
  return Unpack(szSelf);
}
