// How each family's answer becomes one result code, the CDB data lengths,
// and the requests refused before anything is sent.
#include <gtest/gtest.h>

#include <vector>

#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "slotwarden/scsi/cdb_length.h"
#include "slotwarden/scsi/scsi_results.h"
#include "tests/scsi/adapters.h"
#include "tests/scsi/scsi_fixture.h"

namespace {

const BYTE kInquiry[6] = {0x12, 0, 0, 0, 0xF0, 0};

struct ResultCase {
  const char* pszName;
  sim::DriverModel model;
  // Either a status the driver answers with, or a failing device request.
  bool bInject;
  uint32_t dwStatus;
  uint8_t bScsiStatus;
  DWORD dwFailure;
  DWORD dwExpected;
};

class ResultMapping : public ScsiTest, public testing::WithParamInterface<ResultCase> {};

TEST_P(ResultMapping, AnswerBecomesTheResult) {
  const ResultCase& c = GetParam();
  int port = AddPort(c.model);
  sim::scsi().add_target(port, 0, 1, {sim::DeviceType::Disk, 0, 0, false});
  auto adapter = MakeAdapter(c.model, port);
  ASSERT_EQ(adapter->Open(), 0u);
  if (c.bInject) {
    sim::scsi().inject_status(port, c.dwStatus, c.bScsiStatus);
  } else {
    sim::fail_call("DeviceIoControl", c.dwFailure);
  }
  EXPECT_EQ(adapter->ExecuteIn(0, 1, kInquiry, 6), c.dwExpected);
}

std::string CaseName(const testing::TestParamInfo<ResultCase>& info) { return info.param.pszName; }

using M = sim::DriverModel;
INSTANTIATE_TEST_SUITE_P(
    Families, ResultMapping,
    testing::Values(ResultCase{"AmiNoDevice", M::Ami, true, 0xF0, 0, 0, 130},
                    ResultCase{"AmiCheckCondition", M::Ami, true, 0x02, 0, 0, 2},
                    ResultCase{"AmiStatusLeftPending", M::Ami, true, 0xAA, 0, 0, 170},
                    ResultCase{"AmiRequestFailsWithF0", M::Ami, false, 0, 0, 0xF0, 130},
                    ResultCase{"AmiRequestFails", M::Ami, false, 0, 0, 31, 31},
                    ResultCase{"MylexStatus14", M::Mylex, true, 0x000E, 0, 0, 130},
                    ResultCase{"MylexStatus15", M::Mylex, true, 0x000F, 0, 0, 130},
                    ResultCase{"MylexSixteenBitStatus", M::Mylex, true, 0x0105, 0, 0, 0x0105},
                    ResultCase{"MylexRequestFails14", M::Mylex, false, 0, 0, 14, 130},
                    ResultCase{"MylexRequestFails15", M::Mylex, false, 0, 0, 15, 130},
                    ResultCase{"MylexRequestFails", M::Mylex, false, 0, 0, 1117, 1117},
                    ResultCase{"TarnOverrunIsGood", M::Tarn, true, 0x12, 0, 0, 0},
                    ResultCase{"TarnOverrunWithStatus", M::Tarn, true, 0x12, 8, 0, 8},
                    ResultCase{"TarnSuccessWithStatus", M::Tarn, true, 0x01, 2, 0, 2},
                    ResultCase{"TarnSelectionTimeout", M::Tarn, true, 0x0A, 0, 0, 130},
                    ResultCase{"TarnOtherSrbStatus", M::Tarn, true, 0x04, 2, 0, 4},
                    ResultCase{"TarnRequestFails", M::Tarn, false, 0, 0, 5, 5},
                    ResultCase{"PassThroughStatus", M::Standard, true, 0x02, 0, 0, 2},
                    ResultCase{"PassThroughBusy", M::Standard, true, 0x08, 0, 0, 8},
                    ResultCase{"PassThroughRequestFails", M::Standard, false, 0, 0, 1117, 1117}),
    CaseName);

TEST_F(ScsiTest, NaturalAnswersOfEveryFamily) {
  for (sim::DriverModel model : kAllModels) {
    Restart();
    int port = AddPort(model);
    sim::scsi().add_target(port, 0, 1);
    auto adapter = MakeAdapter(model, port);
    ASSERT_EQ(adapter->Open(), 0u);
    // An INQUIRY of 240 bytes answered with 36 is good (Tarn: data overrun).
    EXPECT_EQ(adapter->ExecuteIn(0, 1, kInquiry, 6), 0u) << ModelName(model);
    EXPECT_EQ(adapter->ExecuteIn(0, 2, kInquiry, 6), SCSI_RESULT_NO_TARGET) << ModelName(model);
  }
}

using PassThrough = ScsiTest;

TEST_F(PassThrough, RefusedRequestForAClaimedLocationIsFour) {
  int port = AddPort(M::Standard);
  CPassThroughAdapter adapter(port, 0x8000);
  ASSERT_EQ(adapter.Open(), 0u);
  // A disk claimed after the cache was filled: the port refuses for it.
  sim::scsi().add_target(port, 0, 1);
  EXPECT_EQ(adapter.ExecuteIn(0, 1, kInquiry, 6), SCSI_RESULT_NO_TARGET);
  EXPECT_EQ(sim::scsi().last_request()->device, "\\\\.\\SCSI0:");
  // Once the cache knows it, a refusal by its own device is "claimed".
  ResetDeviceLocations();
  RefreshDeviceLocations();
  sim::fail_call("DeviceIoControl", 87);
  EXPECT_EQ(adapter.ExecuteIn(0, 1, kInquiry, 6), SCSI_RESULT_CLAIMED_REFUSED);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
}

TEST_F(PassThrough, MissingLocationDeviceIsNoTargetWithoutARequest) {
  int port = AddPort(M::Standard);
  CPassThroughAdapter adapter(port, 0x8000);
  sim::fail_call("CreateFileA", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(adapter.ExecuteIn(0, 1, kInquiry, 6), SCSI_RESULT_NO_TARGET);
  EXPECT_EQ(sim::call_count("DeviceIoControl"), 0u);
  sim::fail_call("CreateFileA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(adapter.ExecuteIn(0, 1, kInquiry, 6), (DWORD)ERROR_ACCESS_DENIED);
}

class EveryClass : public ScsiTest, public testing::WithParamInterface<sim::DriverModel> {};

TEST_P(EveryClass, ExecuteOutBeforeAnyBufferSendsNothing) {
  int port = AddPort(GetParam());
  auto adapter = MakeAdapter(GetParam(), port);
  SenseRef sense;
  EXPECT_FALSE(adapter->GetSenseData(&sense));
  EXPECT_EQ(adapter->GetDataBuffer(false), nullptr);
  const BYTE abTestUnitReady[6] = {0};
  EXPECT_EQ(adapter->ExecuteOut(0, 1, abTestUnitReady, 6), SCSI_RESULT_NO_BUFFER);
  EXPECT_EQ(sim::call_count("DeviceIoControl"), 0u);
  EXPECT_FALSE(adapter->GetSenseData(&sense));
}

TEST_P(EveryClass, SenseDataOfACheckCondition) {
  int port = AddPort(GetParam());
  sim::scsi().add_target(port, 0, 1, {sim::DeviceType::CdRom});
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->Open(), 0u);
  const BYTE abRead[6] = {0x08, 0, 0, 0, 1, 0};  // READ(6) is no CD-ROM command
  DWORD dwResult = adapter->ExecuteIn(0, 1, abRead, 6);
  SenseRef sense;
  ASSERT_TRUE(adapter->GetSenseData(&sense));
  // The standard port driver writes back how many sense bytes it gave (18).
  const DWORD cbSense = GetParam() == M::Mylex ? 64 : GetParam() == M::Standard ? 18 : 32;
  EXPECT_EQ(sense.cbLength, cbSense);
  if (GetParam() == M::Tarn) {
    EXPECT_EQ(dwResult, 4u);  // SRB_STATUS_ERROR
  } else {
    EXPECT_EQ(dwResult, 2u);
  }
  EXPECT_EQ(sense.pData[0], 0x70);
  EXPECT_EQ(sense.pData[2], 0x05);  // ILLEGAL REQUEST
}

TEST_P(EveryClass, OversizedCommandsAreRefusedBeforeAnythingIsSent) {
  int port = AddPort(GetParam());
  sim::scsi().add_target(port, 0, 1);
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->Open(), 0u);
  const uint64_t requests = sim::call_count("DeviceIoControl");
  const uint64_t opens = sim::call_count("CreateFileA");
  const int cbField = GetParam() == M::Ami ? 10 : GetParam() == M::Mylex ? 12 : 16;
  std::vector<BYTE> abLong(cbField + 1, 0);
  EXPECT_EQ(adapter->ExecuteIn(0, 1, abLong.data(), (int)abLong.size()), 87u);
  EXPECT_EQ(adapter->ExecuteOut(0, 1, abLong.data(), (int)abLong.size()), 87u);
  // One block more than the largest transfer.
  const DWORD nBlocks = adapter->GetMaxTransfer() / 512 + 1;
  const BYTE abRead10[10] = {0x28, 0, 0, 0, 0, 0, 0, (BYTE)(nBlocks >> 8), (BYTE)nBlocks, 0};
  EXPECT_EQ(adapter->ExecuteIn(0, 1, abRead10, 10), 87u);
  EXPECT_EQ(adapter->ExecuteIn(0, 1, abRead10, 0), 87u);
  EXPECT_EQ(adapter->ExecuteIn(0, 1, NULL, 6), 87u);
  EXPECT_EQ(sim::call_count("DeviceIoControl"), requests);
  EXPECT_EQ(sim::call_count("CreateFileA"), opens);
  // The largest transfer itself goes through.
  const BYTE abMax[10] = {0x28, 0, 0, 0, 0, 0, 0, (BYTE)((nBlocks - 1) >> 8),
                          (BYTE)(nBlocks - 1), 0};
  EXPECT_EQ(adapter->ExecuteIn(0, 1, abMax, 10), 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, EveryClass, testing::ValuesIn(kAllModels),
                         [](const testing::TestParamInfo<sim::DriverModel>& info) {
                           return std::string(ModelName(info.param));
                         });

struct LengthCase {
  std::vector<BYTE> cdb;
  DWORD cbExpected;
};

class CdbDataLength : public testing::TestWithParam<LengthCase> {};

TEST_P(CdbDataLength, ByOpcode) {
  const LengthCase& c = GetParam();
  EXPECT_EQ(GetCdbDataLength(c.cdb.data(), (int)c.cdb.size()), c.cbExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CdbDataLength,
    testing::Values(LengthCase{{0x12, 0, 0, 0, 0xF0, 0}, 240},
                    LengthCase{{0x08, 0, 2, 4, 4, 0}, 2048},
                    LengthCase{{0x08, 0, 2, 4, 0, 0}, 0},
                    LengthCase{{0x0A, 0, 0, 0, 3, 0}, 1536},
                    LengthCase{{0x28, 0, 0, 0, 0, 0, 0, 0, 8, 0}, 4096},
                    LengthCase{{0x2A, 0, 0, 0, 0, 0, 0, 1, 0, 0}, 131072},
                    LengthCase{{0x3C, 0, 0, 0, 0, 0, 1, 0, 0, 0}, 65536},
                    LengthCase{{0x3B, 0, 0, 0, 0, 0, 0, 2, 3, 0}, 515},
                    LengthCase{{0x20, 0, 0, 0, 0, 0, 0, 1, 2, 0}, 258},
                    LengthCase{{0x4C, 0, 0, 0, 0, 0, 0, 0, 9, 0}, 9},
                    LengthCase{{0x4D, 0, 0, 0, 0, 0, 0, 0, 4, 0}, 4},
                    LengthCase{{0x00, 0, 0, 0, 0, 0}, 0},
                    LengthCase{{0x5A, 0, 0x3F, 0, 0, 0, 0, 0, 0xFF, 0}, 0},
                    LengthCase{{0x25, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 8},
                    // Bytes past the CDB's end count as 0.
                    LengthCase{{0x28, 0, 0, 0, 0, 0}, 0}));

}  // namespace
