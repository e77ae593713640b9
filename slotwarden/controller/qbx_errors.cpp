// QBXAPI status texts and ThrowQBXError.
#include <cstdio>

#include "platform/qbxapi.h"
#include "slotwarden/controller/error_texts.h"
#include "slotwarden/controller/exceptions.h"

const QBXErrorEntry QBXErrorTable[QBX_ERROR_TABLE_ROWS] = {
    {0x0100, "QBX: Device Driver Failure"},
    {0x0101, "QBX: Device Driver Time Out"},
    {0x0102, "QBX: Device Driver Already in Use"},
    {0x0103, "QBX: No Hardware Found During Driver Open"},
    {0x0104, "QBX: Unable to Allocate Space for Buffers"},
    {0x0105, "QBX: Parameters Incorrectly Loaded"},
    {0x0106, "QBX: Device Driver Returned Bad Data"},
    {0x0107, "QBX: Output Buffer Too Small"},
    {0x0001, "QBX: Lost Arbitration"},
    {0x0002, "QBX: Bus Error"},
    {0x0003, "QBX: Write Not Acknowledged"},
    {0x0004, "QBX: Read Truncated"},
    {0x0005, "QBX: Slave Address Not Acknowledged"},
    {0x00C0, "QBX: Node Busy"},
    {0x00C1, "QBX: Invalid Command"},
    {0x00C2, "QBX: Invalid Command For Given LUN"},
    {0x00C3, "QBX: Time-out While Processing Command"},
    {0x00C4, "QBX: Out of Space"},
    {0x00C5, "QBX: Reservation Cancelled"},
    {0x00C6, "QBX: Request Data Truncated"},
    {0x00C7, "QBX: Request Data Length Invalid"},
    {0x00C8, "QBX: Request Data Field Length Limit Exceeded"},
    {0x00C9, "QBX: Parameter Out Of Range"},
    {0x00CA, "QBX: Returned Data (Read) Truncated"},
    {0x00CB, "QBX: Requested Sensor Not Found"},
    {0x00CC, "QBX: Invalid Data Field In Request"},
    {0x00CD, "QBX: Illegal Command For Sensor Or Record Type"},
    {0x00CE, "QBX: Command Response Could Not Be Provided"},
    {0x00FF, "QBX: Unspecified Error"},
    {0x007B, "QBX: Access To I2C Bus Disabled"},
    {0x007C, "QBX: SDR Or SEL Pointers Initialized"},
    {0x007E, "QBX: Command Supported But Not Implemented"},
};

void ThrowQBXError(int nError, const char* pszFunction, const char* pszCondition) {
  // The device is closed first, whichever call failed.
  QBX_CloseDevice();

  char szMessage[100];
  snprintf(szMessage, sizeof(szMessage), "Unknown QBX Error (0x%.4x)", (unsigned)nError);
  for (int i = 0; i < QBX_ERROR_TABLE_ROWS; i++) {
    if (QBXErrorTable[i].nCode == nError) {
      snprintf(szMessage, sizeof(szMessage), "%s (0x%.4x)", QBXErrorTable[i].pszText,
               (unsigned)nError);
      break;
    }
  }
  throw CIpmApiExceptionFWError(pszFunction, pszCondition, szMessage);
}
