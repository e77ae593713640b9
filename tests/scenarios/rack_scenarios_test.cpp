// Whole runs of the mapping service on the rack files of tests/racks: the
// first pass, the checks of the timeline's insertions, and the store at the
// timeline's end, against the rack's ground truth where the algorithm is
// exact and against the outcome its rules give where it is not.
#include <gtest/gtest.h>

#include "sim/rack/rack.h"
#include "slotwarden/mapping/mapping_service.h"
#include "tests/mapping/mapping_fixture.h"

namespace {

struct RackCase {
  const char* file;  // in tests/racks; empty: the built-in rack
  // The expected "Mappings" as hex, or empty when the store must hold the
  // ground truth.
  const char* expected;
};

std::vector<uint8_t> Bytes(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

void PrintTo(const RackCase& c, std::ostream* out) { *out << (*c.file ? c.file : "built-in rack"); }

class RackScenario : public MappingTest, public testing::WithParamInterface<RackCase> {};

TEST_P(RackScenario, StoreAtTheEnd) {
  const RackCase& c = GetParam();
  const std::string file = c.file;
  InstallRack(file.empty() ? sim::default_rack()
                           : sim::load_rack_file(std::string(SW_RACK_DIR) + "/" + file),
              RequestStop);

  EXPECT_EQ(RunMappingService(), 0u);
  const std::string expected = c.expected;
  if (expected.empty()) {
    EXPECT_EQ(Sorted(StoredEntries()), Sorted(Truth()));
  } else {
    EXPECT_EQ(StoredEntries(), EntriesOf(Bytes(expected)));
    EXPECT_NE(Sorted(StoredEntries()), Sorted(Truth()));
  }
  EXPECT_EQ(StoredCount(), StoredEntries().size());
}

INSTANTIATE_TEST_SUITE_P(
    Racks, RackScenario,
    testing::Values(
        RackCase{"", ""},
        RackCase{"one_cage.json", ""},
        // The late drive is located at the retry after its bus shows it.
        RackCase{"two_cages_late_drive.json", ""},
        // Cage 0x9E's drives at targets 1 and 4 are first recorded in
        // cage 0x9C's slots 0 and 4 on adapter 1; the correction pass
        // invalidates them (cage 0x9C's majority is adapter 0), and the
        // later drive in 0x9E slot 3 is found by rescan.
        RackCase{"overlapping_geometry.json",
                 "9c00010000" "9c03030000" "9c07090000" "ffffffffff" "ffffffffff" "9e03030001"}),
    [](const testing::TestParamInfo<RackCase>& info) {
      std::string name = *info.param.file ? info.param.file : "default_rack";
      name = name.substr(0, name.find('.'));
      return name;
    });

}  // namespace
