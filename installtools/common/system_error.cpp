#include "installtools/common/system_error.h"

#include <stdio.h>

#define FALLBACK_TEXT_SIZE 256

// The one system-allocated text held between calls.
static LPSTR g_pszSystemText = NULL;

const char* FormatSystemError(DWORD dwError) {
  if (g_pszSystemText) {
    LocalFree(g_pszSystemText);
    g_pszSystemText = NULL;
  }
  // Inserts are ignored: a system text with "%1" has no arguments to fill it.
  DWORD dwLength = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      NULL, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<LPSTR>(&g_pszSystemText), 0, NULL);
  if (dwLength != 0 && g_pszSystemText) return g_pszSystemText;

  static char szFallback[FALLBACK_TEXT_SIZE];
  g_pszSystemText = NULL;
  snprintf(szFallback, sizeof(szFallback), "Error %ld (no message available).\n",
           static_cast<long>(static_cast<LONG>(dwError)));
  return szFallback;
}
