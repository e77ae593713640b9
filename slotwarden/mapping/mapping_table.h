// The mapping table: up to 48 pairs of cage slot and SCSI location, built
// anew at every start and written whole to the public store under
// HKEY_LOCAL_MACHINE\SOFTWARE\Ostravale\Tormelle ("Map count", "Mappings").
//
// Entries are only appended or invalidated (all five bytes 0xFF); none is
// ever removed or moved. Only the service's work thread touches the table.
#ifndef SLOTWARDEN_MAPPING_MAPPING_TABLE_H
#define SLOTWARDEN_MAPPING_MAPPING_TABLE_H

#include "platform/platform.h"
#include "slotwarden/mapping/locations.h"

const DWORD MAX_MAPPINGS = 48;

// The value of each of the five bytes of an invalidated entry.
const BYTE ENTRY_INVALID = 0xFF;

// Where the public store lives and what its values are called.
#define MAPPING_STORE_KEY "SOFTWARE\\Ostravale\\Tormelle"
#define MAPPING_STORE_COUNT_VALUE "Map count"
#define MAPPING_STORE_ENTRIES_VALUE "Mappings"

class CMappingTable {
 public:
  CMappingTable();

  // Appends the pair unless the SCSI location is already mapped (then the
  // table is unchanged: the first pair wins). False only when the table
  // already holds MAX_MAPPINGS entries; callers turn that into error 8.
  bool Add(const CageLocation& cage, const ScsiLocation& scsi);

  // The first valid entry at this SCSI location; its cage slot is copied to
  // pCage when given.
  bool FindByScsiLocation(const ScsiLocation& scsi, CageLocation* pCage = NULL) const;

  // The first valid entry of this cage, in this slot (or in any slot when
  // the slot is ANY_SLOT); its SCSI location is copied to pScsi when given.
  bool FindByCageLocation(const CageLocation& cage, ScsiLocation* pScsi = NULL) const;

  // Overwrites entry nIndex with ENTRY_INVALID bytes; it keeps its place
  // and still counts.
  void Invalidate(DWORD nIndex);

  // The correction pass: within each cage, when one bus holds strictly the
  // most of the cage's entries and at least two of them, the cage's entries
  // on every other bus are invalidated. Ties and single entries are left.
  void ResolveBusConflicts();

  // Runs the correction pass and writes "Map count" and "Mappings".
  // 0 or the first failing registry call's error.
  DWORD Store();

  DWORD GetCount() const { return m_nCount; }
  const MappingEntry& GetEntry(DWORD nIndex) const { return m_aEntries[nIndex]; }
  static bool IsInvalid(const MappingEntry& entry);

 private:
  DWORD m_nCount;
  MappingEntry m_aEntries[MAX_MAPPINGS];
};

// The process-wide table.
extern CMappingTable g_MappingTable;

#endif  // SLOTWARDEN_MAPPING_MAPPING_TABLE_H
