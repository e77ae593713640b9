// The FRU range operations of CIpmApi: a range of any length read or written
// in chunks through the single-message FRU commands, called virtually.
//
// A chunk answered with a count of 0 ends the transfer: what arrived so far
// is the result. A count above the chunk asked for is taken as the chunk, so
// every copy stays inside the chunk, the response and the working buffer.
#include <cstring>
#include <memory>

#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"

namespace {

DWORD AccessUnit(const FRUInfoResponse& Info) {
  return (Info.accessType & FRU_ACCESS_BY_WORDS) ? 2 : 1;
}

}  // namespace

CByteBuffer CIpmApi::ReadFRUData(WORD wOffset, WORD wCount) {
  if ((DWORD)wOffset + wCount > 65535) {
    throw CIpmApiException("ReadFRUData", "if ( ( wOffset + wCount ) > 65535 )",
                           "Requested FRU size is invalid");
  }
  try {
    FRUInfoResponse Info = GetFRUInventoryAreaInfo();
    DWORD dwUnit = AccessUnit(Info);
    DWORD dwArraySize = dwUnit * wCount;
    DWORD dwFRUSize = dwUnit * Info.fruInventoryAreaSize;
    if (dwArraySize > dwFRUSize) {
      throw CIpmApiException("ReadFRUData", "if ( dwArraySize > dwFRUSize )",
                             "Requested FRU size is invalid");
    }

    std::unique_ptr<BYTE[]> pbArray(new BYTE[dwArraySize ? dwArraySize : 1]);
    DWORD p = 0;
    while (p < wCount) {
      DWORD dwChunk = FRU_READ_CHUNK_BYTES / dwUnit;
      if (wCount - p < dwChunk) dwChunk = wCount - p;

      ReadFRURequest Request;
      Request.wOffset = (WORD)(wOffset + p);
      Request.bCount = (BYTE)dwChunk;
      ReadFRUResponse Response = ReadFRUInventoryData(Request);

      DWORD dwReturned = Response.countReturned;
      if (dwReturned == 0) break;
      if (dwReturned > dwChunk) dwReturned = dwChunk;
      memcpy(pbArray.get() + dwUnit * p, Response.data, dwUnit * dwReturned);
      p += dwReturned;
    }
    return CByteBuffer(pbArray.get(), dwUnit * p);
  } catch (CIpmApiExceptionFWError e) {
    throw CIpmApiExceptionFWError("ReadFRUData", e.m_pszCondition, e.m_pszMessage);
  } catch (CIpmApiException e) {
    throw CIpmApiException("ReadFRUData", e.m_pszCondition, e.m_pszMessage);
  }
}

CByteBuffer CIpmApi::ReadAllFRUData() {
  try {
    FRUInfoResponse Info = GetFRUInventoryAreaInfo();
    return ReadFRUData(0, Info.fruInventoryAreaSize);
  } catch (CIpmApiExceptionFWError e) {
    throw CIpmApiExceptionFWError("ReadAllFRUData", e.m_pszCondition, e.m_pszMessage);
  } catch (CIpmApiException e) {
    throw CIpmApiException("ReadAllFRUData", e.m_pszCondition, e.m_pszMessage);
  }
}

void CIpmApi::WriteFRUData(WORD wOffset, CByteBuffer Data) {
  try {
    FRUInfoResponse Info = GetFRUInventoryAreaInfo();
    DWORD dwUnit = AccessUnit(Info);
    // In word mode an odd last byte is not written.
    WORD wCount = (WORD)(Data.GetSize() / dwUnit);
    if ((DWORD)wOffset + wCount > 65535) {
      throw CIpmApiException("WriteFRUData", "if ( ( wOffset  + wCount ) > 65535 )",
                             "Requested FRU size is invalid");
    }
    if ((DWORD)wOffset + wCount > Info.fruInventoryAreaSize) {
      throw CIpmApiException(
          "WriteFRUData", "if ( ( wOffset  + wCount ) > FRUInfoResponse.fruInventoryAreaSize )",
          "Requested FRU size is invalid");
    }

    DWORD p = 0;
    while (p < wCount) {
      DWORD dwChunk = FRU_WRITE_CHUNK_BYTES / dwUnit;
      if (wCount - p < dwChunk) dwChunk = wCount - p;

      WriteFRURequest Request;
      memset(&Request, 0, sizeof(Request));
      Request.wOffset = (WORD)(wOffset + p);
      memcpy(Request.data, Data.GetData() + dwUnit * p, dwUnit * dwChunk);
      Request.bCount = (BYTE)(dwUnit * dwChunk);
      WriteFRUResponse Response = WriteFRUInventoryData(Request);

      DWORD dwWritten = Response.countWritten;
      if (dwWritten == 0) break;
      if (dwWritten > dwChunk) dwWritten = dwChunk;
      p += dwWritten;
    }
  } catch (CIpmApiExceptionFWError e) {
    throw CIpmApiExceptionFWError("WriteFRUData", e.m_pszCondition, e.m_pszMessage);
  } catch (CIpmApiException e) {
    throw CIpmApiException("WriteFRUData", e.m_pszCondition, e.m_pszMessage);
  }
}
