#include "slotwarden/mapping/mapping_table.h"

#include <string.h>

CMappingTable g_MappingTable;

namespace {

bool SameScsiLocation(const ScsiLocation& a, const ScsiLocation& b) {
  return a.bTarget == b.bTarget && a.bChannel == b.bChannel && a.bAdapter == b.bAdapter;
}

// A bus is the pair (channel, adapter) of an entry.
bool SameBus(const MappingEntry& a, const MappingEntry& b) {
  return a.Scsi.bChannel == b.Scsi.bChannel && a.Scsi.bAdapter == b.Scsi.bAdapter;
}

}  // namespace

CMappingTable::CMappingTable() : m_nCount(0) { memset(m_aEntries, 0, sizeof(m_aEntries)); }

bool CMappingTable::IsInvalid(const MappingEntry& entry) {
  const BYTE* pb = reinterpret_cast<const BYTE*>(&entry);
  for (size_t i = 0; i < sizeof(MappingEntry); ++i) {
    if (pb[i] != ENTRY_INVALID) return false;
  }
  return true;
}

bool CMappingTable::Add(const CageLocation& cage, const ScsiLocation& scsi) {
  if (m_nCount >= MAX_MAPPINGS) return false;
  if (FindByScsiLocation(scsi)) return true;
  m_aEntries[m_nCount].Cage = cage;
  m_aEntries[m_nCount].Scsi = scsi;
  ++m_nCount;
  return true;
}

bool CMappingTable::FindByScsiLocation(const ScsiLocation& scsi, CageLocation* pCage) const {
  for (DWORD i = 0; i < m_nCount; ++i) {
    if (IsInvalid(m_aEntries[i])) continue;
    if (SameScsiLocation(m_aEntries[i].Scsi, scsi)) {
      if (pCage) *pCage = m_aEntries[i].Cage;
      return true;
    }
  }
  return false;
}

bool CMappingTable::FindByCageLocation(const CageLocation& cage, ScsiLocation* pScsi) const {
  for (DWORD i = 0; i < m_nCount; ++i) {
    const MappingEntry& entry = m_aEntries[i];
    if (IsInvalid(entry)) continue;
    if (entry.Cage.bCage != cage.bCage) continue;
    if (cage.bSlot != ANY_SLOT && entry.Cage.bSlot != cage.bSlot) continue;
    if (pScsi) *pScsi = entry.Scsi;
    return true;
  }
  return false;
}

void CMappingTable::Invalidate(DWORD nIndex) {
  if (nIndex >= m_nCount) return;
  memset(&m_aEntries[nIndex], ENTRY_INVALID, sizeof(MappingEntry));
}

// Counts are taken by scanning the entries themselves rather than into
// fixed per-cage and per-bus arrays, so any number of distinct cages and
// buses is handled by the same rule and nothing can overflow. An
// invalidated entry is cage 0xFF on bus (0xFF, 0xFF): one bus only, so it
// never qualifies.
void CMappingTable::ResolveBusConflicts() {
  for (DWORD nCage = 0; nCage < m_nCount; ++nCage) {
    const BYTE bCage = m_aEntries[nCage].Cage.bCage;

    // Visit each cage value once, at its first entry.
    bool bSeen = false;
    for (DWORD i = 0; i < nCage && !bSeen; ++i) bSeen = m_aEntries[i].Cage.bCage == bCage;
    if (bSeen) continue;

    // The cage's largest bus, whether it is the only one that large, and
    // whether the cage's entries lie on more than one bus.
    DWORD nBest = 0;
    DWORD nBestIndex = 0;
    bool bTied = false;
    bool bSeveralBuses = false;
    for (DWORD i = nCage; i < m_nCount; ++i) {
      if (m_aEntries[i].Cage.bCage != bCage) continue;
      if (!SameBus(m_aEntries[i], m_aEntries[nCage])) bSeveralBuses = true;

      // Count each bus once, at its first entry of this cage.
      bool bBusSeen = false;
      for (DWORD j = nCage; j < i && !bBusSeen; ++j)
        bBusSeen = m_aEntries[j].Cage.bCage == bCage && SameBus(m_aEntries[j], m_aEntries[i]);
      if (bBusSeen) continue;

      DWORD nOnBus = 0;
      for (DWORD j = i; j < m_nCount; ++j)
        if (m_aEntries[j].Cage.bCage == bCage && SameBus(m_aEntries[j], m_aEntries[i])) ++nOnBus;

      if (nOnBus > nBest) {
        nBest = nOnBus;
        nBestIndex = i;
        bTied = false;
      } else if (nOnBus == nBest) {
        bTied = true;
      }
    }

    if (!bSeveralBuses || nBest < 2 || bTied) continue;

    const MappingEntry best = m_aEntries[nBestIndex];
    for (DWORD i = nCage; i < m_nCount; ++i) {
      if (m_aEntries[i].Cage.bCage == bCage && !SameBus(m_aEntries[i], best)) Invalidate(i);
    }
  }
}

DWORD CMappingTable::Store() {
  ResolveBusConflicts();

  HKEY hKey = NULL;
  LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, MAPPING_STORE_KEY, 0, NULL,
                                 REG_OPTION_NON_VOLATILE, KEY_WRITE, NULL, &hKey, NULL);
  if (lResult != ERROR_SUCCESS) return static_cast<DWORD>(lResult);

  const DWORD dwCount = m_nCount;
  lResult = RegSetValueExA(hKey, MAPPING_STORE_COUNT_VALUE, 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&dwCount), sizeof(dwCount));
  if (lResult == ERROR_SUCCESS) {
    lResult = RegSetValueExA(hKey, MAPPING_STORE_ENTRIES_VALUE, 0, REG_BINARY,
                             reinterpret_cast<const BYTE*>(m_aEntries),
                             m_nCount * sizeof(MappingEntry));
  }

  RegCloseKey(hKey);
  return static_cast<DWORD>(lResult);
}
