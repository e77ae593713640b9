// fernway's work routine: the remote install run. In the agents' directory
// velhome under the Windows directory it unpacks the package wrenpak.exe,
// clears the read-only attribute of everything unpacked, starts the
// package's patch\setup.exe without waiting for it, deletes the package,
// reports a failure in the install status record, and (outside debug mode)
// removes its own service.
#ifndef INSTALLTOOLS_FERNWAY_REMOTE_INSTALL_H
#define INSTALLTOOLS_FERNWAY_REMOTE_INSTALL_H

#include "platform/platform.h"

#define FERNWAY_SERVICE_NAME "fernway"

// Relative to the service's current directory, the system directory.
#define FERNWAY_INSTALL_DIRECTORY "..\\velhome"
#define FERNWAY_PACKAGE "wrenpak.exe"
#define FERNWAY_UNPACK_COMMAND "wrenpak.exe -d -o "
#define FERNWAY_ATTRIB_COMMAND "attrib -r *.* /s"
#define FERNWAY_SETUP_PATH "\\patch\\setup.exe"
#define FERNWAY_DIRECTORY_SIZE 1024

// Returns 0, or the Win32 error of the step that failed.
DWORD RunRemoteInstall(void);

#endif  // INSTALLTOOLS_FERNWAY_REMOTE_INSTALL_H
