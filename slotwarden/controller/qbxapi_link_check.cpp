// Build-time check: the controller layer links against QBXAPI.dll's import
// library with every function it calls. Never run.
#include "slotwarden/controller/ipm_api.h"

int main() {
  CIpmApi Device;
  Device.SetSlaveAddress(0x9C);
  DeviceResponse Response = Device.GetDeviceID();
  Device.ColdReset();
  return Response.completionCode;
}
