// The adapter table: one adapter object per SCSI port of g_AdapterList, by
// the port's driver family, built by the run loop and freed when it ends.
#ifndef SLOTWARDEN_MAPPING_ADAPTER_TABLE_H
#define SLOTWARDEN_MAPPING_ADAPTER_TABLE_H

#include "platform/platform.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/scsi_adapter.h"

// Bytes each adapter reads from one target per read burst.
const DWORD ADAPTER_READ_BURST = 0x8000;

// Slot i holds the adapter made for SCSI port i, or NULL when the port's
// family gets none (or the object could not be made).
extern CScsiAdapter* g_apAdapters[MAX_SCSI_PORTS];
// Slots in use; 0 when the table is empty.
extern DWORD g_nAdapters;

// Makes and opens one adapter per port. An adapter whose Open fails stays
// in its slot with no channels, so the pass and the watcher pass over it.
// Result: 9993 without any port; the error of the last failed Open when
// adapters were made and none of them opened (the table is then freed);
// else 0.
DWORD BuildAdapterTable();

// Deletes every adapter of the table; always 0.
DWORD FreeAdapterTable();

#endif  // SLOTWARDEN_MAPPING_ADAPTER_TABLE_H
