// Result codes of the SCSI adapter subsystem that carry a meaning of their
// own beyond the Win32 code they share a number with.
#ifndef SLOTWARDEN_SCSI_SCSI_RESULTS_H
#define SLOTWARDEN_SCSI_SCSI_RESULTS_H

#include "platform/platform.h"

// A disk or scanner device claims the location but refused the pass-through.
const DWORD SCSI_RESULT_CLAIMED_REFUSED = 4;
// No request buffer (ERROR_NOT_ENOUGH_MEMORY).
const DWORD SCSI_RESULT_NO_BUFFER = 8;
// The adapter's device is not open (ERROR_DEV_NOT_EXIST).
const DWORD SCSI_RESULT_NOT_OPEN = 55;
// The request was refused (ERROR_INVALID_PARAMETER).
const DWORD SCSI_RESULT_INVALID_REQUEST = 87;
// Nothing answers at that SCSI location.
const DWORD SCSI_RESULT_NO_TARGET = 130;
// The adapter class does not provide the operation (ERROR_BAD_DEVICE).
const DWORD SCSI_RESULT_NOT_PROVIDED = 1200;

#endif  // SLOTWARDEN_SCSI_SCSI_RESULTS_H
