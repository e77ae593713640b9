// The mapping table's rules and its public store.
#include <gtest/gtest.h>

#include <vector>

#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/registry.h"
#include "slotwarden/mapping/mapping_table.h"

namespace {

const char* const kStore = "HKLM\\SOFTWARE\\Ostravale\\Tormelle";

CageLocation Cage(BYTE bCage, BYTE bSlot) { return CageLocation{bCage, bSlot}; }
ScsiLocation Scsi(BYTE bTarget, BYTE bChannel, BYTE bAdapter) {
  return ScsiLocation{bTarget, bChannel, bAdapter};
}

std::vector<uint8_t> EntryBytes(const CMappingTable& table, DWORD n) {
  const BYTE* pb = reinterpret_cast<const BYTE*>(&table.GetEntry(n));
  return std::vector<uint8_t>(pb, pb + 5);
}

const std::vector<uint8_t> kInvalid(5, 0xFF);

TEST(MappingTable, StartsEmptyWithZeroedEntries) {
  CMappingTable table;
  EXPECT_EQ(table.GetCount(), 0u);
  for (DWORD i = 0; i < MAX_MAPPINGS; ++i)
    EXPECT_EQ(EntryBytes(table, i), std::vector<uint8_t>(5, 0));
}

TEST(MappingTable, AddStoresCageThenScsiBytes) {
  CMappingTable table;
  ASSERT_TRUE(table.Add(Cage(0x9C, 2), Scsi(3, 1, 4)));
  EXPECT_EQ(table.GetCount(), 1u);
  EXPECT_EQ(EntryBytes(table, 0), (std::vector<uint8_t>{0x9C, 0x02, 0x03, 0x01, 0x04}));
}

TEST(MappingTable, DuplicateScsiLocationKeepsTheFirstPairAndSucceeds) {
  CMappingTable table;
  ASSERT_TRUE(table.Add(Cage(0x9C, 0), Scsi(1, 0, 0)));
  EXPECT_TRUE(table.Add(Cage(0x9E, 5), Scsi(1, 0, 0)));
  EXPECT_EQ(table.GetCount(), 1u);
  CageLocation found{};
  ASSERT_TRUE(table.FindByScsiLocation(Scsi(1, 0, 0), &found));
  EXPECT_EQ(found.bCage, 0x9C);
  EXPECT_EQ(found.bSlot, 0);
  // Same target on another channel or adapter is a different location.
  EXPECT_TRUE(table.Add(Cage(0x9E, 5), Scsi(1, 1, 0)));
  EXPECT_TRUE(table.Add(Cage(0x9E, 6), Scsi(1, 0, 1)));
  EXPECT_EQ(table.GetCount(), 3u);
}

TEST(MappingTable, The49thAddFailsAndAFullTableRefusesEvenADuplicate) {
  CMappingTable table;
  for (DWORD i = 0; i < MAX_MAPPINGS; ++i)
    ASSERT_TRUE(table.Add(Cage(0x9C, i % 8), Scsi(i % 16, i / 16, 0))) << i;
  EXPECT_EQ(table.GetCount(), 48u);
  EXPECT_FALSE(table.Add(Cage(0x9E, 0), Scsi(0, 7, 7)));
  EXPECT_FALSE(table.Add(Cage(0x9C, 0), Scsi(0, 0, 0)));
  EXPECT_EQ(table.GetCount(), 48u);
  EXPECT_EQ(EntryBytes(table, 47), (std::vector<uint8_t>{0x9C, 7, 15, 2, 0}));
}

TEST(MappingTable, FindByCageLocationExactSlotAndAnySlot) {
  CMappingTable table;
  table.Add(Cage(0x9E, 4), Scsi(9, 2, 1));
  table.Add(Cage(0x9C, 3), Scsi(2, 0, 0));
  table.Add(Cage(0x9C, 1), Scsi(4, 1, 0));
  ScsiLocation scsi{};
  ASSERT_TRUE(table.FindByCageLocation(Cage(0x9C, ANY_SLOT), &scsi));
  EXPECT_EQ(scsi.bTarget, 2);  // first entry of the cage in table order
  ASSERT_TRUE(table.FindByCageLocation(Cage(0x9C, 1), &scsi));
  EXPECT_EQ(scsi.bTarget, 4);
  EXPECT_EQ(scsi.bChannel, 1);
  EXPECT_FALSE(table.FindByCageLocation(Cage(0x9C, 2)));
  EXPECT_FALSE(table.FindByCageLocation(Cage(0xA0, ANY_SLOT)));
  EXPECT_TRUE(table.FindByCageLocation(Cage(0x9E, 4)));
}

// One cage's entries spread over buses (channel, adapter), and the indices
// the correction pass must invalidate.
struct BusCase {
  const char* name;
  std::vector<std::pair<BYTE, BYTE>> buses;
  std::vector<DWORD> invalidated;
};

class BusConflicts : public testing::TestWithParam<BusCase> {};

TEST_P(BusConflicts, MajorityBusWinsOnlyWhenUniqueAndAtLeastTwo) {
  const BusCase& c = GetParam();
  CMappingTable table;
  for (size_t i = 0; i < c.buses.size(); ++i)
    ASSERT_TRUE(table.Add(Cage(0x9C, static_cast<BYTE>(i)),
                          Scsi(static_cast<BYTE>(i), c.buses[i].first, c.buses[i].second)));
  // Another cage on its own bus is never touched.
  table.Add(Cage(0x9E, 0), Scsi(0, 5, 5));
  table.ResolveBusConflicts();
  for (DWORD i = 0; i < c.buses.size(); ++i) {
    bool bExpected = std::find(c.invalidated.begin(), c.invalidated.end(), i) != c.invalidated.end();
    EXPECT_EQ(EntryBytes(table, i) == kInvalid, bExpected) << "entry " << i;
  }
  EXPECT_NE(EntryBytes(table, static_cast<DWORD>(c.buses.size())), kInvalid);
  EXPECT_EQ(table.GetCount(), c.buses.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BusConflicts,
    testing::Values(
        BusCase{"ThreeToOne", {{0, 0}, {0, 0}, {1, 0}, {0, 0}}, {2}},
        BusCase{"TwoToTwo", {{0, 0}, {1, 0}, {1, 0}, {0, 0}}, {}},
        BusCase{"OneToOne", {{0, 0}, {0, 1}}, {}},
        BusCase{"TwoOneOne", {{2, 0}, {0, 0}, {2, 0}, {0, 1}}, {1, 3}},
        BusCase{"TwoToOne", {{0, 1}, {0, 0}, {0, 0}}, {0}},
        BusCase{"SameChannelOtherAdapter", {{0, 0}, {0, 0}, {0, 1}}, {2}},
        BusCase{"OneBusOnly", {{3, 1}, {3, 1}, {3, 1}}, {}},
        BusCase{"TwoTwoOne", {{0, 0}, {0, 0}, {1, 0}, {1, 0}, {2, 0}}, {}},
        BusCase{"SingleEntry", {{0, 0}}, {}}),
    [](const testing::TestParamInfo<BusCase>& info) { return std::string(info.param.name); });

TEST(MappingTable, InvalidatedEntryIsFoundByNoLookupAndFreesItsPlaces) {
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  table.Add(Cage(0x9C, 1), Scsi(1, 0, 0));
  table.Add(Cage(0x9C, 2), Scsi(2, 0, 0));
  table.Add(Cage(0x9C, 3), Scsi(3, 1, 0));
  table.ResolveBusConflicts();
  ASSERT_EQ(EntryBytes(table, 3), kInvalid);

  EXPECT_FALSE(table.FindByScsiLocation(Scsi(3, 1, 0)));
  EXPECT_FALSE(table.FindByCageLocation(Cage(0x9C, 3)));
  EXPECT_FALSE(table.FindByCageLocation(Cage(0xFF, ANY_SLOT)));
  EXPECT_FALSE(table.FindByScsiLocation(Scsi(0xFF, 0xFF, 0xFF)));

  // Both the slot and the SCSI location can be mapped again: a new entry.
  EXPECT_TRUE(table.Add(Cage(0x9C, 3), Scsi(3, 0, 0)));
  EXPECT_TRUE(table.Add(Cage(0x9E, 0), Scsi(3, 1, 0)));
  EXPECT_EQ(table.GetCount(), 6u);
  EXPECT_EQ(EntryBytes(table, 3), kInvalid);
}

TEST(MappingTable, CageWithOnlyInvalidatedEntriesHasNoBus) {
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  table.Add(Cage(0x9C, 1), Scsi(1, 0, 0));
  table.Add(Cage(0x9E, 0), Scsi(2, 0, 0));
  table.Invalidate(2);
  EXPECT_FALSE(table.FindByCageLocation(Cage(0x9E, ANY_SLOT)));
  ScsiLocation scsi{};
  ASSERT_TRUE(table.FindByCageLocation(Cage(0x9C, ANY_SLOT), &scsi));
  EXPECT_EQ(scsi.bTarget, 0);
}

TEST(MappingTable, CorrectionSeesEntriesInvalidatedAtEarlierStores) {
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  table.Add(Cage(0x9C, 1), Scsi(1, 0, 0));
  table.Add(Cage(0x9C, 2), Scsi(2, 1, 0));
  table.ResolveBusConflicts();
  ASSERT_EQ(EntryBytes(table, 2), kInvalid);
  // Two more on (1, 0): now 2 against 2 valid, a tie, so nothing changes.
  table.Add(Cage(0x9C, 3), Scsi(3, 1, 0));
  table.Add(Cage(0x9C, 4), Scsi(4, 1, 0));
  table.ResolveBusConflicts();
  EXPECT_NE(EntryBytes(table, 3), kInvalid);
  EXPECT_NE(EntryBytes(table, 4), kInvalid);
  EXPECT_NE(EntryBytes(table, 0), kInvalid);
}

TEST(MappingTable, ManyCagesAndBusesNeverOverflow) {
  // More distinct cage values and buses than any real rack has: the rule
  // applies to each cage alike.
  CMappingTable table;
  for (BYTE i = 0; i < 20; ++i) table.Add(Cage(static_cast<BYTE>(0x10 + i), 0), Scsi(0, i, 0));
  for (BYTE i = 0; i < 20; ++i) table.Add(Cage(0x9C, i % 8), Scsi(1, i, 1));
  table.Add(Cage(0x9C, 7), Scsi(2, 3, 1));
  ASSERT_EQ(table.GetCount(), 41u);
  table.ResolveBusConflicts();
  for (DWORD i = 0; i < 20; ++i) EXPECT_NE(EntryBytes(table, i), kInvalid) << i;
  for (DWORD i = 20; i < 41; ++i)
    EXPECT_EQ(EntryBytes(table, i) == kInvalid, i != 23 && i != 40) << i;
}

TEST(MappingStore, EmptyTableStoresZeroCountAndZeroLengthMappings) {
  CMappingTable table;
  ASSERT_EQ(table.Store(), 0u);
  auto count = sim::registry().value(kStore, "Map count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(count->data, (std::vector<uint8_t>{0, 0, 0, 0}));
  auto mappings = sim::registry().value(kStore, "Mappings");
  ASSERT_TRUE(mappings);
  EXPECT_EQ(mappings->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_TRUE(mappings->data.empty());
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

TEST(MappingStore, WritesCountAndEntriesInTableOrderAfterCorrection) {
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  table.Add(Cage(0x9C, 1), Scsi(1, 0, 0));
  table.Add(Cage(0x9C, 2), Scsi(2, 0, 0));
  table.Add(Cage(0x9C, 3), Scsi(3, 1, 0));
  table.Add(Cage(0x9E, 7), Scsi(12, 0, 2));
  ASSERT_EQ(table.Store(), 0u);
  EXPECT_EQ(sim::registry().dword(kStore, "Map count"), 5u);
  EXPECT_EQ(sim::registry().value(kStore, "Mappings")->data,
            (std::vector<uint8_t>{0x9C, 0, 0, 0, 0,     //
                                  0x9C, 1, 1, 0, 0,     //
                                  0x9C, 2, 2, 0, 0,     //
                                  0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  //
                                  0x9E, 7, 12, 0, 2}));
}

TEST(MappingStore, WritesBothValuesAtEveryStore) {
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  ASSERT_EQ(table.Store(), 0u);
  uint64_t writes = sim::registry().value_writes();
  ASSERT_EQ(table.Store(), 0u);
  EXPECT_EQ(sim::registry().value_writes(), writes + 2);
}

// A registry failure at each of the three calls: the error comes back, the
// key is closed, and what had not been written keeps its earlier contents.
struct StoreFailure {
  const char* api;
  unsigned nth;
  DWORD expected_count;       // "Map count" afterwards
  size_t expected_map_bytes;  // "Mappings" length afterwards
};

class StoreFailures : public testing::TestWithParam<StoreFailure> {};

TEST_P(StoreFailures, ReturnTheErrorAndWriteNothingAfterIt) {
  const StoreFailure& c = GetParam();
  CMappingTable table;
  table.Add(Cage(0x9C, 0), Scsi(0, 0, 0));
  ASSERT_EQ(table.Store(), 0u);  // earlier contents: one entry
  table.Add(Cage(0x9C, 1), Scsi(1, 0, 0));

  sim::fail_call(c.api, ERROR_ACCESS_DENIED, c.nth);
  EXPECT_EQ(table.Store(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(sim::registry().dword(kStore, "Map count"), c.expected_count);
  EXPECT_EQ(sim::registry().value(kStore, "Mappings")->data.size(), c.expected_map_bytes);
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
  EXPECT_EQ(table.GetCount(), 2u);

  // The table is unaffected and is written whole at the next store.
  ASSERT_EQ(table.Store(), 0u);
  EXPECT_EQ(sim::registry().dword(kStore, "Map count"), 2u);
  EXPECT_EQ(sim::registry().value(kStore, "Mappings")->data.size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, StoreFailures,
    testing::Values(StoreFailure{"RegCreateKeyExA", 1, 1, 5},
                    StoreFailure{"RegSetValueExA", 1, 1, 5},
                    StoreFailure{"RegSetValueExA", 2, 2, 5}),
    [](const testing::TestParamInfo<StoreFailure>& info) {
      return std::string(info.param.api).substr(3) + "Call" + std::to_string(info.param.nth);
    });

TEST(MappingStore, ProcessWideTableStartsEmpty) { EXPECT_EQ(g_MappingTable.GetCount(), 0u); }

}  // namespace
