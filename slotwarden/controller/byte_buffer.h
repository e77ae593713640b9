// CByteBuffer: an owning byte buffer, the carrier of FRU data.
#ifndef SLOTWARDEN_CONTROLLER_BYTE_BUFFER_H
#define SLOTWARDEN_CONTROLLER_BYTE_BUFFER_H

#include "platform/platform.h"

class CByteBuffer {
 public:
  // Copies dwSize bytes from pbData; empty (null, 0) when either is zero.
  CByteBuffer(const BYTE* pbData, DWORD dwSize);
  CByteBuffer(const CByteBuffer& other);
  ~CByteBuffer();
  CByteBuffer& operator=(const CByteBuffer&) = delete;

  BYTE* GetData() const { return m_pbData; }
  DWORD GetSize() const { return m_dwSize; }

 private:
  BYTE* m_pbData;
  DWORD m_dwSize;
};

#endif  // SLOTWARDEN_CONTROLLER_BYTE_BUFFER_H
