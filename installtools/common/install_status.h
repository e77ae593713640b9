// The install status record: one REG_DWORD "Status" under
// HKEY_LOCAL_MACHINE\SOFTWARE\Ostravale\BrixholmRemoteAgentInstall, which
// whoever started an install tool reads to learn how far it got. Each write
// replaces the previous code.
#ifndef INSTALLTOOLS_COMMON_INSTALL_STATUS_H
#define INSTALLTOOLS_COMMON_INSTALL_STATUS_H

#include "platform/platform.h"

#define INSTALL_STATUS_KEY "SOFTWARE\\Ostravale\\BrixholmRemoteAgentInstall"
#define INSTALL_STATUS_VALUE "Status"

#define INSTALL_STATUS_STARTED 0x20000010
#define INSTALL_STATUS_REPLACING_FILES 0x20000012
#define INSTALL_STATUS_DONE 0x2000001e
#define INSTALL_STATUS_FAILED 0x20000028
#define INSTALL_STATUS_DONE_SNMP_NOT_RUNNING 0x2000002e

// Creates the key when missing and writes the code. Returns 0, or the Win32
// error of the registry call that failed. Never stops the run.
DWORD SetInstallStatus(DWORD dwStatus);

#endif  // INSTALLTOOLS_COMMON_INSTALL_STATUS_H
