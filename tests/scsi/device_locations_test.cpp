#include <gtest/gtest.h>

#include <string>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "tests/scsi/scsi_fixture.h"

namespace {

class LocationCache : public ScsiTest {
 protected:
  std::string NameFor(int nPort, int nChannel, int nTarget) {
    char sz[DEVICE_NAME_BUFFER_SIZE];
    int n = GetDeviceNameForLocation(nPort, nChannel, nTarget, sz);
    EXPECT_EQ(n, (int)strlen(sz));
    return sz;
  }
};

TEST_F(LocationCache, NameOfTheClaimingDeviceOrThePort) {
  int port = AddPort(sim::DriverModel::Standard, 2);
  sim::scsi().add_target(port, 0, 1);
  sim::scsi().add_target(port, 1, 2);
  sim::scsi().add_target(port, 1, 4, {sim::DeviceType::Scanner});
  EXPECT_EQ(NameFor(port, 1, 2), "\\\\.\\PhysicalDrive1");
  EXPECT_EQ(NameFor(port, 1, 4), "\\\\.\\Scanner0");
  EXPECT_EQ(NameFor(port, 0, 3), "\\\\.\\SCSI0:");
  EXPECT_EQ(g_nDeviceLocations, 3u);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
}

TEST_F(LocationCache, ChannelWildcardMatchesTheFirstEntryOfThatTarget) {
  int port = AddPort(sim::DriverModel::Standard, 3);
  sim::scsi().add_target(port, 2, 5);
  sim::scsi().add_target(port, 1, 5);
  sim::scsi().add_target(port, 0, 6);
  RefreshDeviceLocations();
  int nIndex = -1;
  ASSERT_TRUE(FindDeviceLocation((BYTE)port, 0xFF, 5, &nIndex));
  EXPECT_EQ(g_aDeviceLocations[nIndex].Address.PathId, 2);  // PhysicalDrive0, found first
  EXPECT_FALSE(FindDeviceLocation((BYTE)port, 0xFF, 7, NULL));
}

TEST_F(LocationCache, AgeOfFortySecondsOnTheVirtualClock) {
  int port = AddPort(sim::DriverModel::Standard);
  sim::scsi().add_target(port, 0, 1);
  RefreshDeviceLocations();
  const uint64_t probes = sim::call_count("CreateFileA");
  sim::advance(39000);
  RefreshDeviceLocations();
  EXPECT_EQ(sim::call_count("CreateFileA"), probes);
  sim::advance(1000);
  RefreshDeviceLocations();
  EXPECT_GT(sim::call_count("CreateFileA"), probes);
}

TEST_F(LocationCache, AgeSurvivesTheTickCountWrapping) {
  sim::set_tick_base(0xFFFFF000);
  int port = AddPort(sim::DriverModel::Standard);
  sim::scsi().add_target(port, 0, 1);
  RefreshDeviceLocations();
  const uint64_t probes = sim::call_count("CreateFileA");
  sim::advance(10000);  // past 2^32
  RefreshDeviceLocations();
  EXPECT_EQ(sim::call_count("CreateFileA"), probes);
}

TEST_F(LocationCache, MissingDiskOneStopsTheDiskProbe) {
  int port = AddPort(sim::DriverModel::Standard);
  sim::scsi().add_target(port, 0, 0, {sim::DeviceType::Disk, 0, 0, true, 0});
  sim::scsi().add_target(port, 0, 2, {sim::DeviceType::Disk, 0, 0, true, 2});
  sim::scsi().add_target(port, 0, 3, {sim::DeviceType::Scanner});
  RefreshDeviceLocations();
  ASSERT_EQ(g_nDeviceLocations, 2u);
  EXPECT_EQ(g_aDeviceLocations[0].nDeviceNumber, 0);
  EXPECT_EQ(g_aDeviceLocations[1].nKind, 1);
  EXPECT_FALSE(FindDeviceLocation((BYTE)port, 0, 2, NULL));
}

TEST_F(LocationCache, DeviceWithoutAddressIsSkipped) {
  int port = AddPort(sim::DriverModel::Standard);
  sim::TargetSpec silent;
  silent.answers_address = false;
  sim::scsi().add_target(port, 0, 0, silent);
  sim::scsi().add_target(port, 0, 1);
  RefreshDeviceLocations();
  ASSERT_EQ(g_nDeviceLocations, 1u);
  EXPECT_EQ(g_aDeviceLocations[0].nDeviceNumber, 1);
}

TEST_F(LocationCache, KeepsTheFirstTwentyFourDisksBeforeScanners) {
  int port = AddPort(sim::DriverModel::Standard, 2);
  for (int t = 0; t < 16; ++t) sim::scsi().add_target(port, 0, t);
  for (int t = 0; t < 9; ++t) sim::scsi().add_target(port, 1, t);
  sim::scsi().add_target(port, 1, 10, {sim::DeviceType::Scanner});
  RefreshDeviceLocations();
  ASSERT_EQ(g_nDeviceLocations, MAX_DEVICE_LOCATIONS);
  for (DWORD i = 0; i < MAX_DEVICE_LOCATIONS; ++i) {
    EXPECT_EQ(g_aDeviceLocations[i].nKind, 0);
    EXPECT_EQ(g_aDeviceLocations[i].nDeviceNumber, (int)i);
  }
  EXPECT_FALSE(FindDeviceLocation((BYTE)port, 1, 8, NULL));  // PhysicalDrive24, dropped
}

}  // namespace
