#include <gtest/gtest.h>

#include <vector>

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "slotwarden/scsi/scsi_results.h"
#include "tests/scsi/adapters.h"
#include "tests/scsi/scsi_fixture.h"

namespace {

// READ commands (opcode, LBA byte 2, blocks) that reached the targets.
struct Read {
  int nTarget;
  int k;
  int nBlocks;
  bool operator==(const Read& o) const {
    return nTarget == o.nTarget && k == o.k && nBlocks == o.nBlocks;
  }
};

std::vector<Read> Reads() {
  std::vector<Read> reads;
  for (const auto& c : sim::scsi().commands()) {
    if (c.cdb[0] != 0x08) continue;
    EXPECT_EQ(c.cdb[3], 0x04);
    reads.push_back({c.target, c.cdb[2], c.cdb[4]});
  }
  return reads;
}

size_t InquiryCount() {
  size_t n = 0;
  for (const auto& c : sim::scsi().commands()) n += c.cdb[0] == 0x12;
  return n;
}

class EveryFamily : public ScsiTest, public testing::WithParamInterface<sim::DriverModel> {};

std::string FamilyName(const testing::TestParamInfo<sim::DriverModel>& info) {
  return ModelName(info.param);
}

TEST_P(EveryFamily, InquiryFindsOnlyDirectAccessDevices) {
  int port = AddPort(GetParam(), 2);
  sim::scsi().add_target(port, 0, 1);
  sim::TargetSpec qualified;
  qualified.qualifier = 1;  // INQUIRY byte 0 = 0x20
  sim::scsi().add_target(port, 0, 2, qualified);
  sim::scsi().add_target(port, 0, 3, {sim::DeviceType::CdRom});
  sim::scsi().add_target(port, 0, 4, {sim::DeviceType::Scanner});
  sim::scsi().add_target(port, 1, 9);
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->GetChannelCount(), 2u);
  ASSERT_EQ(adapter->Open(), 0u);
  EXPECT_EQ(adapter->GetChannel(0)->GetPresentTargets(), 0x0006);
  EXPECT_EQ(adapter->GetChannel(1)->GetPresentTargets(), 0x0200);
  // 15 INQUIRYs per channel that reach a target, 16 on Mylex.
  const size_t nIds = GetParam() == sim::DriverModel::Mylex ? 16 : 15;
  EXPECT_LE(InquiryCount(), 2 * nIds);
}

TEST_P(EveryFamily, TargetSevenIsTheInitiatorExceptOnMylex) {
  int port = AddPort(GetParam());
  sim::scsi().add_target(port, 0, 7);
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->Open(), 0u);
  const bool bMylex = GetParam() == sim::DriverModel::Mylex;
  EXPECT_EQ(adapter->GetChannel(0)->GetPresentTargets(), bMylex ? 0x0080 : 0);
  EXPECT_EQ(adapter->CauseActivity(0, 0x0080), 0u);
  EXPECT_EQ(Reads().size(), bMylex ? 16u : 0u);
}

TEST_P(EveryFamily, RescanReportsTargetsThatAppeared) {
  int port = AddPort(GetParam());
  sim::scsi().add_target(port, 0, 3);
  sim::TargetSpec later;
  later.visible_from_ms = 5000;
  sim::scsi().add_target(port, 0, 4, later);
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->Open(), 0u);
  CScsiChannel* pChannel = adapter->GetChannel(0);
  EXPECT_TRUE(pChannel->IsNewTarget(3));

  // Past the location cache's age, so a pass-through finds the new disk device.
  sim::advance(40000);
  WORD wNew = 0xFFFF;
  ASSERT_EQ(pChannel->Rescan(&wNew), 0u);
  EXPECT_EQ(wNew, 0x0010);
  EXPECT_FALSE(pChannel->IsNewTarget(3));
  EXPECT_TRUE(pChannel->IsNewTarget(4));

  // Gone in one rescan, back in the next: new again.
  sim::scsi().remove_target(port, 0, 4);
  ASSERT_EQ(pChannel->Rescan(&wNew), 0u);
  EXPECT_EQ(wNew, 0);
  sim::scsi().add_target(port, 0, 4);
  int bAnyNew = 0;
  ASSERT_EQ(adapter->ScanChannels(&bAnyNew), 0u);
  EXPECT_EQ(bAnyNew, 1);
  EXPECT_TRUE(pChannel->IsNewTarget(4));
}

