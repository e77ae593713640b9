// The warning event written when a step of the shell fails.
#include "shell/service_shell.h"

namespace {

void StoreLittleEndian(BYTE* pbTarget, DWORD dwValue) {
  for (int i = 0; i < 4; ++i) pbTarget[i] = static_cast<BYTE>(dwValue >> (8 * i));
}

}  // namespace

void ReportShellError(DWORD dwError, DWORD dwStage) {
  // In debug mode the console shows the outcome; nothing is written.
  if (g_bDebug) return;

  HANDLE hEventSource = RegisterEventSourceA(NULL, g_pszServiceName);
  if (hEventSource == NULL) return;

  const DWORD dwEventId =
      SHELL_EVENT_ID_BASE + 100 * ((dwStage >> 8) & 0xF) + (dwStage & 0x7F);
  LPCSTR apszStrings[1] = {SHELL_EVENT_TEXT};
  BYTE abData[SHELL_EVENT_DATA_SIZE];
  StoreLittleEndian(abData, dwError);
  StoreLittleEndian(abData + 4, dwStage);
  ReportEventA(hEventSource, EVENTLOG_WARNING_TYPE, SHELL_EVENT_CATEGORY, dwEventId, NULL, 1,
               sizeof(abData), apszStrings, abData);
  DeregisterEventSource(hEventSource);
}
