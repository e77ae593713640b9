// The list of agent versions that a patch applies to: the lines after the
// section header "[Valid Agents Versions]" of patch.ini.
#ifndef INSTALLTOOLS_TIDEMEND_PATCH_LIST_H
#define INSTALLTOOLS_TIDEMEND_PATCH_LIST_H

#include <stdio.h>

#define PATCH_LIST_HEADER "[Valid Agents Versions]"
#define PATCH_LINE_SIZE 256  // a longer line is read and tested in pieces

// Reads pFile from where it stands to the header, then on to the end of the
// file: true when any later line contains pszVersion (so "4.1" is found in
// "4.10", an empty version in the first line, and a later section counts
// too). False without the header or without a matching line.
bool IsVersionListed(FILE* pFile, const char* pszVersion);

#endif  // INSTALLTOOLS_TIDEMEND_PATCH_LIST_H
