// The system's one view of Windows.
//
// System code includes this header instead of <windows.h> and is written
// against the Win32 names. On Windows it brings in the SDK; on any other host
// it declares the Win32 subset the system uses, with Win32 sizes, and the
// simulated machine (sim/) implements it.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#ifdef _WIN32

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#else

#include "platform/native/win_types.h"
#include "platform/native/win_errors.h"
#include "platform/native/win_registry.h"
#include "platform/native/win_sync.h"
#include "platform/native/win_devices.h"
#include "platform/native/win_files.h"
#include "platform/native/win_process.h"
#include "platform/native/win_services.h"
#include "platform/native/win_thread.h"

#endif

#endif  // PLATFORM_PLATFORM_H
