// Stand-in logquay.dll for test rigs under Wine: an event log that never
// holds an unseen event, so every read reports the end of the events.
#include "platform/platform.h"
#include "platform/logquay.h"

namespace {

const DWORD LQ_NO_UNSEEN_EVENT = 1;

}  // namespace

extern "C" DWORD WINAPI LQ_ReadNextUnseenEvent(BYTE*, LPCSTR) { return LQ_NO_UNSEEN_EVENT; }
