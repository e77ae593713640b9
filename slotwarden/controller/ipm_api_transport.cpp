// The IPMI transport of CIpmApi: one message with its retries, and one
// exchange through QBXAPI.
#include <cstring>

#include "platform/qbxapi.h"
#include "slotwarden/controller/error_texts.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"
#include "slotwarden/controller/ipmi_frames.h"

#define IPMI_WRITE_PAUSE_MS 50    // after every write, before the first poll
#define IPMI_POLL_PAUSE_MS 10     // after every poll that finds nothing
#define IPMI_RETRY_PAUSE_MS 500   // between attempts of one message
#define IPMI_MAX_SEQUENCE_NUMBER 63
#define SMS_LOCAL_BUFFER_LENGTH (IPMAPI_MAX_IPMI_RESPONSE_LENGTH + 1)

CIpmApi::CIpmApi() : m_bSlaveAddress(0), m_bLun(0), m_bSequenceNumber(0) {}

void CIpmApi::SendReceiveIPMIMessage(BYTE bNetFn, BYTE bCommand, const BYTE* pbCommandData,
                                     int nCommandDataLength, BYTE* pbResponseData,
                                     int* pnResponseDataLength) {
  if ((unsigned)nCommandDataLength > IPMAPI_MAX_COMMAND_DATA_LENGTH) {
    throw CIpmApiException("SendReceiveIPMIMessage",
                           "if ( nCommandDataLength > IPMAPI_MAX_COMMAND_DATA_LENGTH )",
                           "Request Command Data Length is invalid");
  }

  IpmiRequest Request;
  IpmiResponse Response;
  int nResponseLength = 0;
  int nRetryCount = 0;
  for (;;) {
    // Every attempt carries a fresh sequence number: 1, 2, ... 63, 0, 1 ...
    m_bSequenceNumber = (BYTE)(m_bSequenceNumber + 1);
    if (m_bSequenceNumber > IPMI_MAX_SEQUENCE_NUMBER) m_bSequenceNumber = 0;

    memset(&Request, 0, sizeof(Request));
    Request.rsSA = m_bSlaveAddress;
    Request.netFnLun = (BYTE)((bNetFn << 2) | (m_bLun & 0x03));
    Request.rqSA = IPMI_REQUESTER_ADDRESS;
    Request.rqSeqLun = (BYTE)((m_bSequenceNumber << 2) | IPMI_REQUESTER_LUN);
    Request.command = bCommand;
    if (nCommandDataLength > 0) memcpy(Request.cmdData, pbCommandData, nCommandDataLength);
    SetRequestChecksums(&Request, nCommandDataLength);

    nResponseLength = *pnResponseDataLength > 0 ? *pnResponseDataLength + 6 : 0;
    memset(&Response, 0, sizeof(Response));

    try {
      SendReceiveData(&Request.netFnLun, nCommandDataLength + 6, &Response.netFnLun,
                      &nResponseLength);
      if (*pnResponseDataLength <= 0) return;

      if ((unsigned)(nResponseLength - 6) > (unsigned)*pnResponseDataLength) {
        throw CIpmApiException("SendReceiveIPMIMessage",
                               "if ( nResponseLength > *pnResponseDataLength )",
                               "Response Length is invalid");
      }
      Response.rqSA = IPMI_REQUESTER_ADDRESS;
      CheckResponseChecksums(&Response, nResponseLength + 1);
      CheckRequestVsResponse(&Request, &Response);
    } catch (CIpmApiExceptionFWError e) {
      if (nRetryCount >= IPMAPI_MAX_MESSAGE_RETRIES) throw e;
      nRetryCount++;
      QBXSleep(IPMI_RETRY_PAUSE_MS);
      continue;
    } catch (CIpmApiExceptionInvalidChecksum e) {
      if (nRetryCount >= IPMAPI_MAX_MESSAGE_RETRIES) throw e;
      nRetryCount++;
      QBXSleep(IPMI_RETRY_PAUSE_MS);
      continue;
    } catch (CIpmApiException e) {
      if (nRetryCount >= IPMAPI_MAX_MESSAGE_RETRIES) throw e;
      nRetryCount++;
      QBXSleep(IPMI_RETRY_PAUSE_MS);
      continue;
    }

    if (Response.cmdData[0] == IMB_CC_NO_ERROR || nRetryCount >= IPMAPI_MAX_MESSAGE_RETRIES) break;
    nRetryCount++;
    QBXSleep(IPMI_RETRY_PAUSE_MS);
  }

  *pnResponseDataLength = nResponseLength - 6;
  memcpy(pbResponseData, Response.cmdData, *pnResponseDataLength);
}

