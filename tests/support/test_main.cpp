// Test entry: every test case starts on a freshly reset simulated machine.
#include <gtest/gtest.h>

#include "sim/core/machine.h"

namespace {

class FreshMachine : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { sim::reset(); }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new FreshMachine);
  return RUN_ALL_TESTS();
}
