// The eight single-message IPMI device commands of CIpmApi.
//
// Each sends one message; a transport failure leaves under the command's
// own name, as CIpmApiExceptionFWError for QBXAPI failures and completion
// codes, as CIpmApiException for everything else. A non-zero completion
// code in the answer is thrown as CIpmApiExceptionFWError.
#include <cstring>

#include "platform/qbxapi.h"
#include "slotwarden/controller/error_texts.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"
#include "slotwarden/controller/ipmi_frames.h"

namespace {

// Sends one message for pszFunction, translating the transport's exceptions.
// The record is cleared first, so bytes that did not arrive read as 0.
void Exchange(CIpmApi* pDevice, const char* pszFunction, BYTE bNetFn, BYTE bCommand,
              const BYTE* pbData, int nDataLength, void* pRecord, int nRecordLength) {
  if (nRecordLength > 0) memset(pRecord, 0, nRecordLength);
  int nResponseLength = nRecordLength;
  try {
    pDevice->SendReceiveIPMIMessage(bNetFn, bCommand, pbData, nDataLength, (BYTE*)pRecord,
                                    &nResponseLength);
  } catch (CIpmApiExceptionFWError e) {
    throw CIpmApiExceptionFWError(pszFunction, e.m_pszCondition, e.m_pszMessage);
  } catch (CIpmApiException e) {
    throw CIpmApiException(pszFunction, e.m_pszCondition, e.m_pszMessage);
  }
}

void CheckCompletionCode(BYTE bCompletionCode, const char* pszFunction,
                         const char* pszCondition) {
  if (bCompletionCode != IMB_CC_NO_ERROR) {
    throw CIpmApiExceptionFWError(pszFunction, pszCondition,
                                  FormatCompletionCode(bCompletionCode));
  }
}

struct CompletionCodeResponse {
  BYTE completionCode;
};

}  // namespace

DeviceResponse CIpmApi::GetDeviceID() {
  DeviceResponse Response;
  Exchange(this, "GetDeviceID", IPMI_NETFN_APP, IPMI_CMD_GET_DEVICE_ID, nullptr, 0, &Response,
           sizeof(Response));
  CheckCompletionCode(Response.completionCode, "GetDeviceID",
                      "if ( DeviceResponse.completionCode != IMB_CC_NO_ERROR )");
  return Response;
}

void CIpmApi::ColdReset() {
  Exchange(this, "ColdReset", IPMI_NETFN_APP, IPMI_CMD_COLD_RESET, nullptr, 0, nullptr, 0);
  QBXSleep(COLD_RESET_PAUSE_MS);
}

void CIpmApi::WarmReset() {
  CompletionCodeResponse ResetResponse;
  Exchange(this, "WarmReset", IPMI_NETFN_APP, IPMI_CMD_WARM_RESET, nullptr, 0, &ResetResponse,
           sizeof(ResetResponse));
  CheckCompletionCode(ResetResponse.completionCode, "WarmReset",
                      "if ( ResetResponse.completionCode != IMB_CC_NO_ERROR )");
}

TestResultsResponse CIpmApi::GetSelfTestResults() {
  TestResultsResponse Response;
  Exchange(this, "GetSelfTestResults", IPMI_NETFN_APP, IPMI_CMD_GET_SELF_TEST_RESULTS, nullptr, 0,
           &Response, sizeof(Response));
  CheckCompletionCode(Response.completionCode, "GetSelfTestResults",
                      "if ( TestResultsResponse.completionCode != IMB_CC_NO_ERROR )");
  return Response;
}

void CIpmApi::MfgTestOn() {
  CompletionCodeResponse MfgTestResponse;
  Exchange(this, "MfgTestOn", IPMI_NETFN_APP, IPMI_CMD_MFG_TEST_ON, nullptr, 0, &MfgTestResponse,
           sizeof(MfgTestResponse));
  CheckCompletionCode(MfgTestResponse.completionCode, "MfgTestOn",
                      "if ( MfgTestResponse.completionCode != IMB_CC_NO_ERROR )");
}

FRUInfoResponse CIpmApi::GetFRUInventoryAreaInfo() {
  FRUInfoResponse Response;
  Exchange(this, "GetFRUInventoryAreaInfo", IPMI_NETFN_STORAGE,
           IPMI_CMD_GET_FRU_INVENTORY_AREA_INFO, nullptr, 0, &Response, sizeof(Response));
  CheckCompletionCode(Response.completionCode, "GetFRUInventoryAreaInfo",
                      "if ( FRUInfoResponse.completionCode != IMB_CC_NO_ERROR )");
  return Response;
}

ReadFRUResponse CIpmApi::ReadFRUInventoryData(ReadFRURequest Request) {
  BYTE abRequest[3] = {(BYTE)(Request.wOffset & 0xFF), (BYTE)(Request.wOffset >> 8),
                       Request.bCount};
  // The whole record is returned; the answer fills its first 25 bytes.
  ReadFRUResponse Response;
  memset(&Response, 0, sizeof(Response));
  Exchange(this, "ReadFRUInventoryData", IPMI_NETFN_STORAGE, IPMI_CMD_READ_FRU_DATA, abRequest,
           sizeof(abRequest), &Response, 25);
  CheckCompletionCode(Response.completionCode, "ReadFRUInventoryData",
                      "if ( ReadFRUResponse.completionCode != IMB_CC_NO_ERROR )");
  return Response;
}

WriteFRUResponse CIpmApi::WriteFRUInventoryData(WriteFRURequest Request) {
  BYTE abRequest[2 + FRU_WRITE_DATA_LENGTH];
  int nCount = Request.bCount < FRU_WRITE_DATA_LENGTH ? Request.bCount : FRU_WRITE_DATA_LENGTH;
  abRequest[0] = (BYTE)(Request.wOffset & 0xFF);
  abRequest[1] = (BYTE)(Request.wOffset >> 8);
  memcpy(abRequest + 2, Request.data, nCount);
  WriteFRUResponse Response;
  Exchange(this, "WriteFRUInventoryData", IPMI_NETFN_STORAGE, IPMI_CMD_WRITE_FRU_DATA, abRequest,
           nCount + 2, &Response, sizeof(Response));
  CheckCompletionCode(Response.completionCode, "WriteFRUInventoryData",
                      "if ( WriteFRUResponse.completionCode != IMB_CC_NO_ERROR )");
  return Response;
}