void CIpmApi::SendReceiveData(const BYTE* pbRequest, int nRequestLength, BYTE* pbResponse,
                              int* pnResponseLength) {
  if (!pbRequest) {
    throw CIpmApiException("SendReceiveData", "if ( !pbRequest )", "Request buffer is NULL");
  }
  if (nRequestLength <= 0) {
    throw CIpmApiException("SendReceiveData", "if ( nRequestLength <= 0 )",
                           "Request Length is invalid");
  }
  if (nRequestLength > IPMAPI_MAX_IPMI_REQUEST_LENGTH) {
    throw CIpmApiException("SendReceiveData",
                           "if ( nRequestLength > IPMAPI_MAX_IPMI_REQUEST_LENGTH )",
                           "Request Length is invalid");
  }
  if (!pbResponse) {
    throw CIpmApiException("SendReceiveData", "if ( !pbResponse )", "Response buffer is NULL");
  }
  if (*pnResponseLength < 0) {
    throw CIpmApiException("SendReceiveData", "if ( *pnResponseLength < 0 )",
                           "Response Length is invalid");
  }
  if (*pnResponseLength > IPMAPI_MAX_IPMI_RESPONSE_LENGTH) {
    throw CIpmApiException("SendReceiveData",
                           "if ( *pnResponseLength > IPMAPI_MAX_IPMI_RESPONSE_LENGTH )",
                           "Response Length is invalid");
  }

  int nStatus = RetryQBX_OpenDevice();
  if (nStatus != 0) ThrowQBXError(nStatus, "SendReceiveData", "RetryQBX_OpenDevice");

  nStatus = QBX_MasterWriteI2C(0, m_bSlaveAddress, pbRequest, nRequestLength);
  if (nStatus != 0) ThrowQBXError(nStatus, "SendReceiveData", "QBX_MasterWriteI2C");

  QBXSleep(IPMI_WRITE_PAUSE_MS);

  BYTE abSMSData[SMS_LOCAL_BUFFER_LENGTH];
  BYTE bSMSDataLength = 0;
  if (*pnResponseLength > 0) {
    DWORD dwAvailable = 0;
    int nSMSDataRetryCount = 0;
    for (;;) {
      nStatus = QBX_IsSMSDataAvailable(&dwAvailable);
      if (nStatus == 0 && dwAvailable) break;
      QBXSleep(IPMI_POLL_PAUSE_MS);
      if (nSMSDataRetryCount > IPMAPI_MAX_SMS_DATA_RETRIES) {
        QBX_CloseDevice();
        throw CIpmApiException("SendReceiveData",
                               "if ( nSMSDataRetryCount > IPMAPI_MAX_SMS_DATA_RETRIES )",
                               "SMS data not available");
      }
      nSMSDataRetryCount++;
    }

    // One byte more than wanted: a message that fills it is too long.
    bSMSDataLength = (BYTE)(*pnResponseLength + 1);
    nStatus = QBX_ReadSMSMessageBuffer(abSMSData, &bSMSDataLength);
    if (nStatus != 0) ThrowQBXError(nStatus, "SendReceiveData", "QBX_ReadSMSMessageBuffer");
  }

  nStatus = RetryQBX_CloseDevice();
  if (nStatus != 0) ThrowQBXError(nStatus, "SendReceiveData", "RetryQBX_CloseDevice");

  if (bSMSDataLength > *pnResponseLength) {
    throw CIpmApiException("SendReceiveData", "if ( bSMSDataLength > *pnResponseLength )",
                           "Insufficient space to store SMS Message Buffer");
  }
  *pnResponseLength = bSMSDataLength;
  memcpy(pbResponse, abSMSData, bSMSDataLength);
}
