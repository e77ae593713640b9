// How many data bytes a SCSI command moves, judged from its CDB.
#ifndef SLOTWARDEN_SCSI_CDB_LENGTH_H
#define SLOTWARDEN_SCSI_CDB_LENGTH_H

#include "platform/platform.h"

// Logical blocks are taken as 512 bytes.
const DWORD SCSI_BLOCK_SIZE = 512;

// SCSI operation codes the subsystem knows by name.
const BYTE SCSIOP_TEST_UNIT_READY = 0x00;
const BYTE SCSIOP_FORMAT_UNIT = 0x04;
const BYTE SCSIOP_READ6 = 0x08;
const BYTE SCSIOP_WRITE6 = 0x0A;
const BYTE SCSIOP_INQUIRY = 0x12;
const BYTE SCSIOP_READ_CAPACITY = 0x25;
const BYTE SCSIOP_READ10 = 0x28;
const BYTE SCSIOP_WRITE10 = 0x2A;
const BYTE SCSIOP_WRITE_BUFFER = 0x3B;
const BYTE SCSIOP_READ_BUFFER = 0x3C;

// The data length by opcode: READ(6)/WRITE(6) byte 4 blocks; READ(10)/WRITE(10)
// bytes 7-8 blocks; 0x20, 0x4C, 0x4D bytes 7-8; READ CAPACITY 8; READ/WRITE
// BUFFER bytes 6-8; any other 6-byte CDB its allocation length (byte 4); any
// other CDB 0. Bytes past cbCdb count as 0, so a short CDB is never read
// beyond its end.
DWORD GetCdbDataLength(const BYTE* pCdb, int cbCdb);

#endif  // SLOTWARDEN_SCSI_CDB_LENGTH_H
