#include "slotwarden/scsi/cdb_length.h"

namespace {

DWORD CdbByte(const BYTE* pCdb, int cbCdb, int nIndex) {
  return nIndex < cbCdb ? pCdb[nIndex] : 0;
}

}  // namespace

DWORD GetCdbDataLength(const BYTE* pCdb, int cbCdb) {
  if (pCdb == NULL || cbCdb <= 0) return 0;
  switch (pCdb[0]) {
    case SCSIOP_READ6:
    case SCSIOP_WRITE6:
      return CdbByte(pCdb, cbCdb, 4) * SCSI_BLOCK_SIZE;
    case 0x20:
    case 0x4C:
    case 0x4D:
      return CdbByte(pCdb, cbCdb, 7) * 256 + CdbByte(pCdb, cbCdb, 8);
    case SCSIOP_READ_CAPACITY:
      return 8;
    case SCSIOP_READ10:
    case SCSIOP_WRITE10:
      return (CdbByte(pCdb, cbCdb, 7) * 256 + CdbByte(pCdb, cbCdb, 8)) * SCSI_BLOCK_SIZE;
    case SCSIOP_WRITE_BUFFER:
    case SCSIOP_READ_BUFFER:
      return CdbByte(pCdb, cbCdb, 6) * 65536 + CdbByte(pCdb, cbCdb, 7) * 256 +
             CdbByte(pCdb, cbCdb, 8);
    default:
      return cbCdb == 6 ? pCdb[4] : 0;
  }
}
