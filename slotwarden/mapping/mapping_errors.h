// Result codes of the mapping service's own failures. The neighbouring
// codes 9994-9996 are the cage roster's.
#ifndef SLOTWARDEN_MAPPING_MAPPING_ERRORS_H
#define SLOTWARDEN_MAPPING_MAPPING_ERRORS_H

// The adapter list holds no SCSI port.
#define MAP_ERR_NO_ADAPTERS 9993
// An insertion names a cage index that the roster does not hold.
#define MAP_ERR_NO_SUCH_CAGE 9997

#endif  // SLOTWARDEN_MAPPING_MAPPING_ERRORS_H
