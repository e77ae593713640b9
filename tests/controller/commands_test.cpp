// The single-message IPMI device commands and the translation of transport
// failures under each command's name.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "controller_fixture.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Commands : public ControllerTest {};

TEST_F(Commands, GetDeviceIDReturnsTheRecord) {
  device->set_device_id({0x21, 0x02, 0x03, 0x04, 0x51, 0x80});
  DeviceResponse r = api.GetDeviceID();
  EXPECT_EQ(r.completionCode, 0);
  EXPECT_EQ(r.deviceId, 0x21);
  EXPECT_EQ(r.firmwareRevision2, 0x04);
  EXPECT_EQ(r.additionalDeviceSupport, 0x80);
}

TEST_F(Commands, ShortGetDeviceIDAnswerReadsZeroBeyondWhatArrived) {
  device->set_answer(0x06, 0x01, {0x00, 0x21});
  DeviceResponse r = api.GetDeviceID();
  EXPECT_EQ(r.deviceId, 0x21);
  EXPECT_EQ(r.deviceRevision, 0);
  EXPECT_EQ(r.additionalDeviceSupport, 0);
}

TEST_F(Commands, SelfTestAndFruInfoRecords) {
  device->set_fru_area(0x0123, true);
  TestResultsResponse t = api.GetSelfTestResults();
  EXPECT_EQ(t.selfTestResult, 0x55);
  FRUInfoResponse f = api.GetFRUInventoryAreaInfo();
  // A copy: the packed record's 16-bit field may sit on an odd address,
  // where a reference to it must not bind.
  const WORD wAreaSize = f.fruInventoryAreaSize;
  EXPECT_EQ(wAreaSize, 0x0123);
  EXPECT_EQ(f.accessType, 1);
}

TEST_F(Commands, ColdResetReturnsTenSecondsAfterTheWriteWithoutAnAnswer) {
  device->set_answering(false);
  api.ColdReset();
  EXPECT_EQ(sim::now_ms(), 50u + 10000u);
  EXPECT_EQ(sim::bus_exchange_count(), 1u);
  EXPECT_EQ(sim::call_count("QBX_IsSMSDataAvailable"), 0u);
  EXPECT_EQ(device->requests().at(0).command, 0x02);
}

TEST_F(Commands, WarmResetAndMfgTestOnSendTheirCommands) {
  api.WarmReset();
  api.MfgTestOn();
  std::vector<sim::IpmbRequest> requests = device->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].command, 0x03);
  EXPECT_EQ(requests[1].command, 0x05);
  EXPECT_EQ(requests[1].net_fn, 0x06);
}

struct CommandCase {
  const char* name;
  uint8_t net_fn;
  uint8_t command;
  std::function<void(CIpmApi&)> call;
  const char* cc_condition;  // empty: the command reads no answer
  int answer_length;         // completion code included; 0: no answer read
};

std::vector<CommandCase> SingleMessageCommands() {
  return {
      {"GetDeviceID", 0x06, 0x01, [](CIpmApi& a) { a.GetDeviceID(); },
       "if ( DeviceResponse.completionCode != IMB_CC_NO_ERROR )", 7},
      {"ColdReset", 0x06, 0x02, [](CIpmApi& a) { a.ColdReset(); }, "", 0},
      {"WarmReset", 0x06, 0x03, [](CIpmApi& a) { a.WarmReset(); },
       "if ( ResetResponse.completionCode != IMB_CC_NO_ERROR )", 1},
      {"GetSelfTestResults", 0x06, 0x04, [](CIpmApi& a) { a.GetSelfTestResults(); },
       "if ( TestResultsResponse.completionCode != IMB_CC_NO_ERROR )", 2},
      {"MfgTestOn", 0x06, 0x05, [](CIpmApi& a) { a.MfgTestOn(); },
       "if ( MfgTestResponse.completionCode != IMB_CC_NO_ERROR )", 1},
      {"GetFRUInventoryAreaInfo", 0x0A, 0x10, [](CIpmApi& a) { a.GetFRUInventoryAreaInfo(); },
       "if ( FRUInfoResponse.completionCode != IMB_CC_NO_ERROR )", 4},
      {"ReadFRUInventoryData", 0x0A, 0x11,
       [](CIpmApi& a) { a.ReadFRUInventoryData(ReadFRURequest{0, 4}); },
       "if ( ReadFRUResponse.completionCode != IMB_CC_NO_ERROR )", 25},
      {"WriteFRUInventoryData", 0x0A, 0x12,
       [](CIpmApi& a) {
         WriteFRURequest request = {};
         request.bCount = 4;
         a.WriteFRUInventoryData(request);
       },
       "if ( WriteFRUResponse.completionCode != IMB_CC_NO_ERROR )", 2},
  };
}

class SingleMessage : public ControllerTest, public testing::WithParamInterface<CommandCase> {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    device->set_fru_area(64, false);
  }
};

TEST_P(SingleMessage, PersistentCompletionCodeIsAFirmwareErrorUnderItsName) {
  const CommandCase& c = GetParam();
  if (!*c.cc_condition) GTEST_SKIP() << "reads no answer";
  device->inject({sim::IpmbFault::completion_code, 0xC1}, 1, 0);
  Caught caught = CatchFrom([&] { c.call(api); });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.function, c.name);
  EXPECT_EQ(caught.condition, c.cc_condition);
  EXPECT_EQ(caught.message, "IPMI: Invalid Command (0x00c1)");
  EXPECT_EQ(device->exchanges(), 11u);
}

TEST_P(SingleMessage, QbxFailureStaysFirmwareErrorUnderItsName) {
  const CommandCase& c = GetParam();
  sim::fail_call("QBX_MasterWriteI2C", 0x0002, 1, 0);
  Caught caught = CatchFrom([&] { c.call(api); });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.function, c.name);
  EXPECT_EQ(caught.condition, "QBX_MasterWriteI2C");
  EXPECT_EQ(caught.message, "QBX: Bus Error (0x0002)");
}

TEST_P(SingleMessage, ChecksumFailureLeavesAsPlainIpmApiException) {
  const CommandCase& c = GetParam();
  if (!c.answer_length) GTEST_SKIP() << "reads no answer";
  device->inject({sim::IpmbFault::bad_checksum1}, 1, 0);
  Caught caught = CatchFrom([&] { c.call(api); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, c.name);
  EXPECT_EQ(caught.condition, "if ( pResponse->checksum1 != Checksum )");
  EXPECT_EQ(caught.message, "Checksum1 is invalid");
}

TEST_P(SingleMessage, AnswerLongerThanTheRecordIsRefused) {
  const CommandCase& c = GetParam();
  if (!c.answer_length) GTEST_SKIP() << "reads no answer";
  device->set_answer(c.net_fn, c.command, Bytes(c.answer_length + 1, 0x00));
  Caught caught = CatchFrom([&] { c.call(api); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, c.name);
  EXPECT_EQ(caught.message, "Insufficient space to store SMS Message Buffer");
}

TEST_P(SingleMessage, SendsItsNetFnAndCommand) {
  const CommandCase& c = GetParam();
  c.call(api);
  ASSERT_EQ(device->requests().size(), 1u);
  EXPECT_EQ(device->requests()[0].net_fn, c.net_fn);
  EXPECT_EQ(device->requests()[0].command, c.command);
}

INSTANTIATE_TEST_SUITE_P(Slots, SingleMessage, testing::ValuesIn(SingleMessageCommands()),
                         [](const testing::TestParamInfo<CommandCase>& info) {
                           return info.param.name;
                         });

}  // namespace
