#include "slotwarden/cages/tessark_cage.h"

#include <cstring>

#include "slotwarden/controller/error_texts.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipmi_frames.h"

namespace {

// Runs a CIpmApi command, passing its failure on as a cage exception with
// the same texts; the firmware-error kind is tested before its base.
template <class Call>
auto PassOn(Call call) -> decltype(call()) {
  try {
    return call();
  } catch (CIpmApiExceptionFWError e) {
    throw CTessarkExceptionFWError(e.m_pszFunction, e.m_pszCondition, e.m_pszMessage);
  } catch (CIpmApiException e) {
    throw CTessarkException(e.m_pszFunction, e.m_pszCondition, e.m_pszMessage);
  }
}

}  // namespace

DeviceResponse CTessarkCage::GetDeviceID() {
  return PassOn([&] { return CIpmApi::GetDeviceID(); });
}

void CTessarkCage::ColdReset() {
  PassOn([&] { CIpmApi::ColdReset(); });
}

void CTessarkCage::WarmReset() {
  PassOn([&] { CIpmApi::WarmReset(); });
}

TestResultsResponse CTessarkCage::GetSelfTestResults() {
  return PassOn([&] { return CIpmApi::GetSelfTestResults(); });
}

void CTessarkCage::MfgTestOn() {
  PassOn([&] { CIpmApi::MfgTestOn(); });
}

FRUInfoResponse CTessarkCage::GetFRUInventoryAreaInfo() {
  return PassOn([&] { return CIpmApi::GetFRUInventoryAreaInfo(); });
}

ReadFRUResponse CTessarkCage::ReadFRUInventoryData(ReadFRURequest Request) {
  return PassOn([&] { return CIpmApi::ReadFRUInventoryData(Request); });
}

WriteFRUResponse CTessarkCage::WriteFRUInventoryData(WriteFRURequest Request) {
  return PassOn([&] { return CIpmApi::WriteFRUInventoryData(Request); });
}

CByteBuffer CTessarkCage::ReadFRUData(WORD wOffset, WORD wCount) {
  return PassOn([&] { return CIpmApi::ReadFRUData(wOffset, wCount); });
}

CByteBuffer CTessarkCage::ReadAllFRUData() {
  return PassOn([&] { return CIpmApi::ReadAllFRUData(); });
}

void CTessarkCage::WriteFRUData(WORD wOffset, CByteBuffer Data) {
  PassOn([&] { CIpmApi::WriteFRUData(wOffset, Data); });
}

BYTE CTessarkCage::SendCageCommand(const char* pszFunction, BYTE bCommand, const BYTE* pbData,
                                   int nDataLength) {
  // An answer of only the completion code leaves byte 1 at 0.
  BYTE pbResponseData[CAGE_RESPONSE_LENGTH];
  memset(pbResponseData, 0, sizeof(pbResponseData));
  int nResponseLength = CAGE_RESPONSE_LENGTH;
  try {
    SendReceiveIPMIMessage(IPMI_NETFN_APP, bCommand, pbData, nDataLength, pbResponseData,
                           &nResponseLength);
  } catch (CIpmApiException e) {
    throw CTessarkException(pszFunction, e.m_pszCondition, e.m_pszMessage);
  }
  if (pbResponseData[0] != IMB_CC_NO_ERROR) {
    throw CTessarkExceptionFWError(pszFunction, "if ( pbResponseData[0] != IMB_CC_NO_ERROR )",
                                   FormatCompletionCode(pbResponseData[0]));
  }
  return pbResponseData[1];
}

BYTE CTessarkCage::GetBackplaneStatus() {
  return SendCageCommand("GetBackplaneStatus", CAGE_CMD_GET_BACKPLANE_STATUS, nullptr, 0);
}

BYTE CTessarkCage::IsDrivePresent(BYTE bSlotNumber) {
  if (bSlotNumber > CAGE_LAST_SLOT) {
    throw CTessarkException("IsDrivePresent", "if ( bSlotNumber > 7 )",
                            "bSlotNumber outside valid range");
  }
  // The cage numbers its slots 1..8.
  BYTE bCageSlot = (BYTE)(bSlotNumber + 1);
  return SendCageCommand("IsDrivePresent", CAGE_CMD_IS_DRIVE_PRESENT, &bCageSlot, 1);
}

BYTE CTessarkCage::GetCageBaseSCSIAddress() {
  BYTE bRaw = SendCageCommand("GetCageBaseSCSIAddress", CAGE_CMD_GET_BASE_SCSI_ADDRESS, nullptr, 0);
  // Only the two low bits count; 1 reads as 0.
  switch (bRaw & 0x03) {
    case 2: return 2;
    case 3: return 3;
    default: return 0;
  }
}

void CTessarkCage::ClearDriveActivityLatch() {
  SendCageCommand("ClearDriveActivityLatch", CAGE_CMD_CLEAR_ACTIVITY_LATCH, nullptr, 0);
}

BYTE CTessarkCage::GetDriveActivityLatch() {
  return SendCageCommand("GetDriveActivityLatch", CAGE_CMD_GET_ACTIVITY_LATCH, nullptr, 0);
}
