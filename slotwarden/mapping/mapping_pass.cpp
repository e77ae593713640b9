#include "slotwarden/mapping/mapping_pass.h"

#include <stdio.h>

#include "shell/service_shell.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/mapping_table.h"

namespace {

// The roster holds at most this many cages.
const DWORD MAX_PROBED_CAGES = 8;

DWORD CountBits(BYTE b) {
  DWORD n = 0;
  for (; b; b = static_cast<BYTE>(b & (b - 1))) ++n;
  return n;
}

int TargetOfMask(WORD wTargetMask) {
  for (int t = 0; t < 16; ++t)
    if (wTargetMask & (1u << t)) return t;
  return -1;
}

}  // namespace

DWORD ProbeTarget(CCageRoster& roster, CScsiAdapter& adapter, int nChannel, WORD wTargetMask) {
  if ((wTargetMask & g_wAllCagesPresentMask) == 0) return PROBE_NOT_IN_CAGES;

  const int nTarget = TargetOfMask(wTargetMask);
  DWORD nCages = roster.m_nNumberOfCages;
  if (nCages > MAX_PROBED_CAGES) nCages = MAX_PROBED_CAGES;

  BYTE abCandidates[MAX_PROBED_CAGES];
  for (DWORD k = 0; k < nCages; ++k) abCandidates[k] = 0xFF;
  DWORD nTotal = 0;
  DWORD nCycles = 0;
  DWORD nEmptyCycles = 0;

  for (;;) {
    if (nTotal == 1 && nCycles >= PROBE_MIN_CYCLES) break;
    if (nCycles == PROBE_MAX_CYCLES) break;
    nTotal = 0;

    for (DWORD k = 0; k < nCages; ++k) {
      DWORD dwResult = roster.ClearCageLatch(k);
      if (dwResult != 0) return dwResult;
    }

    // A target that cannot be read stays unmapped; not an error of the pass.
    if (adapter.CauseActivity(nChannel, wTargetMask) != 0) return 0;

    for (DWORD k = 0; k < nCages; ++k) {
      BYTE bLatched = 0;
      DWORD dwResult = roster.ReadCageLatch(k, &bLatched, wTargetMask);
      if (dwResult != 0) return dwResult;
      if (bLatched != 0) abCandidates[k] &= bLatched;
      nTotal += CountBits(abCandidates[k]);
    }

    if (nTotal == 0 && ++nEmptyCycles == PROBE_MAX_EMPTY_CYCLES) break;
    ++nCycles;
  }

  for (DWORD k = 0; k < nCages; ++k) {
    for (DWORD nBit = 0; nBit < 8; ++nBit) {
      const BYTE bSlotBit = static_cast<BYTE>(1u << nBit);
      if ((abCandidates[k] & bSlotBit) == 0) continue;

      CageLocation cage = {};
      roster.GetCageSlotBitLocation(k, bSlotBit, &cage);
      BYTE bId = roster.GetSlotBitTarget(k, bSlotBit);
      if (bId == SLOT_TARGET_NONE || bId != nTarget) continue;
      if (g_bDebug) printf("%d ", bId);

      ScsiLocation scsi;
      adapter.MakeScsiLocation(&scsi, nChannel, bId);
      if (!g_MappingTable.Add(cage, scsi)) return ERROR_NOT_ENOUGH_MEMORY;
    }
  }
  return 0;
}

DWORD RunMappingPass(CCageRoster& roster) {
  if (g_bDebug) printf("\n");
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

  for (DWORD i = 0; i < g_nAdapters; ++i) {
    CScsiAdapter* pAdapter = g_apAdapters[i];
    if (!pAdapter) continue;
    for (DWORD c = 0; c < pAdapter->GetChannelCount(); ++c) {
      const WORD wPresent = pAdapter->GetChannel(c)->GetPresentTargets();
      if (wPresent == 0) continue;
      if (g_bDebug) printf("Mapping adapter %d channel %d ... ", static_cast<int>(i), static_cast<int>(c));

      for (DWORD t = 0; t < 16; ++t) {
        const WORD wBit = static_cast<WORD>(1u << t);
        if ((wPresent & wBit) == 0) continue;
        DWORD dwResult = ProbeTarget(roster, *pAdapter, static_cast<int>(c), wBit);
        if (dwResult != 0 && dwResult != PROBE_NOT_IN_CAGES) {
          SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
          return dwResult;
        }
      }
      if (g_bDebug) printf("done.\n");
    }
  }

  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  if (g_bDebug) printf("Recording mapping in public store ... ");
  DWORD dwResult = g_MappingTable.Store();
  if (g_bDebug && dwResult == 0) printf("done.\n");
  return dwResult;
}
