// Checksums and header checks of IPMB frames.
#include "slotwarden/controller/ipmi_frames.h"

#include "slotwarden/controller/exceptions.h"

BYTE IpmiChecksum(const BYTE* pbData, int nLength) {
  BYTE bSum = 0;
  for (int i = 0; i < nLength; i++) bSum = (BYTE)(bSum + pbData[i]);
  return (BYTE)(0x100 - bSum);
}

void SetRequestChecksums(IpmiRequest* pRequest, int n) {
  BYTE* pbFrame = (BYTE*)pRequest;
  pRequest->checksum1 = IpmiChecksum(pbFrame, 2);
  pRequest->cmdData[n] = IpmiChecksum(pbFrame + 3, 3 + n);
}

void CheckResponseChecksums(const IpmiResponse* pResponse, int nLength) {
  const BYTE* pbFrame = (const BYTE*)pResponse;
  BYTE Checksum = IpmiChecksum(pbFrame, 2);
  if (pResponse->checksum1 != Checksum) {
    throw CIpmApiExceptionInvalidChecksum("CheckResponseChecksums",
                                          "if ( pResponse->checksum1 != Checksum )",
                                          "Checksum1 is invalid");
  }
  if (nLength == 7) {
    Checksum = IpmiChecksum(pbFrame + 3, 3);
    if (pResponse->cmdData[0] != Checksum) {
      throw CIpmApiExceptionInvalidChecksum("CheckResponseChecksums",
                                            "if ( pResponse->cmdData[0] != Checksum )",
                                            "Checksum2 is invalid");
    }
    return;
  }
  // A record too short to hold checksum2, or longer than any response,
  // cannot be valid.
  bool bInRange = nLength > 7 && nLength <= (int)sizeof(IpmiResponse);
  int i = nLength - 7;
  if (!bInRange || pResponse->cmdData[i] != IpmiChecksum(pbFrame + 3, nLength - 4)) {
    throw CIpmApiExceptionInvalidChecksum("CheckResponseChecksums",
                                          "if ( pResponse->cmdData[i] != Checksum )",
                                          "Checksum2 is invalid");
  }
}

void CheckRequestVsResponse(const IpmiRequest* pRequest, const IpmiResponse* pResponse) {
  if (pRequest->rsSA != pResponse->rsSA) {
    throw CIpmApiException("CheckRequestVsResponse", "if ( pRequest->rsSA != pResponse->rsSA )",
                           "Responder's slave address does not match");
  }
  if (IpmiLowerTwo(pRequest->netFnLun) != IpmiLowerTwo(pResponse->rqSeqLun)) {
    throw CIpmApiException("CheckRequestVsResponse",
                           "if ( pRequest->rsLun != pResponse->rsLun )",
                           "Responder's LUN number does not match");
  }
  if ((int)(IpmiUpperSix(pRequest->netFnLun)) != (int)(IpmiUpperSix(pResponse->netFnLun) - 1)) {
    throw CIpmApiException(
        "CheckRequestVsResponse",
        "if ( (int) ( pRequest->netFn ) != (int) ( pResponse->netFn - 1 ) )",
        "Net Functions are invalid");
  }
  if (pRequest->rqSA != pResponse->rqSA) {
    throw CIpmApiException("CheckRequestVsResponse", "if ( pRequest->rqSA != pResponse->rqSA )",
                           "Requester's slave address does not match");
  }
  if (IpmiLowerTwo(pRequest->rqSeqLun) != IpmiLowerTwo(pResponse->netFnLun)) {
    throw CIpmApiException("CheckRequestVsResponse",
                           "if ( pRequest->rqLun != pResponse->rqLun )",
                           "Requester's LUN number does not match");
  }
  if (IpmiUpperSix(pRequest->rqSeqLun) != IpmiUpperSix(pResponse->rqSeqLun)) {
    throw CIpmApiException("CheckRequestVsResponse",
                           "if ( pRequest->rqSeq != pResponse->rqSeq )",
                           "Requester's sequence number does not match");
  }
  if (pRequest->command != pResponse->command) {
    throw CIpmApiException("CheckRequestVsResponse",
                           "if ( pRequest->command != pResponse->command )",
                           "Requester's command does not match");
  }
}
