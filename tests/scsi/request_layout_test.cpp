// Every field of the four request layouts, byte by byte, as the drivers
// receive them.
#include <gtest/gtest.h>

#include <vector>

#include "sim/core/faults.h"
#include "slotwarden/scsi/scsi_results.h"
#include "tests/scsi/adapters.h"
#include "tests/scsi/scsi_fixture.h"

namespace {

// An expected header: zeros except the fields put into it.
class Expected {
 public:
  explicit Expected(size_t n) : bytes_(n, 0) {}
  Expected& b(size_t at, uint8_t v) {
    bytes_[at] = v;
    return *this;
  }
  Expected& w(size_t at, uint16_t v) { return b(at, v & 0xFF).b(at + 1, v >> 8); }
  Expected& d(size_t at, uint32_t v) { return w(at, v & 0xFFFF).w(at + 2, v >> 16); }
  Expected& bytes(size_t at, const std::vector<uint8_t>& v) {
    for (size_t i = 0; i < v.size(); ++i) bytes_[at + i] = v[i];
    return *this;
  }
  const std::vector<uint8_t>& get() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

const std::vector<uint8_t> kInquiry = {0x12, 0x00, 0x00, 0x00, 0xF0, 0x00};
const std::vector<uint8_t> kFormatUnit = {0x04, 0x00, 0x00, 0x00, 0x00, 0x00};
const std::vector<uint8_t> kWriteBuffer = {0x3B, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00};
const std::vector<uint8_t> kTestUnitReady = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

class RequestLayout : public ScsiTest {
 protected:
  // A port of the model with a disk at channel 1, target 3, opened.
  CScsiAdapter& Adapter(sim::DriverModel model) {
    AddPort(model, 2);
    sim::scsi().add_target(0, 1, 3, {sim::DeviceType::Disk, 0, 0, false});
    adapter_ = MakeAdapter(model, 0);
    EXPECT_EQ(adapter_->Open(), 0u);
    return *adapter_;
  }

  DWORD In(const std::vector<uint8_t>& cdb) {
    return adapter_->ExecuteIn(1, 3, cdb.data(), (int)cdb.size());
  }
  DWORD Out(const std::vector<uint8_t>& cdb) {
    return adapter_->ExecuteOut(1, 3, cdb.data(), (int)cdb.size());
  }

  // The request as received, and the low 32 bits of its buffer's byte `at`.
  sim::ScsiRequest Sent() { return *sim::scsi().last_request(); }
  static uint32_t Address(const sim::ScsiRequest& r, size_t at) {
    return (uint32_t)(r.in_address + at);
  }
  static std::vector<uint8_t> Head(const sim::ScsiRequest& r, size_t n) {
    return std::vector<uint8_t>(r.input.begin(), r.input.begin() + n);
  }

