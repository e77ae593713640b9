// CTessarkCage: one hot-swap drive cage on the management controller's bus.
//
// A CIpmApi bound to the cage's address. It adds the cage's own commands
// (backplane status, drive presence, base SCSI address code, the per-slot
// drive-activity latch) and offers the eleven IPMI commands again with the
// controller layer's exceptions turned into cage exceptions: callers see
// only CTessarkException and CTessarkExceptionFWError. Slots are 0..7 here;
// bit n of the latch is slot n. A plain value: copies number their requests
// independently.
#ifndef SLOTWARDEN_CAGES_TESSARK_CAGE_H
#define SLOTWARDEN_CAGES_TESSARK_CAGE_H

#include "platform/platform.h"
#include "slotwarden/controller/ipm_api.h"

#define CAGE_CMD_GET_BACKPLANE_STATUS 0x10
#define CAGE_CMD_IS_DRIVE_PRESENT 0x1F
#define CAGE_CMD_GET_BASE_SCSI_ADDRESS 0x27
#define CAGE_CMD_CLEAR_ACTIVITY_LATCH 0x2B
#define CAGE_CMD_GET_ACTIVITY_LATCH 0x2D
#define CAGE_RESPONSE_LENGTH 26
#define CAGE_LAST_SLOT 7

class CTessarkCage : public CIpmApi {
 public:
  // The wrapped IPMI commands: the CIpmApi command's result, or its failure
  // as CTessarkExceptionFWError (firmware errors) or CTessarkException,
  // with the same three texts.
  DeviceResponse GetDeviceID() override;
  void ColdReset() override;
  void WarmReset() override;
  TestResultsResponse GetSelfTestResults() override;
  void MfgTestOn() override;
  FRUInfoResponse GetFRUInventoryAreaInfo() override;
  ReadFRUResponse ReadFRUInventoryData(ReadFRURequest Request) override;
  WriteFRUResponse WriteFRUInventoryData(WriteFRURequest Request) override;
  CByteBuffer ReadFRUData(WORD wOffset, WORD wCount) override;
  CByteBuffer ReadAllFRUData() override;
  void WriteFRUData(WORD wOffset, CByteBuffer Data) override;

  // The cage's own commands. A transport failure is thrown as
  // CTessarkException under the command's name, a non-zero completion code
  // as CTessarkExceptionFWError.
  BYTE GetBackplaneStatus();
  // Non-zero when a drive is in slot bSlotNumber (0..7).
  BYTE IsDrivePresent(BYTE bSlotNumber);
  // 0, 2 or 3: which slot-to-target table the cage is wired with.
  BYTE GetCageBaseSCSIAddress();
  void ClearDriveActivityLatch();
  // Bit n set: slot n has seen drive activity since the last clear.
  BYTE GetDriveActivityLatch();

 private:
  BYTE SendCageCommand(const char* pszFunction, BYTE bCommand, const BYTE* pbData,
                       int nDataLength);
};

#endif  // SLOTWARDEN_CAGES_TESSARK_CAGE_H
