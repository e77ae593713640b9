// The four request layouts through which the adapter classes send one SCSI
// command, as the drivers read them: packed, little-endian, and with 32-bit
// fields wherever a driver takes an address or offset (the program is a
// 32-bit one; on a 64-bit build only the low 32 bits of an address are kept).
// Each layout starts at byte 0 of the adapter's request buffer.
#ifndef SLOTWARDEN_SCSI_REQUEST_LAYOUTS_H
#define SLOTWARDEN_SCSI_REQUEST_LAYOUTS_H

#include <stddef.h>

#include "platform/platform.h"

// The request buffer holds a header area of this size plus m_cbMaxTransfer.
const DWORD REQUEST_HEADER_SIZE = 160;

// The maker's SCSI driver's own request code: device type 4 (the SCSI port
// requests' type), function 0x813, buffered, any access.
const DWORD IOCTL_TARN_EXECUTE_SRB = 0x4204C;

#pragma pack(push, 1)

// IOCTL_SCSI_PASS_THROUGH: the standard pass-through header (SCSI_PASS_THROUGH).
struct PASS_THROUGH_REQUEST {
  USHORT Length;
  UCHAR ScsiStatus;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR CdbLength;
  UCHAR SenseInfoLength;
  UCHAR DataIn;
  UCHAR Reserved[3];
  ULONG DataTransferLength;
  ULONG TimeOutValue;  // seconds
  ULONG DataBufferOffset;
  ULONG SenseInfoOffset;
  UCHAR Cdb[16];
};

// IOCTL_SCSI_MINIPORT to the AMI RAID driver: its direct SCSI command.
struct AMI_DIRECT_REQUEST {
  SRB_IO_CONTROL Header;
  BYTE bCommand;
  BYTE bStatus;  // the driver's answer
  BYTE abReserved1[6];
  BYTE bControl;  // AMI_CONTROL_BASE plus a time-out code in the two low bits
  BYTE bReserved2;
  BYTE bChannel;
  BYTE bTarget;
  BYTE abReserved3[2];
  BYTE abCdb[10];
  BYTE bCdbLength;
  BYTE bSenseLength;
  BYTE abSense[32];
  BYTE bReserved4;
  BYTE bScsiStatus;
  DWORD dwDataAddress;  // address of the data area (byte 96) of this buffer
  DWORD dwDataLength;
};

// IOCTL_SCSI_MINIPORT to the Mylex RAID driver: its direct-CDB command.
struct MYLEX_DIRECT_REQUEST {
  SRB_IO_CONTROL Header;
  BYTE abReserved1[4];
  WORD wStatus;  // the driver's answer
  BYTE abReserved2[10];
  BYTE bCommand;
  BYTE abReserved3[15];
  BYTE bAddress;  // channel * 16 + target
  BYTE bDirection;
  WORD wTransferLength;
  DWORD dwDataAddress;  // address of the data area (byte 148) of this buffer
  BYTE bCdbLength;
  BYTE bSenseLength;
  BYTE abCdb[12];
  BYTE abSense[64];
  BYTE bCommandStatus;
  BYTE bReserved4;
};

// IOCTL_TARN_EXECUTE_SRB: a SCSI request block as the Windows kernel lays
// one out for a 32-bit system.
struct TARN_REQUEST_BLOCK {
  USHORT Length;
  UCHAR Function;
  UCHAR SrbStatus;
  UCHAR ScsiStatus;
  UCHAR PathId;
  UCHAR TargetId;
  UCHAR Lun;
  UCHAR QueueTag;
  UCHAR QueueAction;
  UCHAR CdbLength;
  UCHAR SenseInfoBufferLength;
  ULONG SrbFlags;
  ULONG DataTransferLength;
  ULONG TimeOutValue;  // seconds
  ULONG DataBuffer;       // address of the data area (byte 96) of this buffer
  ULONG SenseInfoBuffer;  // address of the sense area (byte 64) of this buffer
  BYTE abReserved[16];
  UCHAR Cdb[16];
};

#pragma pack(pop)

static_assert(sizeof(PASS_THROUGH_REQUEST) == 44, "standard pass-through header is 44 bytes");
static_assert(sizeof(AMI_DIRECT_REQUEST) == 96, "AMI request header is 96 bytes");
static_assert(sizeof(MYLEX_DIRECT_REQUEST) == 148, "Mylex request header is 148 bytes");
static_assert(sizeof(TARN_REQUEST_BLOCK) == 64, "request block is 64 bytes");
static_assert(sizeof(SRB_IO_CONTROL) == 28, "SRB_IO_CONTROL is 28 bytes");
static_assert(sizeof(SCSI_ADDRESS) == 8, "SCSI_ADDRESS is 8 bytes");
static_assert(offsetof(SCSI_ADDRESS, PortNumber) == 4 && offsetof(SCSI_ADDRESS, Lun) == 7,
              "SCSI_ADDRESS layout");
static_assert(offsetof(AMI_DIRECT_REQUEST, abSense) == 54 &&
                  offsetof(AMI_DIRECT_REQUEST, dwDataAddress) == 88,
              "AMI request layout");
static_assert(offsetof(MYLEX_DIRECT_REQUEST, wStatus) == 32 &&
                  offsetof(MYLEX_DIRECT_REQUEST, bAddress) == 60 &&
                  offsetof(MYLEX_DIRECT_REQUEST, abSense) == 82,
              "Mylex request layout");
static_assert(offsetof(TARN_REQUEST_BLOCK, SrbFlags) == 12 &&
                  offsetof(TARN_REQUEST_BLOCK, DataBuffer) == 24 &&
                  offsetof(TARN_REQUEST_BLOCK, Cdb) == 48,
              "request block layout");

#if defined(_WIN32) && !defined(_WIN64)
// A second source for the 32-bit layout: the SDK's own structure.
#define SW_SAME_FIELD(a, b, f) \
  (offsetof(a, f) == offsetof(b, f) && sizeof(((a*)0)->f) == sizeof(((b*)0)->f))
static_assert(sizeof(PASS_THROUGH_REQUEST) == sizeof(SCSI_PASS_THROUGH), "SDK pass-through size");
static_assert(SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, ScsiStatus) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, PathId) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, TargetId) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, Lun) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, CdbLength) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, SenseInfoLength) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, DataIn) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, DataTransferLength) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, TimeOutValue) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, DataBufferOffset) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, SenseInfoOffset) &&
                  SW_SAME_FIELD(PASS_THROUGH_REQUEST, SCSI_PASS_THROUGH, Cdb),
              "pass-through header agrees with the SDK's SCSI_PASS_THROUGH");
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == 12 && offsetof(SRB_IO_CONTROL, Length) == 24,
              "SRB_IO_CONTROL agrees with the SDK");
#undef SW_SAME_FIELD
#endif

#endif  // SLOTWARDEN_SCSI_REQUEST_LAYOUTS_H
