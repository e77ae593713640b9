#include "slotwarden/mapping/drive_watcher.h"

#include <stdio.h>
#include <string.h>

#include "platform/logquay.h"
#include "shell/service_shell.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/mapping/mapping_errors.h"
#include "slotwarden/mapping/mapping_table.h"

namespace {

struct ReplayQueue {
  BYTE abCodes[REPLAY_QUEUE_SIZE];
  DWORD nReadPosition;
};

struct RetryList {
  // One place more than codes, for the 0xFF after the last one.
  BYTE abCodes[RETRY_LIST_SIZE + 1];
  DWORD nCount;
};

ReplayQueue g_ReplayQueue = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0};
RetryList g_RetryList = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0};

void DecodeInsertion(BYTE bCode, int* pnCage, int* pnSlot) {
  *pnCage = bCode >> 4;
  *pnSlot = (bCode & 0x0F) - 1;
}

BYTE EncodeInsertion(int nCage, int nSlot) {
  return static_cast<BYTE>((nCage << 4) | ((nSlot + 1) & 0x0F));
}

bool IsInsertionRecord(const BYTE* pbRecord) {
  return pbRecord[INSERTION_RECORD_KIND_OFFSET] == 13 &&
         pbRecord[INSERTION_RECORD_CLASS_OFFSET] == 8 &&
         (pbRecord[INSERTION_RECORD_FLAGS_OFFSET] & 0x0F) == 1;
}

}  // namespace

void ResetInsertionQueues() {
  memset(g_ReplayQueue.abCodes, INSERTION_NONE, sizeof(g_ReplayQueue.abCodes));
  g_ReplayQueue.nReadPosition = 0;
  memset(g_RetryList.abCodes, INSERTION_NONE, sizeof(g_RetryList.abCodes));
  g_RetryList.nCount = 0;
}

DWORD GetNextInsertion(int* pnCage, int* pnSlot) {
  BYTE& bReplay = g_ReplayQueue.abCodes[g_ReplayQueue.nReadPosition];
  if (bReplay != INSERTION_NONE) {
    const BYTE bCode = bReplay;
    bReplay = INSERTION_NONE;
    g_ReplayQueue.nReadPosition = (g_ReplayQueue.nReadPosition + 1) % REPLAY_QUEUE_SIZE;
    DecodeInsertion(bCode, pnCage, pnSlot);
    return 0;
  }

  BYTE abRecord[LQ_RECORD_SIZE];
  for (;;) {
    memset(abRecord, 0, sizeof(abRecord));
    DWORD dwResult = LQ_ReadNextUnseenEvent(abRecord, WATCHER_READER_NAME);
    if (dwResult != 0) {
      // The log is exhausted: the retry list comes first at the next check.
      memset(g_ReplayQueue.abCodes, INSERTION_NONE, sizeof(g_ReplayQueue.abCodes));
      memcpy(g_ReplayQueue.abCodes, g_RetryList.abCodes, g_RetryList.nCount);
      g_ReplayQueue.nReadPosition = 0;
      g_RetryList.nCount = 0;
      g_RetryList.abCodes[0] = INSERTION_NONE;
      return dwResult;
    }
    if (IsInsertionRecord(abRecord)) {
      DecodeInsertion(abRecord[INSERTION_RECORD_CODE_OFFSET], pnCage, pnSlot);
      return 0;
    }
  }
}

void RequeueInsertion(int nCage, int nSlot) {
  const BYTE bCode = EncodeInsertion(nCage, nSlot);
  for (DWORD i = 0; i < g_RetryList.nCount; ++i)
    if (g_RetryList.abCodes[i] == bCode) return;

  if (g_bDebug) printf(".");

  if (g_RetryList.nCount < RETRY_LIST_SIZE) {
    g_RetryList.abCodes[g_RetryList.nCount++] = bCode;
  } else {
    memmove(&g_RetryList.abCodes[0], &g_RetryList.abCodes[1], RETRY_LIST_SIZE - 1);
    g_RetryList.abCodes[RETRY_LIST_SIZE - 1] = bCode;
  }
  g_RetryList.abCodes[g_RetryList.nCount] = INSERTION_NONE;
}

DWORD RescanAllChannels() {
  for (DWORD i = 0; i < g_nAdapters; ++i) {
    CScsiAdapter* pAdapter = g_apAdapters[i];
    if (!pAdapter) continue;
    for (DWORD c = 0; c < pAdapter->GetChannelCount(); ++c) {
      DWORD dwResult = pAdapter->GetChannel(c)->Rescan(NULL);
      if (dwResult != 0) return dwResult;
    }
  }
  return 0;
}

bool LocateNewDrive(ScsiLocation* pLocation, BYTE bCageAddress) {
  CageLocation cage = {bCageAddress, ANY_SLOT};
  ScsiLocation mapped;
  if (g_MappingTable.FindByCageLocation(cage, &mapped)) {
    pLocation->bChannel = mapped.bChannel;
    pLocation->bAdapter = mapped.bAdapter;
    return true;
  }

  for (DWORD i = 0; i < g_nAdapters; ++i) {
    CScsiAdapter* pAdapter = g_apAdapters[i];
    if (!pAdapter) continue;
    for (DWORD c = 0; c < pAdapter->GetChannelCount(); ++c) {
      if (pAdapter->GetChannel(c)->IsNewTarget(pLocation->bTarget)) {
        pLocation->bChannel = static_cast<BYTE>(c);
        pLocation->bAdapter = static_cast<BYTE>(i);
        return true;
      }
    }
  }
  return false;
}

DWORD CheckForNewDrives(CCageRoster& roster) {
  if (g_bDebug) printf("Checking for new drives ... ");
  bool bRescanned = false;

  int nCage;
  int nSlot;
  while (GetNextInsertion(&nCage, &nSlot) == 0) {
    // A slot of -1 becomes the byte 0xFF and so matches any slot.
    CageLocation cage;
    if (!roster.GetCageSlotLocation(static_cast<DWORD>(nCage), static_cast<BYTE>(nSlot), &cage))
      return MAP_ERR_NO_SUCH_CAGE;
    if (g_bDebug) printf("(c%db%d)", nCage, nSlot);

    if (g_MappingTable.FindByCageLocation(cage)) continue;

    const BYTE bTarget = roster.GetSlotTarget(static_cast<DWORD>(nCage), static_cast<BYTE>(nSlot));
    if (g_bDebug) printf("=%d", bTarget);
    if (bTarget == SLOT_TARGET_NONE) continue;

    if (!bRescanned) {
      DWORD dwResult = RescanAllChannels();
      if (dwResult != 0) return dwResult;
      bRescanned = true;
    }

    ScsiLocation scsi = {bTarget, 0, 0};
    if (LocateNewDrive(&scsi, cage.bCage)) {
      if (!g_MappingTable.Add(cage, scsi)) return ERROR_NOT_ENOUGH_MEMORY;
      if (g_bDebug) printf("+ ");
    } else {
      RequeueInsertion(nCage, nSlot);
      if (g_bDebug) printf("- ");
    }
  }

  DWORD dwResult = g_MappingTable.Store();
  if (g_bDebug && dwResult == 0) printf("done.\n");
  return dwResult;
}
