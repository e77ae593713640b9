// Probing the cage addresses, building the roster, the latch operations and
// the slot geometry, with exchange counts taken from the bus trace.
#include <gtest/gtest.h>

#include "sim/cages/cage.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/handles.h"
#include "slotwarden/cages/cage_list.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/controller/exceptions.h"

namespace {

class Roster : public testing::Test {
 protected:
  void SetUp() override { g_wAllCagesPresentMask = 0; }
  void TearDown() override { EXPECT_EQ(sim::open_handle_count("qbx"), 0u); }

  std::shared_ptr<sim::Cage> Cage(uint8_t address, uint8_t base, uint8_t occupied) {
    std::shared_ptr<sim::Cage> cage = sim::attach_cage(address);
    cage->set_base_address_byte(base);
    cage->set_occupied_slots(occupied);
    return cage;
  }
};

struct ProbeCase {
  bool first_answers;
  bool second_answers;
  int found;
};

class Probing : public Roster, public testing::WithParamInterface<ProbeCase> {};

TEST_P(Probing, StopsAtTheFirstSilentAddress) {
  Cage(0x9C, 0x03, 0)->set_answering(GetParam().first_answers);
  Cage(0x9E, 0x02, 0)->set_answering(GetParam().second_answers);
  CTessarkCageList list;
  EXPECT_EQ(list.GetNumberOfTessarkCages(), GetParam().found);
  if (!GetParam().first_answers) {
    EXPECT_EQ(sim::bus_exchange_count(0x9E), 0u);
  }
  for (int i = 0; i < GetParam().found; ++i) {
    CTessarkCage cage = list.GetTessarkCage(i);
    EXPECT_EQ(cage.GetSlaveAddress(), g_abCageAddresses[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, Probing,
                         testing::Values(ProbeCase{true, true, 2}, ProbeCase{true, false, 1},
                                         ProbeCase{false, true, 0}, ProbeCase{false, false, 0}));

TEST_F(Roster, ProbingStopsAtAFirmwareErrorToo) {
  Cage(0x9C, 0x03, 0)->set_answer(0x06, 0x01, {0xC1});
  Cage(0x9E, 0x02, 0);
  CTessarkCageList list;
  EXPECT_EQ(list.GetNumberOfTessarkCages(), 0);
  EXPECT_EQ(sim::bus_exchange_count(0x9E), 0u);
}

TEST_F(Roster, GetTessarkCageOutOfRangeThrows) {
  Cage(0x9C, 0x03, 0);
  CTessarkCageList list;
  for (int bad : {-1, 1}) {
    try {
      list.GetTessarkCage(bad);
      ADD_FAILURE() << bad;
    } catch (CTessarkException e) {
      EXPECT_STREQ(e.m_pszFunction, "GetTessarkCage");
      EXPECT_STREQ(e.m_pszCondition,
                   "if ( nCageNumber < 0 || nCageNumber >= m_nNumberOfTessarkCages )");
      EXPECT_STREQ(e.m_pszMessage, "Cage Number is invalid");
    }
  }
}

TEST_F(Roster, OneCageAtTheFirstAddress) {
  Cage(0x9C, 0x03, 0);
  CCageRoster roster;
  EXPECT_EQ(roster.m_nNumberOfCages, 1u);
  CageLocation location = {0, 0};
  EXPECT_TRUE(roster.GetCageSlotBitLocation(0, 0x20, &location));
  EXPECT_EQ(location.bCage, 0x9C);
  EXPECT_EQ(location.bSlot, 5);
}

TEST_F(Roster, SilentFirstAddressGivesAnEmptyRoster) {
  Cage(0x9C, 0x03, 0xFF)->set_answering(false);
  Cage(0x9E, 0x03, 0xFF);
  CCageRoster roster;
  EXPECT_EQ(roster.m_nNumberOfCages, 0u);
  EXPECT_EQ(g_wAllCagesPresentMask, 0);
  EXPECT_EQ(sim::bus_exchange_count(0x9E), 0u);
}

struct PresenceCase {
  uint8_t base;
  uint8_t occupied;
  WORD mask;
};

class PresentMask : public Roster, public testing::WithParamInterface<PresenceCase> {};

TEST_P(PresentMask, HoldsTheTargetsOfOccupiedSlots) {
  Cage(0x9C, GetParam().base, GetParam().occupied);
  CCageRoster roster;
  EXPECT_EQ(g_wAllCagesPresentMask, GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(Geometry, PresentMask,
                         testing::Values(PresenceCase{0x03, 0x06, 0x0002},
                                         PresenceCase{0x00, 0x80, 0x8000},
                                         PresenceCase{0x02, 0x21, 0x0102},
                                         PresenceCase{0x01, 0x01, 0x0400},
                                         PresenceCase{0x03, 0x00, 0x0000}));

TEST_F(Roster, MaskOfTwoCagesCombines) {
  Cage(0x9C, 0x03, 0x01);
  Cage(0x9E, 0x00, 0x01);
  CCageRoster roster;
  EXPECT_EQ(roster.m_nNumberOfCages, 2u);
  EXPECT_EQ(g_wAllCagesPresentMask, (1 << 0) | (1 << 10));
}

TEST_F(Roster, PresenceFailureOnTheSecondCageEmptiesTheRosterButKeepsBits) {
  Cage(0x9C, 0x03, 0x01);
  Cage(0x9E, 0x00, 0x01)->set_answer(0x06, 0x1F, {0xC1});
  CCageRoster roster;
  EXPECT_EQ(roster.m_nNumberOfCages, 0u);
  EXPECT_EQ(g_wAllCagesPresentMask, 0x0001);
  BYTE bits = 0xEE;
  EXPECT_EQ(roster.ReadCageLatch(0, &bits, 0xFFFF), DWORD{CAGE_ERR_INVALID_INDEX});
  EXPECT_EQ(bits, 0xEE);
}

TEST_F(Roster, BuildingCostsSixteenExchangesPerCage) {
  Cage(0x9C, 0x03, 0x0F);
  Cage(0x9E, 0x02, 0xF0);
  CCageRoster roster;
  // Probing: backplane status and device ID at each address.
  EXPECT_EQ(sim::bus_exchange_count(0x9C), 2u + 16u);
  EXPECT_EQ(sim::bus_exchange_count(0x9E), 2u + 16u);
}

class Latch : public Roster {
 protected:
  void SetUp() override {
    Roster::SetUp();
    cage = Cage(0x9C, 0x02, 0xFF);
    roster = std::make_unique<CCageRoster>();
    ASSERT_EQ(roster->m_nNumberOfCages, 1u);
    before = sim::bus_exchange_count();
  }
  size_t Exchanges() { return sim::bus_exchange_count() - before; }

  std::shared_ptr<sim::Cage> cage;
  std::unique_ptr<CCageRoster> roster;
  size_t before = 0;
};

struct FilterCase {
  uint8_t latch;
  WORD mask;
  BYTE bits;
};

class LatchFilter : public Latch, public testing::WithParamInterface<FilterCase> {};

TEST_P(LatchFilter, KeepsOnlySlotsOfTheMaskedTargets) {
  cage->set_latch(GetParam().latch);
  BYTE bits = 0xEE;
  EXPECT_EQ(roster->ReadCageLatch(0, &bits, GetParam().mask), 0u);
  EXPECT_EQ(bits, GetParam().bits);
  EXPECT_EQ(Exchanges(), 9u);
}

// Code 2: slots 0..7 are targets 1, 2, 2, 3, 4, 8, 8, 9.
INSTANTIATE_TEST_SUITE_P(Masks, LatchFilter,
                         testing::Values(FilterCase{0xFF, 0x0004, 0x06},
                                         FilterCase{0x02, 0x0004, 0x02},
                                         FilterCase{0xFF, 0x0100, 0x60},
                                         FilterCase{0xFF, 0x0001, 0x00},
                                         FilterCase{0x9F, 0x0200 | 0x0002, 0x81},
                                         FilterCase{0x00, 0xFFFF, 0x00}));

TEST_F(Latch, BaseAddressIsAskedAfreshAtEveryLookup) {
  EXPECT_EQ(roster->GetSlotTarget(0, 0), 1);
  cage->set_base_address_byte(0x03);
  EXPECT_EQ(roster->GetSlotTarget(0, 0), 0);
  cage->set_base_address_byte(0x00);
  EXPECT_EQ(roster->GetSlotBitTarget(0, 0x80), 15);
  EXPECT_EQ(Exchanges(), 3u);
}

TEST_F(Latch, SlotWithAFailingBaseAddressQueryDropsOut) {
  cage->set_latch(0x06);
  // Exchange 1 reads the latch; exchange 2 asks for slot 0's base address,
  // exchange 3 for slot 1's.
  cage->inject({sim::IpmbFault::completion_code, 0xC1}, 3, 11);
  BYTE bits = 0;
  EXPECT_EQ(roster->ReadCageLatch(0, &bits, 0x0004), 0u);
  EXPECT_EQ(bits, 0x04);
}

TEST_F(Latch, ClearEmptiesTheLatch) {
  cage->set_latch(0x81);
  EXPECT_EQ(roster->ClearCageLatch(0), 0u);
  EXPECT_EQ(cage->latch(), 0);
  EXPECT_EQ(Exchanges(), 1u);
}

TEST_F(Latch, InvalidIndexIsRefusedWithoutIo) {
  BYTE bits = 0xEE;
  CageLocation location = {0x11, 0x22};
  EXPECT_EQ(roster->ReadCageLatch(1, &bits, 0xFFFF), DWORD{CAGE_ERR_INVALID_INDEX});
  EXPECT_EQ(roster->ClearCageLatch(1), DWORD{CAGE_ERR_INVALID_INDEX});
  EXPECT_EQ(roster->GetSlotTarget(1, 0), SLOT_TARGET_NONE);
  EXPECT_EQ(roster->GetSlotTarget(0, 8), SLOT_TARGET_NONE);
  EXPECT_FALSE(roster->GetCageSlotLocation(1, 0, &location));
  EXPECT_EQ(bits, 0xEE);
  EXPECT_EQ(location.bCage, 0x11);
  EXPECT_EQ(Exchanges(), 0u);
}

struct LatchErrorCase {
  const char* name;
  sim::IpmbFault fault;
  DWORD result;
};

class LatchError : public Latch, public testing::WithParamInterface<LatchErrorCase> {};

TEST_P(LatchError, MapsTheClassToItsCode) {
  cage->inject({GetParam().fault, 0xC0}, 1, 0);
  BYTE bits = 0xEE;
  EXPECT_EQ(roster->ReadCageLatch(0, &bits, 0xFFFF), GetParam().result);
  EXPECT_EQ(bits, 0xEE);
  EXPECT_EQ(roster->ClearCageLatch(0), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, LatchError,
    testing::Values(LatchErrorCase{"firmware", sim::IpmbFault::completion_code, CAGE_ERR_FIRMWARE},
                    LatchErrorCase{"checksum", sim::IpmbFault::bad_checksum2,
                                   CAGE_ERR_COMMAND_FAILED},
                    LatchErrorCase{"silent", sim::IpmbFault::no_answer, CAGE_ERR_COMMAND_FAILED}),
    [](const testing::TestParamInfo<LatchErrorCase>& info) { return info.param.name; });

TEST(SlotIndexFromBit, GivesTheLowestSetBit) {
  EXPECT_EQ(CCageRoster::SlotIndexFromBit(0x00), 0);
  EXPECT_EQ(CCageRoster::SlotIndexFromBit(0x01), 0);
  EXPECT_EQ(CCageRoster::SlotIndexFromBit(0x06), 1);
  EXPECT_EQ(CCageRoster::SlotIndexFromBit(0x0C), 2);
  EXPECT_EQ(CCageRoster::SlotIndexFromBit(0x80), 7);
}

}  // namespace
