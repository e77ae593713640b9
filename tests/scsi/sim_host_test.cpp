// The simulated SCSI host's own checks: what a real driver would refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "sim/core/clock.h"
#include "sim/core/handles.h"
#include "sim/core/registry.h"
#include "sim/scsi/scsi_host.h"

namespace {

HANDLE OpenDevice(const char* pszName, DWORD dwAccess = GENERIC_READ | GENERIC_WRITE) {
  return CreateFileA(pszName, dwAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                     0, NULL);
}

DWORD Send(HANDLE h, DWORD dwCode, std::vector<uint8_t>& buffer, DWORD cbIn, DWORD cbOut) {
  DWORD cb = 0;
  if (DeviceIoControl(h, dwCode, buffer.data(), cbIn, buffer.data(), cbOut, &cb, NULL)) return 0;
  return GetLastError();
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}

TEST(SimScsiHost, WritesTheDeviceMap) {
  sim::scsi().add_port(sim::DriverModel::Mylex, 2);
  const std::string key = "HKLM\\HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 0";
  EXPECT_EQ(sim::registry().string(key, "Driver"), "dac960nt");
  EXPECT_TRUE(sim::registry().key_exists(key + "\\Scsi Bus 1"));
  EXPECT_FALSE(sim::registry().key_exists(key + "\\Scsi Bus 2"));
}

TEST(SimScsiHost, DeviceNamespace) {
  sim::scsi().add_port(sim::DriverModel::Standard);
  sim::scsi().add_port(sim::DriverModel::Tarn);
  sim::TargetSpec later;
  later.visible_from_ms = 1000;
  sim::scsi().add_target(0, 0, 1, later);
  struct Case {
    const char* pszName;
    bool bExists;
  } cases[] = {{"\\\\.\\SCSI0:", true},        {"\\\\.\\scsi1:", true},
               {"\\\\.\\SCSI2:", false},       {"\\\\.\\SCSI0", false},
               {"\\\\.\\TRN0", true},          {"\\\\.\\TRN1", false},
               {"\\\\.\\PhysicalDrive0", false}, {"C:\\fernway.log", false}};
  for (const Case& c : cases) {
    HANDLE h = OpenDevice(c.pszName);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.bExists) << c.pszName;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  sim::advance(1000);
  HANDLE h = OpenDevice("\\\\.\\PhysicalDrive0", 0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::vector<uint8_t> address(8);
  EXPECT_EQ(Send(h, IOCTL_SCSI_GET_ADDRESS, address, 0, 8), 0u);
  EXPECT_EQ(address, (std::vector<uint8_t>{8, 0, 0, 0, 0, 0, 1, 0}));
  // A pass-through needs read and write access.
  std::vector<uint8_t> request(200);
  EXPECT_EQ(Send(h, IOCTL_SCSI_PASS_THROUGH, request, 44, 200), (DWORD)ERROR_ACCESS_DENIED);
  CloseHandle(h);
}

TEST(SimScsiHost, RaidDriversCheckTheDataAddress) {
  sim::scsi().add_port(sim::DriverModel::Ami);
  sim::scsi().add_target(0, 0, 1);
  HANDLE h = OpenDevice("\\\\.\\SCSI0:");
  std::vector<uint8_t> b(96 + 240);
  Put32(b, 0, 28);
  Put32(b, 24, 68 + 240);
  b[28] = 3;
  b[39] = 1;
  b[42] = 0x12;
  b[46] = 240;
  b[52] = 6;
  b[53] = 32;
  Put32(b, 92, 240);
  Put32(b, 88, (uint32_t)(uintptr_t)(b.data() + 95));  // one byte off
  EXPECT_EQ(Send(h, IOCTL_SCSI_MINIPORT, b, (DWORD)b.size(), (DWORD)b.size()),
            (DWORD)ERROR_INVALID_PARAMETER);
  Put32(b, 88, (uint32_t)(uintptr_t)(b.data() + 96));
  EXPECT_EQ(Send(h, IOCTL_SCSI_MINIPORT, b, (DWORD)b.size(), (DWORD)b.size()), 0u);
  EXPECT_EQ(b[29], 0);
  EXPECT_EQ(b[96], 0x00);
  EXPECT_EQ(std::memcmp(&b[96 + 8], "OSTRAVAL", 8), 0);
  // A data length past the request's end is refused.
  Put32(b, 92, 241);
  EXPECT_EQ(Send(h, IOCTL_SCSI_MINIPORT, b, (DWORD)b.size(), (DWORD)b.size()),
            (DWORD)ERROR_INVALID_PARAMETER);
  CloseHandle(h);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
}

TEST(SimScsiHost, PassThroughChecksItsOffsets) {
  sim::scsi().add_port(sim::DriverModel::Standard);
  sim::scsi().add_target(0, 0, 1, {sim::DeviceType::Disk, 0, 0, false});
  HANDLE h = OpenDevice("\\\\.\\SCSI0:");
  std::vector<uint8_t> b(160 + 36);
  auto request = [&](uint32_t dataOffset) {
    std::fill(b.begin(), b.end(), 0);
    b[0] = 44;
    b[4] = 1;
    b[6] = 6;
    b[7] = 32;
    b[8] = 1;
    Put32(b, 12, 36);
    Put32(b, 16, 5000);
    Put32(b, 20, dataOffset);
    Put32(b, 24, 44);
    b[28] = 0x12;
    b[32] = 36;
  };
  request(160);
  EXPECT_EQ(Send(h, IOCTL_SCSI_PASS_THROUGH, b, 44, (DWORD)b.size()), 0u);
  EXPECT_EQ(b[2], 0);
  EXPECT_EQ(b[160 + 8], 'O');
  request(161);  // the data would end past the output buffer
  EXPECT_EQ(Send(h, IOCTL_SCSI_PASS_THROUGH, b, 44, (DWORD)b.size()),
            (DWORD)ERROR_INVALID_PARAMETER);
  request(60);  // the data would overlap the sense area
  EXPECT_EQ(Send(h, IOCTL_SCSI_PASS_THROUGH, b, 44, (DWORD)b.size()),
            (DWORD)ERROR_INVALID_PARAMETER);
  CloseHandle(h);
}

}  // namespace
