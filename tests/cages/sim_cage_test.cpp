// The simulated cage's latch and its quirks, as the SCSI simulation and the
// rack scenarios will drive them.
#include <gtest/gtest.h>

#include "sim/cages/cage.h"
#include "slotwarden/cages/tessark_cage.h"
#include "slotwarden/controller/exceptions.h"

namespace {

TEST(SimCage, DriveIoLightsOnlyOccupiedSlotsUntilCleared) {
  auto cage = sim::attach_cage(0x9C);
  cage->set_occupied_slots(0x05);
  cage->drive_io(0);
  cage->drive_io(1);
  cage->drive_io(2);
  EXPECT_EQ(cage->latch(), 0x05);
  cage->drive_io(0);
  EXPECT_EQ(cage->latch(), 0x05);
  CTessarkCage tessark;
  tessark.SetSlaveAddress(0x9C);
  tessark.ClearDriveActivityLatch();
  EXPECT_EQ(cage->latch(), 0);
  EXPECT_EQ(cage->latch_clears(), 1u);
}

TEST(SimCage, LatchThatNeverLights) {
  auto cage = sim::attach_cage(0x9C);
  cage->set_occupied_slots(0xFF);
  cage->set_latch_never_lights(true);
  cage->drive_io(3);
  EXPECT_EQ(cage->latch(), 0);
}

TEST(SimCage, SlotLitByEveryReadOnTheBus) {
  auto first = sim::attach_cage(0x9C);
  auto second = sim::attach_cage(0x9E);
  second->set_slot_lit_by_every_bus_read(4);
  sim::notify_bus_drive_read();
  EXPECT_EQ(first->latch(), 0);
  EXPECT_EQ(second->latch(), 0x10);
  EXPECT_EQ(sim::cage_at(0x9E), second);
  EXPECT_EQ(sim::cage_at(0x9A), nullptr);
}

TEST(SimCage, StopsAnsweringAfterNExchanges) {
  auto cage = sim::attach_cage(0x9C);
  cage->stop_answering_after(2);
  CTessarkCage tessark;
  tessark.SetSlaveAddress(0x9C);
  tessark.GetBackplaneStatus();
  tessark.GetBackplaneStatus();
  EXPECT_THROW(tessark.GetBackplaneStatus(), CTessarkException);
}

}  // namespace
