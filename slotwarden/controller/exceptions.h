// The exception classes of the controller and cage layers.
//
// Every exception carries three texts of its own: the operation that raised
// it (or last passed it on), the failed test as source-style text, and a
// message. Objects are thrown and caught by value; every copy owns fresh
// copies of the texts. Catchers decide by class alone.
#ifndef SLOTWARDEN_CONTROLLER_EXCEPTIONS_H
#define SLOTWARDEN_CONTROLLER_EXCEPTIONS_H

class CGenericException {
 public:
  CGenericException(const char* pszFunction, const char* pszCondition, const char* pszMessage);
  CGenericException(const CGenericException& other);
  ~CGenericException();
  CGenericException& operator=(const CGenericException&) = delete;

  char* m_pszFunction;
  char* m_pszCondition;
  char* m_pszMessage;
};

// Invalid arguments and lengths in the IPMI layer, a response that does not
// match its request, no response in time, FRU range errors.
class CIpmApiException : public CGenericException {
 public:
  CIpmApiException(const char* pszFunction, const char* pszCondition, const char* pszMessage)
      : CGenericException(pszFunction, pszCondition, pszMessage) {}
};

// A QBXAPI call failed, or a device answered with a non-zero completion code.
class CIpmApiExceptionFWError : public CIpmApiException {
 public:
  CIpmApiExceptionFWError(const char* pszFunction, const char* pszCondition,
                          const char* pszMessage)
      : CIpmApiException(pszFunction, pszCondition, pszMessage) {}
};

// A received response failed one of its two checksums.
class CIpmApiExceptionInvalidChecksum : public CIpmApiException {
 public:
  CIpmApiExceptionInvalidChecksum(const char* pszFunction, const char* pszCondition,
                                  const char* pszMessage)
      : CIpmApiException(pszFunction, pszCondition, pszMessage) {}
};

// Failures of the cage layer, including IPMI-layer failures it passes on.
class CTessarkException : public CGenericException {
 public:
  CTessarkException(const char* pszFunction, const char* pszCondition, const char* pszMessage)
      : CGenericException(pszFunction, pszCondition, pszMessage) {}
};

// Firmware errors seen by the cage layer.
class CTessarkExceptionFWError : public CTessarkException {
 public:
  CTessarkExceptionFWError(const char* pszFunction, const char* pszCondition,
                           const char* pszMessage)
      : CTessarkException(pszFunction, pszCondition, pszMessage) {}
};

#endif  // SLOTWARDEN_CONTROLLER_EXCEPTIONS_H
