// fernway's install settings: its log lies in c:\, and a status that cannot
// be written is logged with the failing call and the system's text.
#include "installtools/common/install_settings.h"

const char* const g_pszInstallLogPath = "c:\\fernway.log";
const bool g_bLogStatusFailure = true;
