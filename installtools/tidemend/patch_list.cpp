#include "installtools/tidemend/patch_list.h"

#include <string.h>

bool IsVersionListed(FILE* pFile, const char* pszVersion) {
  char szLine[PATCH_LINE_SIZE];
  bool bHeaderFound = false;
  while (!bHeaderFound && fgets(szLine, sizeof(szLine), pFile)) {
    bHeaderFound = strstr(szLine, PATCH_LIST_HEADER) != NULL;
  }
  if (!bHeaderFound) return false;
  while (fgets(szLine, sizeof(szLine), pFile)) {
    if (strstr(szLine, pszVersion)) return true;
  }
  return false;
}
