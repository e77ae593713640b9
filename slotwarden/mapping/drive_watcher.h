// The new-drive watcher: after the first full pass, drive insertions read
// from the event log are located without probing and added to the table.
//
// An insertion code is one byte: cage index in the high nibble, slot index
// + 1 in the low nibble; 0xFF marks an empty place. Insertions that cannot
// be located yet go onto a retry list of up to 7 codes, which is replayed
// before any new event at the next check.
#ifndef SLOTWARDEN_MAPPING_DRIVE_WATCHER_H
#define SLOTWARDEN_MAPPING_DRIVE_WATCHER_H

#include "platform/platform.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/locations.h"

// The name under which the watcher reads the event log.
#define WATCHER_READER_NAME "slotwarden.cfg"

const BYTE INSERTION_NONE = 0xFF;
const DWORD REPLAY_QUEUE_SIZE = 8;
const DWORD RETRY_LIST_SIZE = 7;

// Offsets and values an insertion record is recognised by.
const DWORD INSERTION_RECORD_KIND_OFFSET = 10;   // must be 13
const DWORD INSERTION_RECORD_CLASS_OFFSET = 12;  // must be 8
const DWORD INSERTION_RECORD_FLAGS_OFFSET = 13;  // low four bits must be 1
const DWORD INSERTION_RECORD_CODE_OFFSET = 15;   // the insertion code

// One check: every pending insertion and unseen event, then Store.
// 0 or Store's result; 9997, 8 or a rescan error end it early, unstored.
DWORD CheckForNewDrives(CCageRoster& roster);

// The next insertion: from the replay queue, else from the event log.
// 0 when one was delivered, else the log's non-zero end value (and the
// retry list has moved into the replay queue).
DWORD GetNextInsertion(int* pnCage, int* pnSlot);

// Puts an unresolved insertion on the retry list (once; the oldest goes
// when seven are held).
void RequeueInsertion(int nCage, int nSlot);

// Rescans every channel of every adapter; 0 or the first failure.
DWORD RescanAllChannels();

// Fills the channel and adapter of pLocation (whose target is set) for a
// drive new in the cage at bCageAddress: the cage's first mapped bus, else
// the first channel on which the target newly appeared.
bool LocateNewDrive(ScsiLocation* pLocation, BYTE bCageAddress);

// Empties both queues (a fresh process).
void ResetInsertionQueues();

#endif  // SLOTWARDEN_MAPPING_DRIVE_WATCHER_H
