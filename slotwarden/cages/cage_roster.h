// CCageRoster: the mapping service's view of the drive cages found.
//
// Built once per run: it probes the bus through a CTessarkCageList, keeps a
// copy of each cage found (at most 8), and records in g_wAllCagesPresentMask
// the SCSI target IDs at which some cage holds a drive. Cages are named by
// their 0-based index in the order found. Nothing leaves the roster as an
// exception: latch operations return result codes, target lookups
// SLOT_TARGET_NONE, location lookups FALSE. The base-address code is asked
// afresh at every target lookup, never cached.
#ifndef SLOTWARDEN_CAGES_CAGE_ROSTER_H
#define SLOTWARDEN_CAGES_CAGE_ROSTER_H

#include "platform/platform.h"
#include "slotwarden/cages/tessark_cage.h"
#include "slotwarden/mapping/locations.h"

#define MAX_CAGES 8
#define SLOTS_PER_CAGE 8
#define SLOT_TARGET_NONE 0xFF

#define CAGE_ERR_INVALID_INDEX 9994   // the cage index is not below m_nNumberOfCages
#define CAGE_ERR_COMMAND_FAILED 9995  // the cage command failed
#define CAGE_ERR_FIRMWARE 9996        // the cage answered with a non-zero completion code

// Slot-to-target tables, by base-address code 0, 2 and 3. Slots 1 and 2
// share one target ID, and so do slots 5 and 6.
extern const BYTE g_abSlotTargets0[SLOTS_PER_CAGE];
extern const BYTE g_abSlotTargets2[SLOTS_PER_CAGE];
extern const BYTE g_abSlotTargets3[SLOTS_PER_CAGE];

// Bit t: some slot wired to target t held a drive when a roster was built.
// Building ORs bits in; nothing clears it.
extern WORD g_wAllCagesPresentMask;

class CCageRoster {
 public:
  CCageRoster();
  ~CCageRoster();
  CCageRoster(const CCageRoster&) = delete;
  CCageRoster& operator=(const CCageRoster&) = delete;

  // 0, CAGE_ERR_INVALID_INDEX, CAGE_ERR_COMMAND_FAILED or CAGE_ERR_FIRMWARE.
  DWORD ClearCageLatch(DWORD dwCage);
  // On 0, *pbSlotBits holds the latched slots whose target ID is in
  // wTargetMask; on failure it is left unwritten. One latch read and eight
  // base-address queries.
  DWORD ReadCageLatch(DWORD dwCage, BYTE* pbSlotBits, WORD wTargetMask);

  // Target ID 0..15 of a slot (one exchange), or SLOT_TARGET_NONE.
  BYTE GetSlotTarget(DWORD dwCage, BYTE bSlot);
  BYTE GetSlotBitTarget(DWORD dwCage, BYTE bSlotBit);

  // TRUE with the cage's address and the slot when the index is valid;
  // FALSE, with nothing written, otherwise.
  BOOL GetCageSlotLocation(DWORD dwCage, BYTE bSlot, CageLocation* pLocation);
  BOOL GetCageSlotBitLocation(DWORD dwCage, BYTE bSlotBit, CageLocation* pLocation);

  // Index of the lowest set bit of bValue; 0 for 0.
  static BYTE SlotIndexFromBit(BYTE bValue);

  DWORD m_nNumberOfCages;

 private:
  CTessarkCage* m_pCages;
};

#endif  // SLOTWARDEN_CAGES_CAGE_ROSTER_H
