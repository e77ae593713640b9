// IPMI completion-code texts and FormatCompletionCode.
#include <cstdio>

#include "slotwarden/controller/error_texts.h"

const CompletionCodeEntry CompletionCodeTable[COMPLETION_CODE_TABLE_ROWS] = {
    {0x01, "IPMI: Lost Arbitration"},
    {0x02, "IPMI: Bus Error"},
    {0x03, "IPMI: Write Not Acknowledged"},
    {0x04, "IPMI: Read Truncated"},
    {0x05, "IPMI: Slave Address Not Acknowledged"},
    {0xC0, "IPMI: Node Busy"},
    {0xC1, "IPMI: Invalid Command"},
    {0xC2, "IPMI: Invalid Command For Given LUN"},
    {0xC3, "IPMI: Time-out While Processing Command"},
    {0xC4, "IPMI: Out of Space"},
    {0xC5, "IPMI: Reservation Cancelled"},
    {0xC6, "IPMI: Request Data Truncated"},
    {0xC7, "IPMI: Request Data Length Invalid"},
    {0xC8, "IPMI: Request Data Field Length Limit Exceeded"},
    {0xC9, "IPMI: Parameter Out Of Range"},
    {0xCA, "IPMI: Returned Data (Read) Truncated"},
    {0xCB, "IPMI: Requested Sensor Not Found"},
    {0xCC, "IPMI: Invalid Data Field In Request"},
    {0xCD, "IPMI: Illegal Command For Sensor Or Record Type"},
    {0xCE, "IPMI: Command Response Could Not Be Provided"},
    {0xFF, "IPMI: Unspecified Error"},
    {0x7B, "IPMI: Access To I2C Bus Disabled"},
    {0x7C, "IPMI: SDR Or SEL Pointers Initialized"},
    {0x7E, "IPMI: Command Supported But Not Implemented"},
};

const char* FormatCompletionCode(int nCompletionCode) {
  static char s_szText[100];
  snprintf(s_szText, sizeof(s_szText), "Unknown IPMI Completion Code (0x%.4x)",
           (unsigned)nCompletionCode);
  for (int i = 0; i < COMPLETION_CODE_TABLE_ROWS; i++) {
    if (CompletionCodeTable[i].nCode == nCompletionCode) {
      snprintf(s_szText, sizeof(s_szText), "%s (0x%.4x)", CompletionCodeTable[i].pszText,
               (unsigned)nCompletionCode);
      break;
    }
  }
  return s_szText;
}
