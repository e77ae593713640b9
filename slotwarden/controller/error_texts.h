// The status texts of QBXAPI and the IPMI completion-code texts.
#ifndef SLOTWARDEN_CONTROLLER_ERROR_TEXTS_H
#define SLOTWARDEN_CONTROLLER_ERROR_TEXTS_H

struct QBXErrorEntry {
  int nCode;
  const char* pszText;
};

struct CompletionCodeEntry {
  int nCode;
  const char* pszText;
};

#define QBX_ERROR_TABLE_ROWS 32
#define COMPLETION_CODE_TABLE_ROWS 24

// Searched from the first row; the first equal code wins.
extern const QBXErrorEntry QBXErrorTable[QBX_ERROR_TABLE_ROWS];
extern const CompletionCodeEntry CompletionCodeTable[COMPLETION_CODE_TABLE_ROWS];

// Closes the controller device (QBX_CloseDevice, result ignored), then throws
// CIpmApiExceptionFWError(pszFunction, pszCondition, text of nError), the
// text being "<table text> (0x%.4x)" or "Unknown QBX Error (0x%.4x)".
[[noreturn]] void ThrowQBXError(int nError, const char* pszFunction, const char* pszCondition);

// The text of a completion code, "<table text> (0x%.4x)" or "Unknown IPMI
// Completion Code (0x%.4x)", in one static buffer that the next call
// overwrites. Not for concurrent use; callers copy the text at once.
const char* FormatCompletionCode(int nCompletionCode);

#endif  // SLOTWARDEN_CONTROLLER_ERROR_TEXTS_H