  std::unique_ptr<CScsiAdapter> adapter_;
};

Expected PassThrough(uint8_t bDataIn, uint32_t cbData, const std::vector<uint8_t>& cdb) {
  Expected e(44);
  e.w(0, 44).b(3, 1).b(4, 3).b(6, (uint8_t)cdb.size()).b(7, 32).b(8, bDataIn);
  e.d(12, cbData).d(16, 5000).d(20, 160).d(24, 44).bytes(28, cdb);
  return e;
}

TEST_F(RequestLayout, PassThrough) {
  CScsiAdapter& adapter = Adapter(sim::DriverModel::Standard);
  ASSERT_EQ(In(kInquiry), 0u);
  sim::ScsiRequest r = Sent();
  EXPECT_EQ(r.device, "\\\\.\\SCSI0:");
  EXPECT_EQ(r.code, 0x4D004u);
  EXPECT_EQ(r.in_size, 44u);
  EXPECT_EQ(r.out_size, 240u + 160u);
  EXPECT_EQ(Head(r, 44), PassThrough(1, 240, kInquiry).get());
  EXPECT_EQ(adapter.GetDataBuffer(false)[0], 0x00);  // INQUIRY data landed at 160

  ASSERT_EQ(Out(kWriteBuffer), 0u);
  r = Sent();
  EXPECT_EQ(r.in_size, 512u + 160u);
  EXPECT_EQ(r.out_size, 160u);
  EXPECT_EQ(Head(r, 44), PassThrough(0, 512, kWriteBuffer).get());
}

Expected Ami(bool bIn, uint32_t cbLength, uint8_t bControl, uint32_t cbData,
             const std::vector<uint8_t>& cdb, uint32_t dwAddress) {
  Expected e(96);
  e.d(0, 28).d(12, 0xFFFFFFFF).d(16, bIn ? 0 : 1).d(24, cbLength);
  e.b(28, 3).b(29, 0xAA).b(36, bControl).b(38, 1).b(39, 3).bytes(42, cdb);
  e.b(52, (uint8_t)cdb.size()).b(53, 32).d(88, dwAddress).d(92, cbData);
  return e;
}

TEST_F(RequestLayout, Ami) {
  Adapter(sim::DriverModel::Ami);
  ASSERT_EQ(In(kInquiry), 0u);
  sim::ScsiRequest r = Sent();
  EXPECT_EQ(r.code, 0x4D008u);
  EXPECT_EQ(r.in_size, 0x8000u + 96u);
  EXPECT_EQ(r.out_size, 0x8000u + 96u);
  EXPECT_EQ(Head(r, 96), Ami(true, 0x8000 + 68, 0x08, 240, kInquiry, Address(r, 96)).get());

  ASSERT_EQ(In(kFormatUnit), 0u);
  r = Sent();
  EXPECT_EQ(Head(r, 96), Ami(true, 0x8000 + 68, 0x0B, 0, kFormatUnit, Address(r, 96)).get());

  ASSERT_EQ(Out(kWriteBuffer), 0u);
  r = Sent();
  EXPECT_EQ(r.in_size, 512u + 96u);
  EXPECT_EQ(r.out_size, 512u + 96u);
  EXPECT_EQ(Head(r, 96), Ami(false, 512 + 68, 0x0A, 512, kWriteBuffer, Address(r, 96)).get());

  ASSERT_EQ(Out(kFormatUnit), 0u);  // only a data-out WRITE BUFFER gets code 2
  EXPECT_EQ(Sent().input[36], 0x08);
}

Expected Mylex(bool bIn, uint32_t cbData, const std::vector<uint8_t>& cdb, uint32_t dwAddress) {
  Expected e(148);
  e.d(0, 28).d(12, 60).d(24, cbData + 120).b(44, 4).b(60, 1 * 16 + 3);
  e.b(61, bIn ? 0x81 : 0x82).w(62, (uint16_t)cbData).d(64, dwAddress);
  e.b(68, (uint8_t)cdb.size()).b(69, 64).bytes(70, cdb);
  return e;
}

TEST_F(RequestLayout, Mylex) {
  CScsiAdapter& adapter = Adapter(sim::DriverModel::Mylex);
  EXPECT_EQ(adapter.GetMaxTransfer(), 4096u);
  ASSERT_EQ(In(kInquiry), 0u);
  sim::ScsiRequest r = Sent();
  EXPECT_EQ(r.code, 0x4D008u);
  EXPECT_EQ(r.in_size, 240u + 148u);
  EXPECT_EQ(r.out_size, 240u + 148u);
  EXPECT_EQ(Head(r, 148), Mylex(true, 240, kInquiry, Address(r, 148)).get());

  ASSERT_EQ(Out(kWriteBuffer), 0u);
  r = Sent();
  EXPECT_EQ(r.in_size, 512u + 148u);
  EXPECT_EQ(Head(r, 148), Mylex(false, 512, kWriteBuffer, Address(r, 148)).get());
}

Expected Tarn(bool bIn, uint32_t cbData, uint32_t dwTimeout, const std::vector<uint8_t>& cdb,
              const sim::ScsiRequest& r) {
  Expected e(64);
  e.w(0, 64).b(5, 1).b(6, 3).b(8, 0xFF).b(10, (uint8_t)cdb.size()).b(11, 32);
  e.d(12, bIn ? 0x10048 : 0x10088).d(16, cbData).d(20, dwTimeout);
  e.d(24, (uint32_t)(r.in_address + 96)).d(28, (uint32_t)(r.in_address + 64)).bytes(48, cdb);
  return e;
}

TEST_F(RequestLayout, Tarn) {
  Adapter(sim::DriverModel::Tarn);
  ASSERT_EQ(In(kInquiry), 0u);
  sim::ScsiRequest r = Sent();
  EXPECT_EQ(r.device, "\\\\.\\TRN0");
  EXPECT_EQ(r.code, 0x4204Cu);
  EXPECT_EQ(r.in_size, 64u);
  EXPECT_EQ(r.out_size, 64u);
  EXPECT_EQ(Head(r, 64), Tarn(true, 240, 5, kInquiry, r).get());

  // A data-in request asks for 32 bytes at least; data out for what it moves.
  ASSERT_EQ(In(kTestUnitReady), 0u);
  r = Sent();
  EXPECT_EQ(Head(r, 64), Tarn(true, 32, 5, kTestUnitReady, r).get());
  ASSERT_EQ(Out(kTestUnitReady), 0u);
  r = Sent();
  EXPECT_EQ(Head(r, 64), Tarn(false, 0, 5, kTestUnitReady, r).get());

  ASSERT_EQ(In(kFormatUnit), 0u);
  r = Sent();
  EXPECT_EQ(Head(r, 64), Tarn(true, 32, 7500, kFormatUnit, r).get());
  ASSERT_EQ(Out(kWriteBuffer), 0u);
  r = Sent();
  EXPECT_EQ(Head(r, 64), Tarn(false, 512, 600, kWriteBuffer, r).get());
}

}  // namespace
