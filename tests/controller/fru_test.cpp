// The FRU range operations: chunking in byte and word mode, range checks,
// odd answers, and the translation under their own names.
#include <gtest/gtest.h>

#include <vector>

#include "controller_fixture.h"
#include "sim/core/faults.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Chunk {
  int offset;
  int count;  // units asked for (read) or data bytes sent (write)
  bool operator==(const Chunk& o) const { return offset == o.offset && count == o.count; }
};

std::ostream& operator<<(std::ostream& os, const Chunk& c) {
  return os << "{" << c.offset << "," << c.count << "}";
}

class Fru : public ControllerTest {
 protected:
  std::vector<Chunk> Chunks(uint8_t command) {
    std::vector<Chunk> chunks;
    for (const sim::IpmbRequest& r : device->requests()) {
      if (r.net_fn != 0x0A || r.command != command) continue;
      int offset = r.data[0] | r.data[1] << 8;
      chunks.push_back({offset, command == 0x11 ? r.data[2] : int(r.data.size()) - 2});
    }
    return chunks;
  }
  Bytes Data(const CByteBuffer& buffer) {
    return Bytes(buffer.GetData(), buffer.GetData() + buffer.GetSize());
  }
};

TEST_F(Fru, ByteModeReadsChunksOf22) {
  device->set_fru_area(200, false);
  CByteBuffer data = api.ReadFRUData(7, 50);
  EXPECT_EQ(Chunks(0x11), (std::vector<Chunk>{{7, 22}, {29, 22}, {51, 6}}));
  Bytes area = device->fru_bytes();
  EXPECT_EQ(Data(data), Bytes(area.begin() + 7, area.begin() + 57));
}

TEST_F(Fru, WordModeReadsChunksOf11Words) {
  device->set_fru_area(100, true);
  CByteBuffer data = api.ReadFRUData(5, 30);
  EXPECT_EQ(Chunks(0x11), (std::vector<Chunk>{{5, 11}, {16, 11}, {27, 8}}));
  Bytes area = device->fru_bytes();
  EXPECT_EQ(Data(data), Bytes(area.begin() + 10, area.begin() + 70));
}

TEST_F(Fru, ReadOfNothingAsksOnlyForTheAreaInfo) {
  device->set_fru_area(100, false);
  CByteBuffer data = api.ReadFRUData(3, 0);
  EXPECT_EQ(data.GetSize(), 0u);
  EXPECT_EQ(data.GetData(), nullptr);
  EXPECT_EQ(device->exchanges(), 1u);
}

TEST_F(Fru, ReadAllOfAnEmptyAreaIsEmpty) {
  device->set_fru_area(0, false);
  EXPECT_EQ(api.ReadAllFRUData().GetSize(), 0u);
}

TEST_F(Fru, ReadAllReturnsTheWholeArea) {
  device->set_fru_area(30, true);
  EXPECT_EQ(Data(api.ReadAllFRUData()), device->fru_bytes());
}

TEST_F(Fru, ReadPastTheEndOfTheAddressSpaceFailsBeforeAnyExchange) {
  Caught caught = CatchFrom([&] { api.ReadFRUData(65535, 1); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "ReadFRUData");
  EXPECT_EQ(caught.condition, "if ( ( wOffset + wCount ) > 65535 )");
  EXPECT_EQ(caught.message, "Requested FRU size is invalid");
  EXPECT_EQ(sim::bus_exchange_count(), 0u);
}

TEST_F(Fru, ReadLargerThanTheAreaFailsAfterTheAreaInfo) {
  device->set_fru_area(40, false);
  Caught caught = CatchFrom([&] { api.ReadFRUData(0, 41); });
  EXPECT_EQ(caught.condition, "if ( dwArraySize > dwFRUSize )");
  EXPECT_EQ(caught.message, "Requested FRU size is invalid");
  EXPECT_EQ(device->exchanges(), 1u);
}

TEST_F(Fru, ZeroCountEndsTheReadWithWhatArrived) {
  device->set_fru_area(100, false);
  device->inject({sim::IpmbFault::replace_data, 0, {0x00, 0x00}}, 3, 0);
  CByteBuffer data = api.ReadFRUData(0, 50);
  EXPECT_EQ(data.GetSize(), 22u);
  EXPECT_EQ(device->exchanges(), 3u);
}

TEST_F(Fru, CountAboveTheChunkIsTakenAsTheChunk) {
  device->set_fru_area(100, false);
  Bytes answer = {0x00, 22};
  answer.resize(24, 0xAA);
  device->inject({sim::IpmbFault::replace_data, 0, answer}, 2, 1);
  CByteBuffer data = api.ReadFRUData(0, 6);
  EXPECT_EQ(Data(data), Bytes(6, 0xAA));
}

TEST_F(Fru, BytesMissingFromAShortAnswerReadAsZero) {
  device->set_fru_area(100, false);
  device->inject({sim::IpmbFault::replace_data, 0, {0x00, 6, 0xAA, 0xAB}}, 2, 1);
  EXPECT_EQ(Data(api.ReadFRUData(0, 6)), (Bytes{0xAA, 0xAB, 0, 0, 0, 0}));
}

TEST_F(Fru, ByteModeWritesChunksOf16) {
  device->set_fru_area(100, false);
  Bytes bytes(40);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0x80 + i);
  api.WriteFRUData(10, CByteBuffer(bytes.data(), 40));
  EXPECT_EQ(Chunks(0x12), (std::vector<Chunk>{{10, 16}, {26, 16}, {42, 8}}));
  Bytes area = device->fru_bytes();
  EXPECT_EQ(Bytes(area.begin() + 10, area.begin() + 50), bytes);
}

