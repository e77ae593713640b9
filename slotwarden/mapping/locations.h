// The location records exchanged by the mapping engine, the new-drive
// watcher, the cage roster and the SCSI adapter classes. Their byte layout is
// also the layout of the public store's "Mappings" value.
#ifndef SLOTWARDEN_MAPPING_LOCATIONS_H
#define SLOTWARDEN_MAPPING_LOCATIONS_H

#include "platform/platform.h"

#pragma pack(push, 1)

// Where a drive answers on the SCSI side.
struct ScsiLocation {
  BYTE bTarget;   // SCSI target ID on the bus, 0..15
  BYTE bChannel;  // bus (path) number on the adapter
  BYTE bAdapter;  // SCSI port number, also the index in the adapter table
};

// Where a drive sits on the cage side.
struct CageLocation {
  BYTE bCage;  // the cage controller's I2C address
  BYTE bSlot;  // slot index 0..7; 0xFF = any slot in lookups
};

// One pair of the mapping table and one 5-byte record of "Mappings".
struct MappingEntry {
  CageLocation Cage;
  ScsiLocation Scsi;
};

#pragma pack(pop)

static_assert(sizeof(ScsiLocation) == 3, "ScsiLocation is 3 bytes");
static_assert(sizeof(CageLocation) == 2, "CageLocation is 2 bytes");
static_assert(sizeof(MappingEntry) == 5, "MappingEntry is 5 bytes, no padding");

// Slot value that matches any slot in a lookup by cage.
const BYTE ANY_SLOT = 0xFF;

#endif  // SLOTWARDEN_MAPPING_LOCATIONS_H
