// The adapter-driver table: which driver family runs a SCSI port, judged by
// the port's "Driver" name in the registry's SCSI device map.
#ifndef SLOTWARDEN_SCSI_DRIVER_PATTERNS_H
#define SLOTWARDEN_SCSI_DRIVER_PATTERNS_H

#include "platform/platform.h"

// Driver families; the family decides how SCSI commands are packaged.
const DWORD ADAPTER_FAMILY_AMI = 1;     // AMI RAID drivers
const DWORD ADAPTER_FAMILY_MYLEX = 2;   // Mylex RAID driver
const DWORD ADAPTER_FAMILY_QELN = 3;    // QELN7300 host adapter: the port is not used
const DWORD ADAPTER_FAMILY_SCSI = 4;    // standard SCSI port drivers and unknown drivers
const DWORD ADAPTER_FAMILY_ATAPI = 5;   // the system's IDE/ATAPI drivers
const DWORD ADAPTER_FAMILY_TARN = 6;    // the maker's own SCSI driver

// Only this many leading characters of a driver name are ever compared.
const DWORD DRIVER_PATTERN_MAX_COMPARE = 16;

struct DriverPattern {
  const char* pszPattern;  // NULL in the end row
  const char* pszMaker;    // for reference only
  DWORD dwFamily;
};

// The rows in the order they are tried, closed by an end row without pattern
// whose family is that of every driver no row matches.
extern const DriverPattern g_aDriverPatterns[];

// Whether pszPattern matches the name's first min(nNameLength, 16) characters:
// '?' matches any character, letters compare without regard to case, and the
// pattern matches as soon as it ends (so it matches every longer name).
bool MatchDriverPattern(const char* pszPattern, const char* pszName, DWORD nNameLength);

// Tries the rows in order; stores the first matching row's index, or the end
// row's, in *pnRow (when given). True when a row matched.
bool ClassifyDriver(const char* pszName, int* pnRow);

#endif  // SLOTWARDEN_SCSI_DRIVER_PATTERNS_H
