#include <gtest/gtest.h>

#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/scsi/device_handle.h"

namespace {

TEST(DeviceHandle, ClosedObjectMakesNoSystemCall) {
  {
    CDeviceHandle device;
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.Close(), 0u);
    BYTE ab[8];
    EXPECT_EQ(device.IoControl(IOCTL_SCSI_GET_ADDRESS, ab, 8, 8), 55u);
    EXPECT_EQ(device.IoControlDir(IOCTL_SCSI_PASS_THROUGH, ab, 0, 0), 55u);
  }
  EXPECT_EQ(sim::call_count("CloseHandle"), 0u);
  EXPECT_EQ(sim::call_count("DeviceIoControl"), 0u);
}

TEST(DeviceHandle, MissingDeviceStaysClosed) {
  CDeviceHandle device;
  EXPECT_EQ(device.Open("\\\\.\\SCSI0:", DEVICE_READ), 2u);
  EXPECT_FALSE(device.IsOpen());
  BYTE ab[8];
  EXPECT_EQ(device.IoControl(IOCTL_SCSI_GET_ADDRESS, ab, 0, 8), 55u);
}

TEST(DeviceHandle, ZeroSizesPassNullBuffers) {
  int port = sim::scsi().add_port(sim::DriverModel::Standard);
  sim::scsi().add_target(port, 0, 1);
  CDeviceHandle device;
  ASSERT_EQ(device.Open("\\\\.\\PhysicalDrive0", 0), 0u);
  BYTE ab[8] = {};
  struct Case {
    DWORD dwDirection;
    bool bInNull, bOutNull;
  } cases[] = {{0, true, true}, {XFER_TO_DEVICE, false, true}, {XFER_FROM_DEVICE, true, false},
               {XFER_TO_DEVICE | XFER_FROM_DEVICE, false, false}};
  for (const Case& c : cases) {
    device.IoControlDir(IOCTL_SCSI_GET_ADDRESS, ab, sizeof(ab), c.dwDirection);
    auto request = sim::scsi().last_request();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->in_null, c.bInNull) << c.dwDirection;
    EXPECT_EQ(request->out_null, c.bOutNull) << c.dwDirection;
    EXPECT_EQ(request->in_size, c.bInNull ? 0u : 8u);
    EXPECT_EQ(request->out_size, c.bOutNull ? 0u : 8u);
  }
  EXPECT_EQ(device.Close(), 0u);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
}

TEST(DeviceHandle, FailuresComeBackAsWin32Codes) {
  sim::scsi().add_port(sim::DriverModel::Standard);
  CDeviceHandle device;
  sim::fail_call("CreateFileA", 5);
  EXPECT_EQ(device.Open("\\\\.\\SCSI0:", DEVICE_READ | DEVICE_WRITE), 5u);
  ASSERT_EQ(device.Open("\\\\.\\SCSI0:", DEVICE_READ | DEVICE_WRITE), 0u);
  BYTE ab[8];
  sim::fail_call("DeviceIoControl", 87);
  EXPECT_EQ(device.IoControl(IOCTL_SCSI_PASS_THROUGH, ab, 8, 8), 87u);
  sim::fail_call("CloseHandle", 6);
  EXPECT_EQ(device.Close(), 6u);
  EXPECT_FALSE(device.IsOpen());
}

}  // namespace
