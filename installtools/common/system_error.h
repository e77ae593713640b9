// The system's message text for a Win32 error code.
#ifndef INSTALLTOOLS_COMMON_SYSTEM_ERROR_H
#define INSTALLTOOLS_COMMON_SYSTEM_ERROR_H

#include "platform/platform.h"

// Returns the system's text for dwError (ending in a line break), or
// "Error %ld (no message available).\n" when the system has none. The text
// stays valid until the next call, which releases it.
const char* FormatSystemError(DWORD dwError);

#endif  // INSTALLTOOLS_COMMON_SYSTEM_ERROR_H
