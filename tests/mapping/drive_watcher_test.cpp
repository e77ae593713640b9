// The new-drive watcher after a full pass: insertions located from the
// cage's mappings or from a channel rescan, the retry list and replay
// queue, the record filters and the early returns that leave the store.
#include <gtest/gtest.h>

#include <memory>

#include "sim/core/faults.h"
#include "sim/events/event_source.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/mapping/mapping_errors.h"
#include "slotwarden/mapping/mapping_pass.h"
#include "slotwarden/mapping/mapping_service.h"
#include "tests/mapping/mapping_fixture.h"

namespace {

// Cage 0 (0x9C, code 2: targets 1 2 2 3 4 8 8 9) on port 0 with drives at
// targets 1 and 3, mapped by the pass; cage 1 (0x9E, code 3: targets
// 0 1 1 2 3 8 8 9) on port 1, empty, so it has no mappings.
const char* kRack = R"({
  "cages": [
    {"address": "0x9C", "base_address_byte": "0x02", "cabled_to": {"port": 0, "bus": 0}},
    {"address": "0x9E", "base_address_byte": "0x03", "cabled_to": {"port": 1, "bus": 0}}],
  "ports": [{"model": "standard"}, {"model": "ami", "buses": 2}],
  "drives": [{"cage": "0x9C", "slot": 0}, {"cage": "0x9C", "slot": 3}]
})";

const std::vector<StoredEntry> kMappedByPass = {{0x9C, 0, 1, 0, 0}, {0x9C, 3, 3, 0, 0}};

class Watcher : public MappingTest {
 protected:
  void SetUp() override {
    MappingTest::SetUp();
    InstallRack(kRack);
    m_pRoster = std::make_unique<CCageRoster>();
    ASSERT_EQ(BuildAdapterTable(), 0u);
    ASSERT_EQ(RunMappingPass(*m_pRoster), 0u);
    ASSERT_EQ(TableEntries(), kMappedByPass);
  }
  void TearDown() override {
    m_pRoster.reset();
    MappingTest::TearDown();
  }

  // A check as the run loop makes it, one interval after the previous one
  // (the disk devices' location cache is then due for a refresh).
  DWORD Check() {
    sim::advance(g_dwCheckInterval);
    return CheckForNewDrives(*m_pRoster);
  }
  std::string CheckPrinting(DWORD expected = 0) {
    DebugOutput out;
    EXPECT_EQ(Check(), expected);
    return out.Take();
  }
  static void Insert(int cage, int slot) { sim::event_source().log_insertion(cage, slot); }
  static void Appear(int port, int bus, int target) { sim::scsi().add_target(port, bus, target); }
  static size_t Inquiries() {
    size_t n = 0;
    for (const sim::ScsiCommand& c : sim::scsi().commands()) n += !c.cdb.empty() && c.cdb[0] == 0x12;
    return n;
  }
  static std::vector<StoredEntry> Plus(std::vector<StoredEntry> added) {
    std::vector<StoredEntry> all = kMappedByPass;
    all.insert(all.end(), added.begin(), added.end());
    return all;
  }

  std::unique_ptr<CCageRoster> m_pRoster;
};

TEST_F(Watcher, WithNothingNewStillRewritesTheStore) {
  const uint64_t writes = sim::call_count("RegSetValueExA");
  EXPECT_EQ(CheckPrinting(), "Checking for new drives ... done.\n");
  EXPECT_EQ(sim::call_count("RegSetValueExA"), writes + 2);
  EXPECT_EQ(sim::event_source().readers(), std::vector<std::string>{"slotwarden.cfg"});
}

TEST_F(Watcher, AlreadyMappedSlotIsSkippedWithoutScsiIo) {
  Insert(0, 3);
  const uint64_t requests = sim::scsi().request_count();
  EXPECT_EQ(CheckPrinting(), "Checking for new drives ... (c0b3)done.\n");
  EXPECT_EQ(sim::scsi().request_count(), requests);
  EXPECT_EQ(StoredEntries(), kMappedByPass);
}

// Where one insertion is located, from what has appeared on the buses.
struct LocateCase {
  const char* name;
  int cage, slot;
  std::vector<std::tuple<int, int, int>> appeared;  // port, bus, target
  std::vector<StoredEntry> added;
  const char* printed;
};

void PrintTo(const LocateCase& c, std::ostream* out) { *out << c.name; }

class Locating : public Watcher, public testing::WithParamInterface<LocateCase> {};

TEST_P(Locating, TakesTheCagesBusOrTheFirstChannelWhereTheTargetAppeared) {
  const LocateCase& c = GetParam();
  for (auto [port, bus, target] : c.appeared) Appear(port, bus, target);
  Insert(c.cage, c.slot);
  EXPECT_EQ(CheckPrinting(), std::string("Checking for new drives ... ") + c.printed + "done.\n");
  EXPECT_EQ(StoredEntries(), Plus(c.added));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Locating,
    testing::Values(
        // The cage's first entry gives the bus, even before the drive answers.
        LocateCase{"CageWithMappings", 0, 4, {}, {{0x9C, 4, 4, 0, 0}}, "(c0b4)=4+ "},
        LocateCase{"CageWithoutMappings", 1, 0, {{1, 1, 0}}, {{0x9E, 0, 0, 1, 1}}, "(c1b0)=0+ "},
        // Table order decides when the target appeared on two channels.
        LocateCase{"FirstOfTwoChannels", 1, 0, {{1, 1, 0}, {0, 0, 0}}, {{0x9E, 0, 0, 0, 0}},
                   "(c1b0)=0+ "},
        LocateCase{"NotVisibleYet", 1, 0, {}, {}, "(c1b0)=0.- "},
        // A low nibble of 0 is slot -1: any slot, no target, not retried.
        LocateCase{"SlotMinusOne", 1, -1, {}, {}, "(c1b-1)=255"}),
    [](const testing::TestParamInfo<LocateCase>& info) { return info.param.name; });

