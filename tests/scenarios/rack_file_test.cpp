// Rack files that describe no buildable rack are refused with the place
// and the reason.
#include <gtest/gtest.h>

#include <string>

#include "sim/rack/rack.h"

namespace {

struct BadRack {
  const char* json;
  const char* error;
};

void PrintTo(const BadRack& c, std::ostream* out) { *out << c.error; }

class RackFileErrors : public testing::TestWithParam<BadRack> {};

TEST_P(RackFileErrors, NameThePlaceAndTheReason) {
  try {
    sim::parse_rack(GetParam().json);
    ADD_FAILURE() << "accepted";
  } catch (const sim::RackError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().error), std::string::npos) << error.what();
  }
}

#define CAGE R"("cages": [{"address": "0x9C", "base_address_byte": 2, "cabled_to": {"port": 0, "bus": 0}}])"
#define PORT R"("ports": [{"model": "ami"}])"

INSTANTIATE_TEST_SUITE_P(
    Files, RackFileErrors,
    testing::Values(
        BadRack{"{", "not valid JSON"},
        BadRack{R"({"cage": []})", "rack: unknown field 'cage'"},
        BadRack{R"({"cages": [{"address": "0x9A", "cabled_to": {"port": 0, "bus": 0}}], )" PORT "}",
                "cages[0].address: a cage sits at 0x9C or 0x9E"},
        BadRack{"{" CAGE "}", "cages[0]"},
        BadRack{"{" CAGE ", " PORT R"(, "drives": [{"cage": "0x9C", "slot": 8}]})",
                "drives[0].slot: 8 is above 7"},
        BadRack{"{" CAGE ", " PORT R"(, "drives": [{"cage": "0x9C", "slot": 1}, {"cage": "0x9C", "slot": 2}]})",
                "drives[1]: answers at the same SCSI location as drives[0]"},
        BadRack{"{" CAGE ", " PORT R"(, "drives": [{"cage": "0x9C", "slot": 0, "kind": "cdrom"}]})",
                "drives[0]: cage slots hold disks"},
        BadRack{"{" PORT R"(, "drives": [{"port": 0, "bus": 1, "target": 3}]})",
                "drives[0]: no such port and bus"},
        BadRack{"{" PORT R"(, "drives": [{"port": 0, "bus": 0, "target": "x3"}]})",
                "drives[0].target: 'x3' is not a number"},
        BadRack{R"({"ports": [{"model": "scsi"}]})", "ports[0].model: 'scsi' is not standard"},
        BadRack{R"({"timeline": [{"at_ms": 5, "stop": true, "end": true}]})",
                "timeline[0]: needs exactly one of"},
        BadRack{R"({"timeline": [{"at_ms": 5, "insert": {"cage": "0x9E", "slot": 0}}]})",
                "timeline[0]: no cage at that address"},
        BadRack{R"({"cages": [{"address": "0x9C", "lights_on_any_read": [1, 2], "cabled_to": {"port": 0, "bus": 0}}], )" PORT "}",
                "cages[0].lights_on_any_read: at most one slot"}));

TEST(RackFile, NumbersInCNotationAndDefaults) {
  sim::Rack rack = sim::parse_rack(R"({"cages": [{"address": "0x9E", "cabled_to": {"port": 0, "bus": "1"}}],
                                     "ports": [{"buses": 2}]})");
  ASSERT_EQ(rack.cages.size(), 1u);
  EXPECT_EQ(rack.cages[0].address, 0x9E);
  EXPECT_EQ(rack.cages[0].base_address_byte, 0x02);
  EXPECT_EQ(rack.cages[0].bus, 1);
  EXPECT_TRUE(rack.cages[0].answering);
  EXPECT_EQ(rack.ports[0].model, "standard");
}

}  // namespace
