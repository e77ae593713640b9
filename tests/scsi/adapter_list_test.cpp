#include <gtest/gtest.h>

#include <string>

#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/registry.h"
#include "tests/scsi/scsi_fixture.h"

namespace {

const std::string kMap = "HKLM\\HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port ";

void AddPortKey(int nPort, const std::string& driver, std::initializer_list<int> buses) {
  sim::registry().set_string(kMap + std::to_string(nPort), "Driver", driver);
  for (int b : buses) {
    sim::registry().create_key(kMap + std::to_string(nPort) + "\\Scsi Bus " + std::to_string(b));
  }
}

using AdapterList = ScsiTest;

TEST_F(AdapterList, ReadsPortsFromTheSimulatedHost) {
  AddPort(sim::DriverModel::Ami, 2);
  AddPort(sim::DriverModel::Tarn, 3);
  AddPort(sim::DriverModel::Standard, 1, "atapi");
  ASSERT_EQ(g_AdapterList.GetPortCount(), 3u);
  PortInfo info;
  ASSERT_TRUE(g_AdapterList.GetPortInfo(0, &info));
  EXPECT_EQ(info.dwFamily, ADAPTER_FAMILY_AMI);
  EXPECT_EQ(info.dwBusCount, 2u);
  ASSERT_TRUE(g_AdapterList.GetPortInfo(1, &info));
  EXPECT_EQ(info.dwFamily, ADAPTER_FAMILY_TARN);
  EXPECT_EQ(info.dwBusCount, 3u);
  ASSERT_TRUE(g_AdapterList.GetPortInfo(2, &info));
  EXPECT_EQ(info.dwFamily, ADAPTER_FAMILY_ATAPI);
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

TEST_F(AdapterList, StopsAtTheFirstMissingPort) {
  AddPortKey(0, "aic78xx", {0});
  AddPortKey(2, "aic78xx", {0});
  g_AdapterList.Reload();
  EXPECT_EQ(g_AdapterList.GetPortCount(), 1u);
}

TEST_F(AdapterList, BusCountEndsAtTheFirstMissingBus) {
  AddPortKey(0, "aic78xx", {0, 1});
  AddPortKey(1, "aic78xx", {1});
  g_AdapterList.Reload();
  PortInfo info;
  ASSERT_TRUE(g_AdapterList.GetPortInfo(0, &info));
  EXPECT_EQ(info.dwBusCount, 2u);
  ASSERT_TRUE(g_AdapterList.GetPortInfo(1, &info));
  EXPECT_EQ(info.dwBusCount, 0u);
}

TEST_F(AdapterList, IndexPastTheLastPortLeavesInfoUntouched) {
  AddPort(sim::DriverModel::Mylex, 1);
  PortInfo info = {77, 88};
  EXPECT_FALSE(g_AdapterList.GetPortInfo(1, &info));
  EXPECT_EQ(info.dwFamily, 77u);
  EXPECT_EQ(info.dwBusCount, 88u);
}

TEST_F(AdapterList, PortWithoutDriverValueEndsTheList) {
  AddPortKey(0, "mraidnt", {0});
  sim::registry().create_key(kMap + "1");
  AddPortKey(2, "mraidnt", {0});
  g_AdapterList.Reload();
  EXPECT_EQ(g_AdapterList.GetPortCount(), 1u);
}

TEST_F(AdapterList, DriverValueOfEightyBytesWithoutTerminator) {
  std::string name(80, 'x');
  name.replace(0, 5, "atapi");
  sim::registry().set_value(kMap + "0", "Driver", REG_SZ,
                            std::vector<uint8_t>(name.begin(), name.end()));
  g_AdapterList.Reload();
  PortInfo info;
  ASSERT_TRUE(g_AdapterList.GetPortInfo(0, &info));
  EXPECT_EQ(info.dwFamily, ADAPTER_FAMILY_ATAPI);
}

TEST_F(AdapterList, NoMoreThanTenPorts) {
  for (int n = 0; n < 12; ++n) AddPortKey(n, "aic78xx", {0});
  g_AdapterList.Reload();
  EXPECT_EQ(g_AdapterList.GetPortCount(), MAX_SCSI_PORTS);
}

TEST_F(AdapterList, EmptyListIsScannedAgainAtTheNextLookup) {
  g_AdapterList.Reload();
  EXPECT_EQ(g_AdapterList.GetPortCount(), 0u);
  EXPECT_FALSE(g_AdapterList.GetPortInfo(0, NULL));
  sim::scsi().add_port(sim::DriverModel::Standard);
  EXPECT_TRUE(g_AdapterList.GetPortInfo(0, NULL));
  EXPECT_EQ(g_AdapterList.GetPortCount(), 1u);
  // Once ports are known the map is not read again.
  sim::scsi().add_port(sim::DriverModel::Standard);
  EXPECT_FALSE(g_AdapterList.GetPortInfo(1, NULL));
}

}  // namespace
