#include "slotwarden/controller/exceptions.h"

#include <cstring>

namespace {

// A heap copy of exactly the text's length plus its NUL; a null text is
// kept as an empty one.
char* CopyText(const char* pszText) {
  if (!pszText) pszText = "";
  size_t nLength = strlen(pszText);
  char* pszCopy = new char[nLength + 1];
  memcpy(pszCopy, pszText, nLength + 1);
  return pszCopy;
}

void ReleaseText(char*& pszText) {
  if (pszText) {
    delete[] pszText;
    pszText = nullptr;
  }
}

}  // namespace

CGenericException::CGenericException(const char* pszFunction, const char* pszCondition,
                                     const char* pszMessage)
    : m_pszFunction(CopyText(pszFunction)),
      m_pszCondition(CopyText(pszCondition)),
      m_pszMessage(CopyText(pszMessage)) {}

CGenericException::CGenericException(const CGenericException& other)
    : m_pszFunction(CopyText(other.m_pszFunction)),
      m_pszCondition(CopyText(other.m_pszCondition)),
      m_pszMessage(CopyText(other.m_pszMessage)) {}

CGenericException::~CGenericException() {
  ReleaseText(m_pszFunction);
  ReleaseText(m_pszCondition);
  ReleaseText(m_pszMessage);
}
