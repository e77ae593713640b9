#include "slotwarden/cages/cage_roster.h"

#include <new>

#include "slotwarden/cages/cage_list.h"
#include "slotwarden/controller/exceptions.h"

const BYTE g_abSlotTargets0[SLOTS_PER_CAGE] = {10, 11, 11, 12, 13, 14, 14, 15};
const BYTE g_abSlotTargets2[SLOTS_PER_CAGE] = {1, 2, 2, 3, 4, 8, 8, 9};
const BYTE g_abSlotTargets3[SLOTS_PER_CAGE] = {0, 1, 1, 2, 3, 8, 8, 9};

WORD g_wAllCagesPresentMask = 0;

CCageRoster::CCageRoster() : m_nNumberOfCages(0), m_pCages(nullptr) {
  CTessarkCageList CageList;
  try {
    int nFound = CageList.GetNumberOfTessarkCages();
    m_nNumberOfCages = nFound > MAX_CAGES ? MAX_CAGES : (DWORD)nFound;
    if (m_nNumberOfCages == 0) return;

    m_pCages = new (std::nothrow) CTessarkCage[m_nNumberOfCages];
    if (!m_pCages) {
      m_nNumberOfCages = 0;
      return;
    }
    for (DWORD i = 0; i < m_nNumberOfCages; i++) m_pCages[i] = CageList.GetTessarkCage((int)i);

    for (DWORD i = 0; i < m_nNumberOfCages; i++) {
      for (BYTE bSlot = 0; bSlot < SLOTS_PER_CAGE; bSlot++) {
        BYTE bTarget = GetSlotTarget(i, bSlot);
        if (m_pCages[i].IsDrivePresent(bSlot) && bTarget != SLOT_TARGET_NONE) {
          g_wAllCagesPresentMask |= (WORD)(1 << bTarget);
        }
      }
    }
  } catch (CTessarkException) {
    // An incomplete roster is no roster; bits already set stay set.
    delete[] m_pCages;
    m_pCages = nullptr;
    m_nNumberOfCages = 0;
  }
}

CCageRoster::~CCageRoster() {
  delete[] m_pCages;
  m_pCages = nullptr;
  m_nNumberOfCages = 0;
}

DWORD CCageRoster::ClearCageLatch(DWORD dwCage) {
  if (dwCage >= m_nNumberOfCages) return CAGE_ERR_INVALID_INDEX;
  try {
    m_pCages[dwCage].ClearDriveActivityLatch();
  } catch (CTessarkExceptionFWError) {
    return CAGE_ERR_FIRMWARE;
  } catch (CTessarkException) {
    return CAGE_ERR_COMMAND_FAILED;
  }
  return 0;
}

DWORD CCageRoster::ReadCageLatch(DWORD dwCage, BYTE* pbSlotBits, WORD wTargetMask) {
  if (dwCage >= m_nNumberOfCages) return CAGE_ERR_INVALID_INDEX;
  BYTE bLatch;
  try {
    bLatch = m_pCages[dwCage].GetDriveActivityLatch();
  } catch (CTessarkExceptionFWError) {
    return CAGE_ERR_FIRMWARE;
  } catch (CTessarkException) {
    return CAGE_ERR_COMMAND_FAILED;
  }

  BYTE bResult = 0;
  for (int nBit = 0; nBit < SLOTS_PER_CAGE; nBit++) {
    BYTE bSlotBit = (BYTE)(1 << nBit);
    BYTE bTarget = GetSlotBitTarget(dwCage, bSlotBit);
    if (bTarget != SLOT_TARGET_NONE && (wTargetMask & (1 << bTarget))) {
      bResult |= (BYTE)(bLatch & bSlotBit);
    }
  }
  *pbSlotBits = bResult;
  return 0;
}

BYTE CCageRoster::GetSlotTarget(DWORD dwCage, BYTE bSlot) {
  if (dwCage >= m_nNumberOfCages || bSlot >= SLOTS_PER_CAGE) return SLOT_TARGET_NONE;
  try {
    switch (m_pCages[dwCage].GetCageBaseSCSIAddress()) {
      case 0: return g_abSlotTargets0[bSlot];
      case 2: return g_abSlotTargets2[bSlot];
      case 3: return g_abSlotTargets3[bSlot];
      default: return SLOT_TARGET_NONE;
    }
  } catch (CTessarkException) {
    return SLOT_TARGET_NONE;
  }
}

BYTE CCageRoster::GetSlotBitTarget(DWORD dwCage, BYTE bSlotBit) {
  return GetSlotTarget(dwCage, SlotIndexFromBit(bSlotBit));
}

BOOL CCageRoster::GetCageSlotLocation(DWORD dwCage, BYTE bSlot, CageLocation* pLocation) {
  if (dwCage >= m_nNumberOfCages) return FALSE;
  pLocation->bCage = m_pCages[dwCage].GetSlaveAddress();
  pLocation->bSlot = bSlot;
  return TRUE;
}

BOOL CCageRoster::GetCageSlotBitLocation(DWORD dwCage, BYTE bSlotBit, CageLocation* pLocation) {
  return GetCageSlotLocation(dwCage, SlotIndexFromBit(bSlotBit), pLocation);
}

BYTE CCageRoster::SlotIndexFromBit(BYTE bValue) {
  if (bValue == 0) return 0;
  BYTE bIndex = 0;
  while (!(bValue & 1)) {
    bValue = (BYTE)(bValue >> 1);
    bIndex++;
  }
  return bIndex;
}
