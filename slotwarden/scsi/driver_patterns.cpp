#include "slotwarden/scsi/driver_patterns.h"

#include <string.h>

const DriverPattern g_aDriverPatterns[] = {
    {"mraidnt", "AMI", ADAPTER_FAMILY_AMI},
    {"mraid35x", "AMI", ADAPTER_FAMILY_AMI},
    {"dac960nt", "Mylex", ADAPTER_FAMILY_MYLEX},
    {"QELN7300", "Mylex", ADAPTER_FAMILY_QELN},
    {"aic78xx", "Adaptec", ADAPTER_FAMILY_SCSI},
    {"symc8XX", "Symbios", ADAPTER_FAMILY_SCSI},
    {"Sym_hi", "Symbios", ADAPTER_FAMILY_SCSI},
    {"atapi", NULL, ADAPTER_FAMILY_ATAPI},
    {"atdisk", NULL, ADAPTER_FAMILY_ATAPI},
    {"tarnscsi", "Adaptec", ADAPTER_FAMILY_TARN},
    {NULL, NULL, ADAPTER_FAMILY_SCSI},
};

bool MatchDriverPattern(const char* pszPattern, const char* pszName, DWORD nNameLength) {
  DWORD nCompare = nNameLength < DRIVER_PATTERN_MAX_COMPARE ? nNameLength
                                                            : DRIVER_PATTERN_MAX_COMPARE;
  for (DWORD i = 0; i < nCompare; ++i) {
    if (pszPattern[i] == '\0') return true;
    if (pszPattern[i] == '?') continue;
    if ((pszPattern[i] & ~0x20) != (pszName[i] & ~0x20)) return false;
  }
  return true;
}

bool ClassifyDriver(const char* pszName, int* pnRow) {
  DWORD nLength = (DWORD)strlen(pszName);
  int nRow = 0;
  bool bMatched = false;
  for (; g_aDriverPatterns[nRow].pszPattern != NULL; ++nRow) {
    if (MatchDriverPattern(g_aDriverPatterns[nRow].pszPattern, pszName, nLength)) {
      bMatched = true;
      break;
    }
  }
  if (pnRow) *pnRow = nRow;
  return bMatched;
}
