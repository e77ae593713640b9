// The status and completion-code texts, ThrowQBXError and the exceptions'
// ownership of their texts.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/controller/qbx_bus.h"
#include "slotwarden/controller/error_texts.h"
#include "slotwarden/controller/exceptions.h"

namespace {

struct StatusCase {
  int status;
  const char* message;
};

class QbxErrorText : public testing::TestWithParam<StatusCase> {};

TEST_P(QbxErrorText, ThrowsFirmwareErrorWithTableText) {
  try {
    ThrowQBXError(GetParam().status, "SendReceiveData", "QBX_MasterWriteI2C");
    FAIL() << "ThrowQBXError returned";
  } catch (CIpmApiExceptionFWError e) {
    EXPECT_STREQ(e.m_pszFunction, "SendReceiveData");
    EXPECT_STREQ(e.m_pszCondition, "QBX_MasterWriteI2C");
    EXPECT_STREQ(e.m_pszMessage, GetParam().message);
  }
  EXPECT_EQ(sim::qbx_device_stats().forced_closes, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, QbxErrorText,
    testing::Values(StatusCase{0x0002, "QBX: Bus Error (0x0002)"},
                    StatusCase{0x0103, "QBX: No Hardware Found During Driver Open (0x0103)"},
                    StatusCase{0x0108, "Unknown QBX Error (0x0108)"},
                    StatusCase{0x00C1, "QBX: Invalid Command (0x00c1)"},
                    StatusCase{0x007B, "QBX: Access To I2C Bus Disabled (0x007b)"},
                    StatusCase{0x007C, "QBX: SDR Or SEL Pointers Initialized (0x007c)"},
                    StatusCase{0x007E, "QBX: Command Supported But Not Implemented (0x007e)"},
                    StatusCase{0x00FF, "QBX: Unspecified Error (0x00ff)"},
                    StatusCase{0, "Unknown QBX Error (0x0000)"},
                    StatusCase{-5, "Unknown QBX Error (0xfffffffb)"}));

struct CodeCase {
  int code;
  const char* text;
};

class CompletionCodeText : public testing::TestWithParam<CodeCase> {};

TEST_P(CompletionCodeText, FormatsTableTextOrUnknown) {
  EXPECT_STREQ(FormatCompletionCode(GetParam().code), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CompletionCodeText,
    testing::Values(CodeCase{0xC1, "IPMI: Invalid Command (0x00c1)"},
                    CodeCase{0x80, "Unknown IPMI Completion Code (0x0080)"},
                    CodeCase{0x00, "Unknown IPMI Completion Code (0x0000)"},
                    CodeCase{0x01, "IPMI: Lost Arbitration (0x0001)"},
                    CodeCase{0x7B, "IPMI: Access To I2C Bus Disabled (0x007b)"},
                    CodeCase{0x7C, "IPMI: SDR Or SEL Pointers Initialized (0x007c)"},
                    CodeCase{0x7E, "IPMI: Command Supported But Not Implemented (0x007e)"},
                    CodeCase{0xFF, "IPMI: Unspecified Error (0x00ff)"}));

TEST(CompletionCodeBuffer, NextCallOverwritesTheText) {
  const char* first = FormatCompletionCode(0xC1);
  const char* second = FormatCompletionCode(0xC0);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "IPMI: Node Busy (0x00c0)");
}

TEST(ExceptionTexts, CopyOwnsItsTexts) {
  CIpmApiExceptionFWError original("GetDeviceID", "if ( x )", "message");
  {
    CIpmApiExceptionFWError copy(original);
    EXPECT_NE(copy.m_pszFunction, original.m_pszFunction);
    EXPECT_NE(copy.m_pszCondition, original.m_pszCondition);
    EXPECT_NE(copy.m_pszMessage, original.m_pszMessage);
    EXPECT_STREQ(copy.m_pszMessage, "message");
  }
  EXPECT_STREQ(original.m_pszFunction, "GetDeviceID");
  EXPECT_STREQ(original.m_pszCondition, "if ( x )");
  EXPECT_STREQ(original.m_pszMessage, "message");
}

TEST(ExceptionTexts, ConstructorCopiesTheCallersText) {
  char text[] = "ReadFRUData";
  CTessarkException e(text, "c", "m");
  text[0] = 'X';
  EXPECT_STREQ(e.m_pszFunction, "ReadFRUData");
}

TEST(ExceptionTexts, DerivedClassesCatchAsTheirBases) {
  bool caught = false;
  try {
    throw CTessarkExceptionFWError("f", "c", "m");
  } catch (CTessarkException e) {
    caught = std::strcmp(e.m_pszMessage, "m") == 0;
  }
  EXPECT_TRUE(caught);
}

}  // namespace
