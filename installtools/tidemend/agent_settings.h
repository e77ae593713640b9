// The installed agents' settings under
// HKEY_LOCAL_MACHINE\SOFTWARE\Ostravale\Kelvador.
#ifndef INSTALLTOOLS_TIDEMEND_AGENT_SETTINGS_H
#define INSTALLTOOLS_TIDEMEND_AGENT_SETTINGS_H

#include "platform/platform.h"

#define AGENT_SETTINGS_KEY "SOFTWARE\\Ostravale\\Kelvador"
#define AGENT_VERSION_VALUE "Version"
#define AGENT_SPUNUM_VALUE "SpuNum"

// Longest setting read, in bytes, terminating zero included when it has one.
#define AGENT_SETTING_SIZE 255

// Returns a heap copy (release with free) of the named value as a string,
// whatever its registry type, with one spare zero byte after its end; or
// NULL with the system's last error set to the registry error.
char* ReadAgentSetting(const char* pszValueName);

#endif  // INSTALLTOOLS_TIDEMEND_AGENT_SETTINGS_H
