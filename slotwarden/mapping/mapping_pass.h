// The channel-to-cage mapping engine: ties every disk the adapters see to
// the cage slot that holds it by latch probing. It clears every cage's
// drive-activity latch, makes the one drive read, reads the latches back
// (filtered to slots wired to the drive's target ID) and repeats until a
// single slot remains that lit up every time.
#ifndef SLOTWARDEN_MAPPING_MAPPING_PASS_H
#define SLOTWARDEN_MAPPING_MAPPING_PASS_H

#include "platform/platform.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/scsi/scsi_adapter.h"

// Probe limits.
const DWORD PROBE_MAX_CYCLES = 25;
const DWORD PROBE_MIN_CYCLES = 3;
const DWORD PROBE_MAX_EMPTY_CYCLES = 4;

// ProbeTarget: no occupied cage slot carries the probed target ID.
const DWORD PROBE_NOT_IN_CAGES = ERROR_DEV_NOT_EXIST;  // 55

// One full pass over every present target of every channel of the adapter
// table, at raised thread priority. 0 or Store's result after a clean pass;
// otherwise the first probe result that is neither 0 nor 55 (the table is
// then not stored).
DWORD RunMappingPass(CCageRoster& roster);

// Probes one target (wTargetMask has exactly its bit set) and adds the
// pairs found. 0 (done, mapped or not), 55, 8 (table full) or a cage
// error 9994-9996.
DWORD ProbeTarget(CCageRoster& roster, CScsiAdapter& adapter, int nChannel, WORD wTargetMask);

#endif  // SLOTWARDEN_MAPPING_MAPPING_PASS_H
