// The cage's own commands and the exception translation of the wrapped
// IPMI commands.
#include <gtest/gtest.h>

#include <functional>

#include "../controller/controller_fixture.h"
#include "sim/cages/cage.h"
#include "sim/core/faults.h"
#include "slotwarden/cages/tessark_cage.h"

namespace {

class CageTest : public testing::Test {
 protected:
  void SetUp() override {
    cage = sim::attach_cage(0x9C);
    tessark.SetSlaveAddress(0x9C);
  }
  void TearDown() override { EXPECT_EQ(sim::open_handle_count("qbx"), 0u); }

  std::shared_ptr<sim::Cage> cage;
  CTessarkCage tessark;
};

struct BaseCase {
  uint8_t raw;
  BYTE code;
};

class BaseAddress : public CageTest, public testing::WithParamInterface<BaseCase> {};

TEST_P(BaseAddress, UsesTheTwoLowBits) {
  cage->set_base_address_byte(GetParam().raw);
  EXPECT_EQ(tessark.GetCageBaseSCSIAddress(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Bytes, BaseAddress,
                         testing::Values(BaseCase{0x00, 0}, BaseCase{0x01, 0}, BaseCase{0x04, 0},
                                         BaseCase{0x05, 0}, BaseCase{0x02, 2}, BaseCase{0xFE, 2},
                                         BaseCase{0x03, 3}, BaseCase{0xFF, 3}));

TEST_F(CageTest, SlotSevenIsSentAsEight) {
  cage->set_occupied_slots(0x80);
  EXPECT_NE(tessark.IsDrivePresent(7), 0);
  EXPECT_EQ(tessark.IsDrivePresent(6), 0);
  EXPECT_EQ(cage->requests().at(0).data, std::vector<uint8_t>{8});
  EXPECT_EQ(cage->requests().at(0).command, 0x1F);
}

TEST_F(CageTest, SlotEightThrowsBeforeAnyIo) {
  Caught caught = CatchFrom([&] { tessark.IsDrivePresent(8); });
  EXPECT_EQ(caught.kind, "Tessark");
  EXPECT_EQ(caught.function, "IsDrivePresent");
  EXPECT_EQ(caught.condition, "if ( bSlotNumber > 7 )");
  EXPECT_EQ(caught.message, "bSlotNumber outside valid range");
  EXPECT_EQ(sim::call_count(), 0u);
}

TEST_F(CageTest, LatchIsReadAndCleared) {
  cage->set_latch(0x24);
  EXPECT_EQ(tessark.GetDriveActivityLatch(), 0x24);
  tessark.ClearDriveActivityLatch();
  EXPECT_EQ(cage->latch(), 0);
  EXPECT_EQ(tessark.GetDriveActivityLatch(), 0);
}

TEST_F(CageTest, BackplaneStatusIsPassedOnAsReceived) {
  cage->set_backplane_status(0xA5);
  EXPECT_EQ(tessark.GetBackplaneStatus(), 0xA5);
}

TEST_F(CageTest, AnswerOfOnlyTheCompletionCodeReadsAsZero) {
  cage->set_latch(0xFF);
  cage->set_answer(0x06, 0x2D, {0x00});
  EXPECT_EQ(tessark.GetDriveActivityLatch(), 0);
}

TEST_F(CageTest, PersistentCompletionCodeOnTheLatchIsAFirmwareError) {
  cage->inject({sim::IpmbFault::completion_code, 0xC1}, 1, 0);
  Caught caught = CatchFrom([&] { tessark.GetDriveActivityLatch(); });
  EXPECT_EQ(caught.kind, "TessarkFWError");
  EXPECT_EQ(caught.function, "GetDriveActivityLatch");
  EXPECT_EQ(caught.condition, "if ( pbResponseData[0] != IMB_CC_NO_ERROR )");
  EXPECT_EQ(caught.message, "IPMI: Invalid Command (0x00c1)");
  EXPECT_EQ(cage->exchanges(), 11u);
}

struct OwnCommand {
  const char* name;
  std::function<void(CTessarkCage&)> call;
};

class OwnCommandFailure : public CageTest, public testing::WithParamInterface<OwnCommand> {};

// Any transport failure, firmware errors of QBXAPI included, is a plain
// cage exception under the cage command's name.
TEST_P(OwnCommandFailure, TransportFailureCarriesTheCommandsName) {
  cage->set_answering(false);
  Caught caught = CatchFrom([&] { GetParam().call(tessark); });
  EXPECT_EQ(caught.kind, "Tessark");
  EXPECT_EQ(caught.function, GetParam().name);
  EXPECT_EQ(caught.condition, "if ( nSMSDataRetryCount > IPMAPI_MAX_SMS_DATA_RETRIES )");
  EXPECT_EQ(caught.message, "SMS data not available");
}

TEST_P(OwnCommandFailure, QbxFailureIsNotAFirmwareErrorHere) {
  sim::fail_call("QBX_MasterWriteI2C", 0x0002, 1, 0);
  Caught caught = CatchFrom([&] { GetParam().call(tessark); });
  EXPECT_EQ(caught.kind, "Tessark");
  EXPECT_EQ(caught.function, GetParam().name);
  EXPECT_EQ(caught.condition, "QBX_MasterWriteI2C");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OwnCommandFailure,
    testing::Values(OwnCommand{"GetBackplaneStatus", [](CTessarkCage& c) { c.GetBackplaneStatus(); }},
                    OwnCommand{"IsDrivePresent", [](CTessarkCage& c) { c.IsDrivePresent(0); }},
                    OwnCommand{"GetCageBaseSCSIAddress",
                               [](CTessarkCage& c) { c.GetCageBaseSCSIAddress(); }},
                    OwnCommand{"ClearDriveActivityLatch",
                               [](CTessarkCage& c) { c.ClearDriveActivityLatch(); }},
                    OwnCommand{"GetDriveActivityLatch",
                               [](CTessarkCage& c) { c.GetDriveActivityLatch(); }}),
    [](const testing::TestParamInfo<OwnCommand>& info) { return info.param.name; });

// The wrapped commands keep the controller layer's function name; a fault on
// an inner FRU command leaves with the inner command's name.
struct Wrapped {
  const char* label;
  std::function<void(CTessarkCage&)> call;
  unsigned faulty_exchange;  // the exchange whose answer goes wrong
  const char* function;      // the name that leaves
};

class WrappedCommand : public CageTest, public testing::WithParamInterface<Wrapped> {
 protected:
  void SetUp() override {
    CageTest::SetUp();
    cage->set_fru_area(64, false);
  }
};

TEST_P(WrappedCommand, FirmwareErrorBecomesTessarkFirmwareError) {
  cage->inject({sim::IpmbFault::completion_code, 0xC9}, GetParam().faulty_exchange, 0);
  Caught caught = CatchFrom([&] { GetParam().call(tessark); });
  EXPECT_EQ(caught.kind, "TessarkFWError");
  EXPECT_EQ(caught.function, GetParam().function);
  EXPECT_EQ(caught.message, "IPMI: Parameter Out Of Range (0x00c9)");
}

TEST_P(WrappedCommand, OtherFailureBecomesTessarkException) {
  cage->inject({sim::IpmbFault::wrong_command}, GetParam().faulty_exchange, 0);
  Caught caught = CatchFrom([&] { GetParam().call(tessark); });
  EXPECT_EQ(caught.kind, "Tessark");
  EXPECT_EQ(caught.function, GetParam().function);
  EXPECT_EQ(caught.condition, "if ( pRequest->command != pResponse->command )");
}

TEST_P(WrappedCommand, QbxFailureBecomesTessarkFirmwareError) {
  sim::fail_call("QBX_ReadSMSMessageBuffer", 0x0004, GetParam().faulty_exchange, 0);
  Caught caught = CatchFrom([&] { GetParam().call(tessark); });
  EXPECT_EQ(caught.kind, "TessarkFWError");
  EXPECT_EQ(caught.function, GetParam().function);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, WrappedCommand,
    testing::Values(
        Wrapped{"GetDeviceID", [](CTessarkCage& c) { c.GetDeviceID(); }, 1, "GetDeviceID"},
        Wrapped{"WarmReset", [](CTessarkCage& c) { c.WarmReset(); }, 1, "WarmReset"},
        Wrapped{"GetSelfTestResults", [](CTessarkCage& c) { c.GetSelfTestResults(); }, 1,
                "GetSelfTestResults"},
        Wrapped{"MfgTestOn", [](CTessarkCage& c) { c.MfgTestOn(); }, 1, "MfgTestOn"},
        Wrapped{"GetFRUInventoryAreaInfo", [](CTessarkCage& c) { c.GetFRUInventoryAreaInfo(); },
                1, "GetFRUInventoryAreaInfo"},
        Wrapped{"ReadFRUInventoryData",
                [](CTessarkCage& c) { c.ReadFRUInventoryData(ReadFRURequest{0, 4}); }, 1,
                "ReadFRUInventoryData"},
        Wrapped{"WriteFRUInventoryData",
                [](CTessarkCage& c) {
                  WriteFRURequest request = {};
                  request.bCount = 2;
                  c.WriteFRUInventoryData(request);
                },
                1, "WriteFRUInventoryData"},
        Wrapped{"ReadFRUDataChunk", [](CTessarkCage& c) { c.ReadFRUData(0, 30); }, 2,
                "ReadFRUInventoryData"},
        Wrapped{"ReadFRUDataInfo", [](CTessarkCage& c) { c.ReadFRUData(0, 30); }, 1,
                "GetFRUInventoryAreaInfo"},
        Wrapped{"ReadAllFRUData", [](CTessarkCage& c) { c.ReadAllFRUData(); }, 3,
                "ReadFRUInventoryData"},
        Wrapped{"WriteFRUData",
                [](CTessarkCage& c) {
                  BYTE bytes[20] = {};
                  c.WriteFRUData(0, CByteBuffer(bytes, 20));
                },
                2, "WriteFRUInventoryData"}),
    [](const testing::TestParamInfo<Wrapped>& info) { return info.param.label; });

TEST_F(CageTest, ColdResetFailureBecomesTessarkFirmwareError) {
  sim::fail_call("QBX_MasterWriteI2C", 0x0002, 1, 0);
  Caught caught = CatchFrom([&] { tessark.ColdReset(); });
  EXPECT_EQ(caught.kind, "TessarkFWError");
  EXPECT_EQ(caught.function, "ColdReset");
}

TEST_F(CageTest, RangeCheckOfAnOuterFruCommandIsTranslatedByItsWrapper) {
  Caught caught = CatchFrom([&] { tessark.ReadFRUData(65535, 1); });
  EXPECT_EQ(caught.kind, "Tessark");
  EXPECT_EQ(caught.function, "ReadFRUData");
  EXPECT_EQ(caught.condition, "if ( ( wOffset + wCount ) > 65535 )");
}

TEST_F(CageTest, FruDataPassesThroughTheWrappers) {
  cage->set_fru_area(40, true);
  CByteBuffer data = tessark.ReadAllFRUData();
  std::vector<uint8_t> area = cage->fru_bytes();
  EXPECT_EQ(std::vector<uint8_t>(data.GetData(), data.GetData() + data.GetSize()), area);
}

}  // namespace
