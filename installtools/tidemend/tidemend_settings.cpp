// tidemend's install settings: its log lies in c:\temp, and a status that
// cannot be written is not logged.
#include "installtools/common/install_settings.h"

const char* const g_pszInstallLogPath = "c:\\temp\\tidemend.log";
const bool g_bLogStatusFailure = false;
