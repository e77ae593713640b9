// logquay.dll, the event-log access library: the one call SlotWarden makes.
//
// LQ_ReadNextUnseenEvent copies the next event record that has not yet been
// given to the named reader into pbRecord (LQ_RECORD_SIZE bytes) and returns
// 0; it returns non-zero when there is no such event or it fails. Each
// event is given to a reader once.
#ifndef PLATFORM_LOGQUAY_H
#define PLATFORM_LOGQUAY_H

#include "platform/platform.h"

#define LQ_RECORD_SIZE 548

#ifdef __cplusplus
extern "C" {
#endif

DWORD WINAPI LQ_ReadNextUnseenEvent(BYTE* pbRecord, LPCSTR pszReaderName);

#ifdef __cplusplus
}
#endif

#endif  // PLATFORM_LOGQUAY_H
