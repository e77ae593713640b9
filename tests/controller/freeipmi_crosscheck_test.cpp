// Every request of every IPMI device command, taken from the bus trace and
// judged by FreeIPMI's IPMB message parser and checksum routines.
#include <gtest/gtest.h>

#include <freeipmi/freeipmi.h>

#include <vector>

#include "controller_fixture.h"

namespace {

fiid_field_t kCommandTemplate[] = {
    {8, "cmd", FIID_FIELD_REQUIRED | FIID_FIELD_LENGTH_FIXED},
    {8 * 32, "data", FIID_FIELD_OPTIONAL | FIID_FIELD_LENGTH_VARIABLE},
    {0, "", 0}};

uint64_t Field(fiid_obj_t obj, const char* name) {
  uint64_t value = 0;
  EXPECT_EQ(fiid_obj_get(obj, name, &value), 1) << name;
  return value;
}

// Splits one written request and checks it. FreeIPMI parses IPMB messages
// in the response layout, which is the request layout without its leading
// responder address; its field names are therefore the response's: its
// "rq_lun" is our rsLUN, "rs_addr" our rqSA, "rs_lun" our rqLUN, and the
// address it takes for checksum 1 is the device's.
void CheckRequest(uint8_t address, const std::vector<uint8_t>& written, uint8_t expected_seq) {
  fiid_obj_t whole = fiid_obj_create(tmpl_ipmb_msg);
  fiid_obj_t header = fiid_obj_create(tmpl_ipmb_msg_hdr_rs);
  fiid_obj_t command = fiid_obj_create(kCommandTemplate);
  fiid_obj_t trailer = fiid_obj_create(tmpl_ipmb_msg_trlr);
  ASSERT_TRUE(whole && header && command && trailer);
  ASSERT_GE(fiid_obj_set_all(whole, written.data(), written.size()), 0);
  ASSERT_EQ(unassemble_ipmi_ipmb_msg(whole, header, command, trailer, 0), 1);

  EXPECT_EQ(ipmi_ipmb_check_checksum(address, header, command, trailer), 1);
  EXPECT_EQ(Field(header, "rq_lun"), 0u);     // rsLUN
  EXPECT_EQ(Field(header, "rs_addr"), 0x20u);  // rqSA
  EXPECT_EQ(Field(header, "rs_lun"), 2u);      // rqLUN
  EXPECT_EQ(Field(header, "rq_seq"), expected_seq);
  uint64_t net_fn = Field(header, "net_fn");
  EXPECT_TRUE(net_fn == IPMI_NET_FN_APP_RQ || net_fn == IPMI_NET_FN_STORAGE_RQ) << net_fn;

  // Checksum 2 recomputed by FreeIPMI over rqSA to the last data byte.
  EXPECT_EQ(ipmi_checksum(written.data() + 2, written.size() - 3), Field(trailer, "checksum2"));

  fiid_obj_destroy(whole);
  fiid_obj_destroy(header);
  fiid_obj_destroy(command);
  fiid_obj_destroy(trailer);
}

TEST_F(ControllerTest, FreeIpmiAcceptsEveryRequestOfEveryCommand) {
  device->set_fru_area(300, false);
  BYTE bytes[40] = {1, 2, 3};
  api.GetDeviceID();
  api.ColdReset();
  api.WarmReset();
  api.GetSelfTestResults();
  api.MfgTestOn();
  api.GetFRUInventoryAreaInfo();
  api.ReadFRUInventoryData(ReadFRURequest{0x0102, 8});
  WriteFRURequest write = {};
  write.wOffset = 3;
  write.bCount = 5;
  api.WriteFRUInventoryData(write);
  api.ReadFRUData(1, 30);
  api.ReadAllFRUData();
  api.WriteFRUData(2, CByteBuffer(bytes, 40));

  std::vector<sim::BusExchange> trace = sim::bus_trace();
  ASSERT_GT(trace.size(), 15u);
  uint8_t seq = 1;  // one attempt per message: no faults armed
  for (const sim::BusExchange& exchange : trace) {
    SCOPED_TRACE(sim::format_bus_exchange(exchange));
    ASSERT_EQ(exchange.address, 0x9C);
    CheckRequest(0x9C, exchange.written, seq);
    seq = (seq + 1) & 0x3F;
  }
}

TEST(FreeIpmiCheck, RejectsChecksum2OverTheWrongRange) {
  // Get Device ID to 0x9C with checksum 2 taken over netFn to command.
  std::vector<uint8_t> written{0x18, 0x4C, 0x20, 0x06, 0x01, 0x75};
  fiid_obj_t whole = fiid_obj_create(tmpl_ipmb_msg);
  fiid_obj_t header = fiid_obj_create(tmpl_ipmb_msg_hdr_rs);
  fiid_obj_t command = fiid_obj_create(kCommandTemplate);
  fiid_obj_t trailer = fiid_obj_create(tmpl_ipmb_msg_trlr);
  ASSERT_GE(fiid_obj_set_all(whole, written.data(), written.size()), 0);
  ASSERT_EQ(unassemble_ipmi_ipmb_msg(whole, header, command, trailer, 0), 1);
  EXPECT_EQ(ipmi_ipmb_check_checksum(0x9C, header, command, trailer), 0);
  fiid_obj_destroy(whole);
  fiid_obj_destroy(header);
  fiid_obj_destroy(command);
  fiid_obj_destroy(trailer);
}

}  // namespace
