// The latch-probing mapping engine on simulated racks: cycle counts taken
// from the cages' bus traffic (one cycle is one latch clear and one latch
// read of nine exchanges per cage; recording then asks the slot's target
// once per candidate left), the entries recorded, and the pass's errors.
#include <gtest/gtest.h>

#include "sim/cages/cage.h"
#include "sim/controller/qbx_bus.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/core/thread.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/mapping/mapping_pass.h"
#include "tests/mapping/mapping_fixture.h"

namespace {

const unsigned kExchangesPerCycle = 10;  // per cage

// One cage with base-address code 2 (targets 1 2 2 3 4 8 8 9) on a standard
// port, drives in slots 0 and 3 (targets 1 and 3), a disk outside the cage
// at target 6, which no slot of the cage is wired to.
const char* kOneCage = R"({
  "cages": [{"address": "0x9C", "base_address_byte": "0x02", "cabled_to": {"port": 0, "bus": 0}}],
  "ports": [{"model": "standard", "buses": 1}],
  "drives": [{"cage": "0x9C", "slot": 0}, {"cage": "0x9C", "slot": 3},
             {"port": 0, "bus": 0, "target": 6}]
})";

class MappingPass : public MappingTest {
 protected:
  // Builds the adapter table; the roster is the test's.
  void Open() { ASSERT_EQ(BuildAdapterTable(), 0u); }
  static CScsiAdapter& Adapter(int i) { return *g_apAdapters[i]; }
};

TEST_F(MappingPass, OneCageMapsInThreeCyclesPerTarget) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();
  const size_t before = sim::bus_exchange_count(0x9C);

  EXPECT_EQ(ProbeTarget(roster, Adapter(0), 0, 1 << 3), 0u);
  EXPECT_EQ(sim::bus_exchange_count(0x9C) - before, 3 * kExchangesPerCycle + 1);
  EXPECT_EQ(sim::cage_at(0x9C)->latch_clears(), 3u);
  EXPECT_EQ(sim::cage_at(0x9C)->latch_reads(), 3u);
  EXPECT_EQ(TableEntries(), (std::vector<StoredEntry>{{0x9C, 3, 3, 0, 0}}));
}

TEST_F(MappingPass, FullPassStoresTheTruthAndSkipsTargetsNoCageCarries) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();
  const size_t before = sim::bus_exchange_count(0x9C);

  EXPECT_EQ(ProbeTarget(roster, Adapter(0), 0, 1 << 6), PROBE_NOT_IN_CAGES);
  EXPECT_EQ(sim::bus_exchange_count(0x9C), before);

  EXPECT_EQ(RunMappingPass(roster), 0u);
  // Targets 1 and 3 at three cycles each; target 6 costs nothing.
  EXPECT_EQ(sim::bus_exchange_count(0x9C) - before, 2 * (3 * kExchangesPerCycle + 1));
  EXPECT_EQ(StoredCount(), 2u);
  EXPECT_EQ(StoredEntries(), Truth());
  EXPECT_EQ(sim::priority_changes(),
            (std::vector<int>{THREAD_PRIORITY_HIGHEST, THREAD_PRIORITY_NORMAL}));
}

// Two cages with the same geometry on two buses: a cage that never lights
// for the probed target keeps all eight candidates, so the probe runs all
// 25 cycles, and the first cage (in roster order) with a slot wired to the
// target is recorded, whichever cage holds the drive.
struct TwoCageCase {
  const char* name;
  int first_cage_slot, second_cage_slot;  // each cage's one drive
  int probed_adapter;
  StoredEntry recorded;
};

void PrintTo(const TwoCageCase& c, std::ostream* out) { *out << c.name; }

class TwoCages : public MappingPass, public testing::WithParamInterface<TwoCageCase> {};

