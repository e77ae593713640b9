#include "installtools/common/install_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <time.h>

#include "installtools/common/install_settings.h"
#include "platform/files.h"

#define TIME_STAMP_SIZE 32

void WriteInstallLog(const char* pszFormat, ...) {
  time_t tNow = time(NULL);
  struct tm* pLocal = localtime(&tNow);
  char szStamp[TIME_STAMP_SIZE] = "";
  if (pLocal) strftime(szStamp, sizeof(szStamp), "%x %X", pLocal);

  FILE* pFile = PlatformOpenFile(g_pszInstallLogPath, "a");
  if (!pFile) {
    fprintf(stderr, "ERROR: Couldn't open log file for writing.\n");
    return;
  }
  fprintf(pFile, "%s:  ", szStamp);
  va_list args;
  va_start(args, pszFormat);
  vfprintf(pFile, pszFormat, args);
  va_end(args);
  fclose(pFile);
}
