#include "slotwarden/controller/byte_buffer.h"

#include <cstring>

CByteBuffer::CByteBuffer(const BYTE* pbData, DWORD dwSize) : m_pbData(nullptr), m_dwSize(0) {
  if (pbData && dwSize) {
    m_pbData = new BYTE[dwSize];
    memcpy(m_pbData, pbData, dwSize);
    m_dwSize = dwSize;
  }
}

CByteBuffer::CByteBuffer(const CByteBuffer& other) : CByteBuffer(other.m_pbData, other.m_dwSize) {}

CByteBuffer::~CByteBuffer() {
  delete[] m_pbData;
  m_pbData = nullptr;
  m_dwSize = 0;
}
