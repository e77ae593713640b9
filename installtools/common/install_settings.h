// The two build settings in which fernway and tidemend differ. Each program
// defines both in a settings file of its own.
#ifndef INSTALLTOOLS_COMMON_INSTALL_SETTINGS_H
#define INSTALLTOOLS_COMMON_INSTALL_SETTINGS_H

// The Windows path of the program's log file.
extern const char* const g_pszInstallLogPath;

// Whether a failure to write the install status is itself logged.
extern const bool g_bLogStatusFailure;

#endif  // INSTALLTOOLS_COMMON_INSTALL_SETTINGS_H
