// The replacement of the agent files and of the drive-cage access library
// from the patch directory velhome\patch under the Windows directory.
#ifndef INSTALLTOOLS_TIDEMEND_AGENT_FILES_H
#define INSTALLTOOLS_TIDEMEND_AGENT_FILES_H

#include "platform/platform.h"

#define AGENT_PATH_SIZE 256  // the Windows directory and every path built from it

// The drive-cage access library ("vintas", "garrow" or "tivel") for the
// first character of SpuNum, taken as a signed 8-bit value.
const char* SelectCageLibrary(char chSpuNum);

// Replaces, in this order, velhome's dalvren.dll, morsket.dll and
// slotwarden.exe, then system32's <library>.dll and plenth.dll with the
// library chosen by chSpuNum. Stops at the first failure (replacements made
// stay made). Returns 0 when all five succeeded, else 1.
int ReplaceAgentFiles(char chSpuNum);

// Copies pszSource over pszDestination, keeping the previous destination
// under pszBackup during the copy. A successful copy removes the backup and
// returns 0; a failed one logs both paths, leaves the previous file under
// the backup name and returns the copy's Win32 error.
DWORD ReplaceFileKeepingOld(const char* pszDestination, const char* pszSource,
                            const char* pszBackup);

#endif  // INSTALLTOOLS_TIDEMEND_AGENT_FILES_H