TEST_F(Fru, WordModeWritesChunksOf8WordsAndDropsAnOddByte) {
  device->set_fru_area(100, true);
  Bytes bytes(33, 0x5A);
  api.WriteFRUData(4, CByteBuffer(bytes.data(), 33));
  EXPECT_EQ(Chunks(0x12), (std::vector<Chunk>{{4, 16}, {12, 16}}));
  Bytes area = device->fru_bytes();
  EXPECT_EQ(Bytes(area.begin() + 8, area.begin() + 40), Bytes(32, 0x5A));
  EXPECT_NE(area[40], 0x5A);
}

TEST_F(Fru, WriteUpToTheEndOfTheAreaIsAccepted) {
  device->set_fru_area(20, false);
  Bytes bytes(5, 1);
  api.WriteFRUData(15, CByteBuffer(bytes.data(), 5));
  Caught caught = CatchFrom([&] { api.WriteFRUData(16, CByteBuffer(bytes.data(), 5)); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "WriteFRUData");
  EXPECT_EQ(caught.condition,
            "if ( ( wOffset  + wCount ) > FRUInfoResponse.fruInventoryAreaSize )");
  EXPECT_EQ(caught.message, "Requested FRU size is invalid");
}

TEST_F(Fru, WritePastTheEndOfTheAddressSpaceFails) {
  device->set_fru_area(20, false);
  Bytes bytes(2, 1);
  Caught caught = CatchFrom([&] { api.WriteFRUData(65535, CByteBuffer(bytes.data(), 2)); });
  EXPECT_EQ(caught.condition, "if ( ( wOffset  + wCount ) > 65535 )");
  EXPECT_EQ(Chunks(0x12).size(), 0u);
}

TEST_F(Fru, ZeroCountWrittenEndsTheWrite) {
  device->set_fru_area(100, false);
  device->inject({sim::IpmbFault::replace_data, 0, {0x00, 0x00}}, 2, 0);
  Bytes bytes(40, 1);
  api.WriteFRUData(0, CByteBuffer(bytes.data(), 40));
  EXPECT_EQ(device->exchanges(), 2u);
}

// Failures inside the range operations leave under the operation's own name.
struct RangeCase {
  const char* name;
  std::function<void(CIpmApi&)> call;
};

class RangeTranslation : public Fru, public testing::WithParamInterface<RangeCase> {};

TEST_P(RangeTranslation, FirmwareErrorKeepsItsClass) {
  device->set_fru_area(40, false);
  device->inject({sim::IpmbFault::completion_code, 0xC9}, 2, 0);
  Caught caught = CatchFrom([&] { GetParam().call(api); });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.function, GetParam().name);
  EXPECT_EQ(caught.message, "IPMI: Parameter Out Of Range (0x00c9)");
}

TEST_P(RangeTranslation, OtherFailureBecomesIpmApiException) {
  device->set_fru_area(40, false);
  device->inject({sim::IpmbFault::bad_checksum2}, 2, 0);
  Caught caught = CatchFrom([&] { GetParam().call(api); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, GetParam().name);
  EXPECT_EQ(caught.message, "Checksum2 is invalid");
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RangeTranslation,
    testing::Values(RangeCase{"ReadFRUData", [](CIpmApi& a) { a.ReadFRUData(0, 30); }},
                    RangeCase{"ReadAllFRUData", [](CIpmApi& a) { a.ReadAllFRUData(); }},
                    RangeCase{"WriteFRUData",
                              [](CIpmApi& a) {
                                BYTE bytes[20] = {};
                                a.WriteFRUData(0, CByteBuffer(bytes, 20));
                              }}),
    [](const testing::TestParamInfo<RangeCase>& info) { return info.param.name; });

TEST(ByteBuffer, CopiesAreDeepAndEmptyStaysEmpty) {
  BYTE bytes[3] = {1, 2, 3};
  CByteBuffer original(bytes, 3);
  CByteBuffer copy(original);
  EXPECT_NE(copy.GetData(), original.GetData());
  EXPECT_EQ(copy.GetData()[2], 3);
  CByteBuffer empty(nullptr, 5);
  EXPECT_EQ(empty.GetSize(), 0u);
  CByteBuffer emptyCopy(empty);
  EXPECT_EQ(emptyCopy.GetData(), nullptr);
}

}  // namespace