TEST_F(Watcher, UnresolvedInsertionIsReplayedBeforeNewEvents) {
  Insert(1, 0);
  EXPECT_EQ(CheckPrinting(), "Checking for new drives ... (c1b0)=0.- done.\n");

  Appear(1, 0, 0);
  Insert(1, 4);
  EXPECT_EQ(CheckPrinting(), "Checking for new drives ... (c1b0)=0+ (c1b4)=3+ done.\n");
  EXPECT_EQ(StoredEntries(), Plus({{0x9E, 0, 0, 0, 1}, {0x9E, 4, 3, 0, 1}}));

  EXPECT_EQ(CheckPrinting(), "Checking for new drives ... done.\n");
}

TEST_F(Watcher, RetryListKeepsTheLastSevenAndEachCodeOnce) {
  for (int slot = 0; slot < 8; ++slot) Insert(1, slot);
  Insert(1, 7);
  EXPECT_EQ(CheckPrinting(),
            "Checking for new drives ... (c1b0)=0.- (c1b1)=1.- (c1b2)=1.- (c1b3)=2.- "
            "(c1b4)=3.- (c1b5)=8.- (c1b6)=8.- (c1b7)=9.- (c1b7)=9- done.\n");

  EXPECT_EQ(CheckPrinting(),
            "Checking for new drives ... (c1b1)=1.- (c1b2)=1.- (c1b3)=2.- "
            "(c1b4)=3.- (c1b5)=8.- (c1b6)=8.- (c1b7)=9.- done.\n");
}

TEST_F(Watcher, RescansEveryChannelOnceForAllInsertionsOfACheck) {
  size_t before = Inquiries();
  Insert(0, 3);  // mapped: needs no rescan
  Check();
  EXPECT_EQ(Inquiries(), before);

  Insert(1, 0);
  Check();
  const size_t oneRescan = Inquiries() - before;
  EXPECT_GT(oneRescan, 0u);

  before = Inquiries();
  Insert(0, 4);
  Insert(1, 3);
  Insert(1, 4);
  Check();
  // The replayed slot 0 and three new ones: still one rescan.
  EXPECT_EQ(Inquiries() - before, oneRescan);
}

TEST_F(Watcher, InsertionNamingAnUnknownCageEndsTheCheckUnstored) {
  sim::event_source().log_insertion_code(0x25);  // cage index 2, slot 4
  Appear(1, 0, 0);
  Insert(1, 0);
  const uint64_t writes = sim::call_count("RegSetValueExA");

  EXPECT_EQ(Check(), static_cast<DWORD>(MAP_ERR_NO_SUCH_CAGE));
  EXPECT_EQ(sim::call_count("RegSetValueExA"), writes);

  // The bad event is consumed; the next one waits for the next check.
  EXPECT_EQ(Check(), 0u);
  EXPECT_EQ(StoredEntries(), Plus({{0x9E, 0, 0, 0, 1}}));
}

TEST_F(Watcher, FullTableEndsTheCheckWithEightUnstored) {
  for (BYTE i = 0; g_MappingTable.GetCount() < MAX_MAPPINGS; ++i)
    g_MappingTable.Add(CageLocation{0x9C, 0}, ScsiLocation{i, 7, 7});
  Insert(0, 4);
  const uint64_t writes = sim::call_count("RegSetValueExA");
  EXPECT_EQ(Check(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(sim::call_count("RegSetValueExA"), writes);
}

// A record is an insertion only with 13 at offset 10, 8 at offset 12 and
// low bits 1 at offset 13.
struct RecordCase {
  size_t offset;
  uint8_t value;
  bool accepted;
};

void PrintTo(const RecordCase& c, std::ostream* out) {
  *out << "byte " << c.offset << " = " << int(c.value);
}

class RecordFilter : public Watcher, public testing::WithParamInterface<RecordCase> {};

TEST_P(RecordFilter, PassesOverRecordsThatAreNoInsertion) {
  sim::EventRecord record = sim::EventSource::insertion_record(0x05);  // cage 0, slot 4
  record[GetParam().offset] = GetParam().value;
  sim::event_source().log(record);
  EXPECT_EQ(Check(), 0u);
  EXPECT_EQ(StoredEntries(), GetParam().accepted ? Plus({{0x9C, 4, 4, 0, 0}}) : kMappedByPass);
}

INSTANTIATE_TEST_SUITE_P(Records, RecordFilter,
                         testing::Values(RecordCase{10, 12, false}, RecordCase{12, 9, false},
                                         RecordCase{13, 0x02, false}, RecordCase{13, 0x00, false},
                                         RecordCase{13, 0xF1, true}, RecordCase{11, 0x55, true}));

}  // namespace