TEST_P(TwoCages, RunAllCyclesAndRecordTheFirstCagesSlot) {
  const TwoCageCase& c = GetParam();
  char rack[1024];
  std::snprintf(rack, sizeof(rack), R"({
    "cages": [
      {"address": "0x9C", "base_address_byte": "0x02", "cabled_to": {"port": 0, "bus": 0}},
      {"address": "0x9E", "base_address_byte": "0x02", "cabled_to": {"port": 1, "bus": 0}}],
    "ports": [{"model": "standard"}, {"model": "ami"}],
    "drives": [{"cage": "0x9C", "slot": %d}, {"cage": "0x9E", "slot": %d}]})",
                c.first_cage_slot, c.second_cage_slot);
  InstallRack(rack);
  CCageRoster roster;
  Open();
  const size_t before = sim::bus_exchange_count();

  EXPECT_EQ(ProbeTarget(roster, Adapter(c.probed_adapter), 0, 1 << 3), 0u);
  // The cage that never lit still has all eight slots to look up.
  EXPECT_EQ(sim::bus_exchange_count() - before, 25 * 2 * kExchangesPerCycle + 1 + 8);
  // The other cage's slot with the same target is refused as a duplicate.
  EXPECT_EQ(TableEntries(), (std::vector<StoredEntry>{c.recorded}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoCages,
    testing::Values(TwoCageCase{"DriveInFirstCage", 3, 0, 0, {0x9C, 3, 3, 0, 0}},
                    TwoCageCase{"DriveInSecondCage", 0, 3, 1, {0x9C, 3, 3, 0, 1}}),
    [](const testing::TestParamInfo<TwoCageCase>& info) { return info.param.name; });

TEST_F(MappingPass, FourCyclesWithoutCandidatesEndTheProbe) {
  // Slots 1 and 2 share target 2; the lit slot alternates between them from
  // cycle to cycle, so the second cycle leaves no candidate and none comes
  // back.
  std::shared_ptr<sim::Cage> cage = sim::attach_cage(0x9C);
  cage->set_base_address_byte(0x02);
  cage->set_occupied_slots(0x06);
  sim::scsi().add_port(sim::DriverModel::Standard);
  sim::scsi().add_target(0, 0, 2);
  sim::scsi().set_read_observer([&](int, int, int) {
    sim::Guard guard(sim::machine_mutex());
    cage->drive_io(1 + (cage->latch_clears() & 1));
  });
  g_AdapterList.Reload();
  CCageRoster roster;
  Open();
  const size_t before = sim::bus_exchange_count(0x9C);

  EXPECT_EQ(ProbeTarget(roster, Adapter(0), 0, 1 << 2), 0u);
  // One cycle narrowing to a slot, then four empty ones.
  EXPECT_EQ(sim::bus_exchange_count(0x9C) - before, 5 * kExchangesPerCycle);
  EXPECT_EQ(g_MappingTable.GetCount(), 0u);
}

TEST_F(MappingPass, UnreadableTargetIsLeftUnmappedAndThePassGoesOn) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();
  sim::scsi().remove_target(0, 0, 1);

  EXPECT_EQ(RunMappingPass(roster), 0u);
  EXPECT_EQ(StoredEntries(), (std::vector<StoredEntry>{{0x9C, 3, 3, 0, 0}}));
}

// A cage command failing in the second probe ends the pass with the
// roster's code; the first probe's entry stays in the table, unstored.
struct CageFailure {
  const char* name;
  std::function<void(sim::Cage&)> arm;
  DWORD result;
};

void PrintTo(const CageFailure& c, std::ostream* out) { *out << c.name; }

class CageFailsMidPass : public MappingPass, public testing::WithParamInterface<CageFailure> {};

TEST_P(CageFailsMidPass, EndsThePassUnstored) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();
  GetParam().arm(*sim::cage_at(0x9C));

  EXPECT_EQ(RunMappingPass(roster), GetParam().result);
  EXPECT_FALSE(Stored());
  EXPECT_EQ(TableEntries(), (std::vector<StoredEntry>{{0x9C, 0, 1, 0, 0}}));
  EXPECT_EQ(sim::current_thread_priority(), THREAD_PRIORITY_NORMAL);
}

// Exchange 32 is the second probe's first latch clear, 33 its latch read.
INSTANTIATE_TEST_SUITE_P(
    Failures, CageFailsMidPass,
    testing::Values(
        CageFailure{"StopsAnswering", [](sim::Cage& c) { c.stop_answering_after(31); },
                    CAGE_ERR_COMMAND_FAILED},
        CageFailure{"LatchReadCompletionCode",
                    [](sim::Cage& c) {
                      c.inject(sim::IpmbFaultSpec(sim::IpmbFault::completion_code, 0xC0), 33, 0);
                    },
                    CAGE_ERR_FIRMWARE}),
    [](const testing::TestParamInfo<CageFailure>& info) { return info.param.name; });

TEST_F(MappingPass, WithoutCagesStoresAnEmptyTable) {
  InstallRack(R"({"ports": [{"model": "ami"}], "drives": [{"port": 0, "bus": 0, "target": 1}]})");
  CCageRoster roster;
  Open();
  const size_t before = sim::bus_exchange_count();

  EXPECT_EQ(RunMappingPass(roster), 0u);
  EXPECT_EQ(StoredCount(), 0u);
  ASSERT_TRUE(sim::registry().value(kStoreKey, "Mappings"));
  EXPECT_TRUE(sim::registry().value(kStoreKey, "Mappings")->data.empty());
  EXPECT_EQ(sim::bus_exchange_count(), before);
}

TEST_F(MappingPass, StoreErrorIsThePassResult) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();
  sim::fail_call("RegSetValueExA", ERROR_ACCESS_DENIED);

  EXPECT_EQ(RunMappingPass(roster), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(MappingPass, DebugModePrintsEachChannelAndTheMappedTargets) {
  InstallRack(kOneCage);
  CCageRoster roster;
  Open();

  DebugOutput out;
  RunMappingPass(roster);
  EXPECT_EQ(out.Take(),
            "\nMapping adapter 0 channel 0 ... 1 3 done.\n"
            "Recording mapping in public store ... done.\n");
}

}  // namespace