TEST_P(EveryFamily, CauseActivityReadsEveryTargetOfTheMask) {
  int port = AddPort(GetParam());
  sim::scsi().add_target(port, 0, 2);
  std::vector<int> seen;
  sim::scsi().set_read_observer([&](int p, int b, int t) {
    EXPECT_EQ(p, port);
    EXPECT_EQ(b, 0);
    seen.push_back(t);
  });
  auto adapter = MakeAdapter(GetParam(), port);
  ASSERT_EQ(adapter->Open(), 0u);
  // Target 1 answers nothing (130), target 2 reads: success.
  EXPECT_EQ(adapter->CauseActivity(0, 0x0006), 0u);
  EXPECT_EQ(seen, std::vector<int>(16, 2));
  EXPECT_EQ(adapter->CauseActivity(0, 0x0002), SCSI_RESULT_NO_TARGET);
  EXPECT_EQ(adapter->CauseActivity(0, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Families, EveryFamily, testing::ValuesIn(kAllModels), FamilyName);

using Adapter = ScsiTest;

TEST_F(Adapter, BurstSizeRoundsUpToBlocks) {
  struct Case {
    DWORD cbBurst, cbExpected;
    std::vector<Read> reads;
  } cases[] = {
      {1000, 1024, {{1, 2, 2}}},
      {0, 512, {{1, 2, 1}}},
      {512, 512, {{1, 2, 1}}},
      {2049, 2560, {{1, 2, 4}, {1, 3, 1}}},
  };
  for (const Case& c : cases) {
    Restart();
    int port = AddPort(sim::DriverModel::Ami);
    sim::scsi().add_target(port, 0, 1);
    CAmiAdapter adapter(port, c.cbBurst);
    EXPECT_EQ(adapter.GetBurstSize(), c.cbExpected);
    ASSERT_EQ(adapter.Open(), 0u);
    EXPECT_EQ(adapter.ReadBurst(0, 1), 0u);
    EXPECT_EQ(Reads(), c.reads) << c.cbBurst;
  }
}

TEST_F(Adapter, FullBurstIsSixteenReadsTwoHundredFiftySixBlocksApart) {
  int port = AddPort(sim::DriverModel::Tarn);
  sim::scsi().add_target(port, 0, 0);
  CTarnAdapter adapter(port, 0x8000);
  ASSERT_EQ(adapter.Open(), 0u);
  ASSERT_EQ(adapter.ReadBurst(0, 0), 0u);
  std::vector<Read> expected;
  for (int k = 2; k < 18; ++k) expected.push_back({0, k, 4});
  EXPECT_EQ(Reads(), expected);
}

TEST_F(Adapter, BurstStopsAtTheFailingThirdCommand) {
  int port = AddPort(sim::DriverModel::Ami);
  sim::scsi().add_target(port, 0, 1);
  CAmiAdapter adapter(port, 0x8000);
  ASSERT_EQ(adapter.Open(), 0u);
  sim::fail_call("DeviceIoControl", ERROR_GEN_FAILURE, 3);
  EXPECT_EQ(adapter.ReadBurst(0, 1), (DWORD)ERROR_GEN_FAILURE);
  EXPECT_EQ(Reads(), (std::vector<Read>{{1, 2, 4}, {1, 3, 4}}));
}

TEST_F(Adapter, SecondOpenDoesNotRescan) {
  for (sim::DriverModel model : {sim::DriverModel::Ami, sim::DriverModel::Standard}) {
    Restart();
    int port = AddPort(model);
    auto adapter = MakeAdapter(model, port);
    ASSERT_EQ(adapter->Open(), 0u);
    const size_t n = sim::scsi().request_count();
    EXPECT_GT(n, 0u);
    EXPECT_EQ(adapter->Open(), 0u);
    EXPECT_EQ(sim::scsi().request_count(), n) << ModelName(model);
  }
}

TEST_F(Adapter, HeldDeviceThatCannotOpenLeavesTheAdapterClosed) {
  int port = AddPort(sim::DriverModel::Mylex);
  CMylexAdapter adapter(port, 0x8000);
  sim::fail_call("CreateFileA", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(adapter.Open(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(adapter.IsDeviceOpen());
  EXPECT_EQ(adapter.ScanChannels(NULL), SCSI_RESULT_NOT_OPEN);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
}

TEST_F(Adapter, FailedRescanClosesTheDeviceAgain) {
  int port = AddPort(sim::DriverModel::Ami);
  CAmiAdapter adapter(port, 0x8000);
  sim::fail_call("DeviceIoControl", ERROR_DEV_NOT_EXIST);
  EXPECT_EQ(adapter.Open(), SCSI_RESULT_NOT_OPEN);
  EXPECT_FALSE(adapter.IsDeviceOpen());
}

TEST_F(Adapter, TarnDevicesAreNumberedAcrossTheMakersPorts) {
  AddPort(sim::DriverModel::Tarn);
  AddPort(sim::DriverModel::Ami);
  int port = AddPort(sim::DriverModel::Tarn);
  EXPECT_EQ(GetTarnDeviceNumber(0), 0);
  EXPECT_EQ(GetTarnDeviceNumber(port), 1);
  CTarnAdapter adapter(port, 0x8000);
  ASSERT_EQ(adapter.Open(), 0u);
  EXPECT_EQ(sim::scsi().last_request()->device, "\\\\.\\TRN1");
}

TEST_F(Adapter, PassThroughOpenNeedsAKnownPort) {
  AddPort(sim::DriverModel::Standard);
  CPassThroughAdapter adapter(1, 0x8000);
  EXPECT_EQ(adapter.GetChannelCount(), 0u);
  EXPECT_EQ(adapter.Open(), SCSI_RESULT_NOT_PROVIDED);
  EXPECT_FALSE(adapter.IsOpen());
}

TEST_F(Adapter, PassThroughKeepsNoDeviceOpen) {
  int port = AddPort(sim::DriverModel::Standard);
  sim::scsi().add_target(port, 0, 2);
  CPassThroughAdapter adapter(port, 0x8000);
  ASSERT_EQ(adapter.Open(), 0u);
  EXPECT_TRUE(adapter.IsOpen());
  EXPECT_EQ(adapter.GetChannel(0)->GetPresentTargets(), 0x0004);
  EXPECT_EQ(sim::open_handle_count("device"), 0u);
  EXPECT_EQ(adapter.Inquiry(0, 2), 0u);
  EXPECT_FALSE(adapter.IsDeviceOpen());
  EXPECT_EQ(sim::scsi().last_request()->device, "\\\\.\\PhysicalDrive0");
}

TEST_F(Adapter, ChannelCountNeverExceedsTheChannelsMade) {
  int port = AddPort(sim::DriverModel::Ami, 10);
  CAmiAdapter adapter(port, 0x8000);
  EXPECT_EQ(adapter.GetChannelCount(), 8u);
  adapter.SetChannelCount(9);
  EXPECT_EQ(adapter.GetChannelCount(), 8u);
  adapter.SetChannelCount(0);
  EXPECT_EQ(adapter.GetChannelCount(), 0u);
  ASSERT_EQ(adapter.Open(), 0u);
  EXPECT_EQ(sim::scsi().request_count(), 0u);
}

TEST_F(Adapter, MakeScsiLocation) {
  AddPort(sim::DriverModel::Standard);
  AddPort(sim::DriverModel::Standard);
  int port = AddPort(sim::DriverModel::Standard);
  CPassThroughAdapter adapter(port, 0x8000);
  ScsiLocation location;
  EXPECT_EQ(adapter.MakeScsiLocation(&location, 1, 0xFF), &location);
  EXPECT_EQ(location.bTarget, 0xFF);
  EXPECT_EQ(location.bChannel, 1);
  EXPECT_EQ(location.bAdapter, 2);
}

// The base class provides no device and no request layout.
class CBareAdapter : public CScsiAdapter {
 public:
  CBareAdapter() : CScsiAdapter(0, 0) {}
  bool GetSenseData(SenseRef*) { return false; }
};

TEST_F(Adapter, BaseClassProvidesNoOperation) {
  CBareAdapter adapter;
  const BYTE abCdb[6] = {0};
  EXPECT_EQ(adapter.Open(), SCSI_RESULT_NOT_PROVIDED);
  EXPECT_EQ(adapter.Close(), SCSI_RESULT_NOT_PROVIDED);
  EXPECT_EQ(adapter.ExecuteIn(0, 0, abCdb, 6), SCSI_RESULT_NOT_PROVIDED);
  EXPECT_EQ(adapter.ExecuteOut(0, 0, abCdb, 6), SCSI_RESULT_NOT_PROVIDED);
  EXPECT_EQ(adapter.GetFamily(), 0u);
  EXPECT_EQ(adapter.GetChannelCount(), 0u);
}

}  // namespace
