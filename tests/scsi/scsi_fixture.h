// A test fixture for the SCSI subsystem on the simulated host: the
// process-wide adapter list and location cache start over with the machine.
#ifndef TESTS_SCSI_SCSI_FIXTURE_H
#define TESTS_SCSI_SCSI_FIXTURE_H

#include <gtest/gtest.h>

#include "sim/core/machine.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"

class ScsiTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetDeviceLocations();
    g_AdapterList.Reload();
  }
  void TearDown() override { ResetDeviceLocations(); }

  // A fresh machine within one test case, for a table of machines.
  void Restart() {
    sim::reset();
    SetUp();
  }

  // Adds a port to the simulated host and has the adapter list read the map.
  int AddPort(sim::DriverModel model, int buses = 1, const std::string& driver = {}) {
    int port = sim::scsi().add_port(model, buses, driver);
    g_AdapterList.Reload();
    return port;
  }
};

#endif  // TESTS_SCSI_SCSI_FIXTURE_H
