// A generic IPMI device at 0x9C on the simulated bus and a CIpmApi bound to
// it; every test ends with the controller device closed.
#ifndef TESTS_CONTROLLER_CONTROLLER_FIXTURE_H
#define TESTS_CONTROLLER_CONTROLLER_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/controller/ipmi_device.h"
#include "sim/core/handles.h"
#include "slotwarden/controller/exceptions.h"
#include "slotwarden/controller/ipm_api.h"

// What left an operation: the class caught first, by the system's order.
struct Caught {
  std::string kind;  // "none", "FWError", "InvalidChecksum", "IpmApi", "Tessark", "TessarkFWError"
  std::string function;
  std::string condition;
  std::string message;
};

template <class Operation>
Caught CatchFrom(Operation operation) {
  try {
    operation();
  } catch (CTessarkExceptionFWError e) {
    return {"TessarkFWError", e.m_pszFunction, e.m_pszCondition, e.m_pszMessage};
  } catch (CTessarkException e) {
    return {"Tessark", e.m_pszFunction, e.m_pszCondition, e.m_pszMessage};
  } catch (CIpmApiExceptionFWError e) {
    return {"FWError", e.m_pszFunction, e.m_pszCondition, e.m_pszMessage};
  } catch (CIpmApiExceptionInvalidChecksum e) {
    return {"InvalidChecksum", e.m_pszFunction, e.m_pszCondition, e.m_pszMessage};
  } catch (CIpmApiException e) {
    return {"IpmApi", e.m_pszFunction, e.m_pszCondition, e.m_pszMessage};
  }
  return {"none", "", "", ""};
}

class ControllerTest : public testing::Test {
 protected:
  void SetUp() override {
    device = std::make_shared<sim::IpmiDevice>(0x9C);
    sim::attach_i2c_device(0x9C, device);
    api.SetSlaveAddress(0x9C);
  }
  void TearDown() override {
    EXPECT_FALSE(sim::qbx_device_stats().open) << "controller device left open";
    EXPECT_EQ(sim::open_handle_count("qbx"), 0u);
  }

  std::shared_ptr<sim::IpmiDevice> device;
  CIpmApi api;
};

#endif  // TESTS_CONTROLLER_CONTROLLER_FIXTURE_H
