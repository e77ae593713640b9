// The IPMI transport: request framing, lengths, validation, retries and the
// QBXAPI call order, against the simulated controller and device.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "controller_fixture.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "slotwarden/controller/ipmi_frames.h"

namespace {

using Bytes = std::vector<uint8_t>;

class Transport : public ControllerTest {
 protected:
  // Get Device ID expecting `expected` bytes; returns the bytes received.
  Bytes Send(int expected = 7, BYTE command = 0x01, const BYTE* data = nullptr, int length = 0) {
    BYTE response[40] = {};
    int n = expected;
    api.SendReceiveIPMIMessage(0x06, command, data, length, response, &n);
    return Bytes(response, response + (expected > 0 ? n : 0));
  }
  std::vector<int> Sequences() {
    std::vector<int> numbers;
    for (const sim::IpmbRequest& r : device->requests()) numbers.push_back(r.rq_seq);
    return numbers;
  }
};

// Vectors worked out by hand from the IPMB request layout: checksum 1 over
// rsSA and netFn/rsLUN, checksum 2 over rqSA, rqSeq/rqLUN, command and data.
TEST_F(Transport, FirstRequestMatchesHandComputedFrame) {
  Bytes answer = Send();
  std::vector<sim::BusExchange> trace = sim::bus_trace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].address, 0x9C);
  EXPECT_EQ(trace[0].written, (Bytes{0x18, 0x4C, 0x20, 0x06, 0x01, 0xD9}));
  EXPECT_EQ(answer, (Bytes{0x00, 0x20, 0x01, 0x01, 0x00, 0x51, 0x00}));
}

TEST_F(Transport, RequestWithDataMatchesHandComputedFrame) {
  BYTE data[] = {0x08};
  Send(2, 0x1F, data, 1);
  // netFn 06, rsLUN 0 -> 18; 0x9C + 0x18 = 0xB4 -> 4C; 20 + 06 + 1F + 08 = 4D -> B3.
  EXPECT_EQ(sim::bus_trace().at(0).written, (Bytes{0x18, 0x4C, 0x20, 0x06, 0x1F, 0x08, 0xB3}));
}

TEST_F(Transport, StorageRequestToOtherAddressMatchesHandComputedFrame) {
  auto other = std::make_shared<sim::IpmiDevice>(0x9E);
  sim::attach_i2c_device(0x9E, other);
  api.SetSlaveAddress(0x9E);
  BYTE data[] = {0x34, 0x12, 0x16};
  BYTE response[40];
  int n = 25;
  api.SendReceiveIPMIMessage(0x0A, 0x11, data, 3, response, &n);
  // 9E + 28 = C6 -> 3A; 20 + 06 + 11 + 34 + 12 + 16 = 93 -> 6D.
  EXPECT_EQ(sim::bus_trace().at(0).written,
            (Bytes{0x28, 0x3A, 0x20, 0x06, 0x11, 0x34, 0x12, 0x16, 0x6D}));
}

TEST_F(Transport, SequenceNumbersRunOneTo63ThenZero) {
  for (int i = 0; i < 65; ++i) Send();
  std::vector<int> numbers = Sequences();
  ASSERT_EQ(numbers.size(), 65u);
  EXPECT_EQ(numbers[0], 1);
  EXPECT_EQ(numbers[62], 63);
  EXPECT_EQ(numbers[63], 0);
  EXPECT_EQ(numbers[64], 1);
}

TEST_F(Transport, EveryAttemptCarriesAFreshSequenceNumber) {
  device->inject({sim::IpmbFault::completion_code, 0xC0}, 1, 2);
  EXPECT_EQ(Send().at(0), 0x00);
  EXPECT_EQ(Sequences(), (std::vector<int>{1, 2, 3}));
}

TEST_F(Transport, PersistentCompletionCodeIsReturnedAfterElevenAttempts) {
  device->inject({sim::IpmbFault::completion_code, 0xC1}, 1, 0);
  Bytes answer = Send();
  EXPECT_EQ(answer, Bytes{0xC1});
  std::vector<sim::BusExchange> trace = sim::bus_trace();
  ASSERT_EQ(trace.size(), 11u);
  for (size_t i = 1; i < trace.size(); ++i) {
    EXPECT_EQ(trace[i].pause_before_ms, 500u);
    EXPECT_EQ(trace[i].start_ms - trace[i - 1].end_ms, 500u);
  }
  EXPECT_EQ(sim::qbx_device_stats().opens, 11u);
  EXPECT_EQ(sim::qbx_device_stats().closes, 11u);
}

TEST_F(Transport, OneExchangeOpensAndClosesOnceInOrder) {
  Send();
  std::vector<sim::BusExchange> trace = sim::bus_trace();
  ASSERT_EQ(trace.size(), 1u);
  std::vector<std::string> calls;
  for (const sim::QbxCall& call : trace[0].calls) calls.push_back(call.api);
  EXPECT_EQ(calls, (std::vector<std::string>{"RetryQBX_OpenDevice", "QBX_MasterWriteI2C",
                                             "QBX_IsSMSDataAvailable", "QBX_ReadSMSMessageBuffer",
                                             "RetryQBX_CloseDevice"}));
  EXPECT_EQ(sim::qbx_pauses(), (std::vector<uint32_t>{50}));
  EXPECT_EQ(sim::qbx_device_stats().opens, 1u);
  EXPECT_EQ(sim::qbx_device_stats().forced_closes, 0u);
}

TEST_F(Transport, SlowAnswerIsPolledEveryTenMilliseconds) {
  device->set_answer_delay_ms(75);
  Send();
  EXPECT_EQ(sim::qbx_pauses(), (std::vector<uint32_t>{50, 10, 10, 10}));
}

TEST_F(Transport, FailingPollStatusCountsAsNoMessageYet) {
  sim::fail_call("QBX_IsSMSDataAvailable", 0x0101, 1, 2);
  EXPECT_EQ(Send().at(0), 0x00);
  EXPECT_EQ(sim::call_count("QBX_IsSMSDataAvailable"), 3u);
  EXPECT_EQ(sim::bus_exchange_count(), 1u);
}

TEST_F(Transport, NoAnswerExpectedWritesWaitsAndCloses) {
  device->inject({sim::IpmbFault::completion_code, 0xC1}, 1, 0);
  BYTE response[4] = {0xEE};
  int n = 0;
  api.SendReceiveIPMIMessage(0x06, 0x03, nullptr, 0, response, &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(response[0], 0xEE);
  std::vector<sim::BusExchange> trace = sim::bus_trace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].calls.size(), 3u);  // open, write, close
  EXPECT_EQ(sim::call_count("QBX_IsSMSDataAvailable"), 0u);
  EXPECT_EQ(sim::call_count("QBX_ReadSMSMessageBuffer"), 0u);
  EXPECT_EQ(sim::now_ms(), 50u);
}

TEST_F(Transport, TwentySixDataBytesAreSent) {
  BYTE data[26] = {};
  Send(1, 0x05, data, 26);
  EXPECT_EQ(sim::bus_trace().at(0).written.size(), 32u);
}

class BadCommandDataLength : public Transport, public testing::WithParamInterface<int> {};

TEST_P(BadCommandDataLength, IsRejectedBeforeTheDeviceIsOpened) {
  BYTE data[32] = {};
  Caught caught = CatchFrom([&] { Send(1, 0x05, data, GetParam()); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "SendReceiveIPMIMessage");
  EXPECT_EQ(caught.condition, "if ( nCommandDataLength > IPMAPI_MAX_COMMAND_DATA_LENGTH )");
  EXPECT_EQ(caught.message, "Request Command Data Length is invalid");
  EXPECT_EQ(sim::call_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, BadCommandDataLength, testing::Values(27, -1, -100));

TEST_F(Transport, LongestResponseOf27BytesIsReceived) {
  Bytes answer(27, 0x11);
  answer[0] = 0x00;
  device->set_answer(0x06, 0x01, answer);
  EXPECT_EQ(Send(27), answer);
  EXPECT_EQ(sim::bus_trace().at(0).delivered.size(), 33u);
}

TEST_F(Transport, ExpectingTwentyEightBytesFailsEveryAttempt) {
  Caught caught = CatchFrom([&] { Send(28); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "SendReceiveData");
  EXPECT_EQ(caught.condition, "if ( *pnResponseLength > IPMAPI_MAX_IPMI_RESPONSE_LENGTH )");
  EXPECT_EQ(caught.message, "Response Length is invalid");
  EXPECT_EQ(sim::bus_exchange_count(), 0u);
  EXPECT_EQ(sim::qbx_pauses(), std::vector<uint32_t>(10, 500));
}

TEST_F(Transport, ShorterAnswerIsAcceptedWithItsLength) {
  device->set_answer(0x06, 0x01, {0x00, 0x20, 0x01});
  EXPECT_EQ(Send(7), (Bytes{0x00, 0x20, 0x01}));
}

// A validation failure on every attempt: 11 attempts 500 ms apart, then the
// last attempt's exception leaves with its class and texts.
struct FailureCase {
  const char* name;
  sim::IpmbFaultSpec fault;
  const char* kind;
  const char* function;
  const char* condition;
  const char* message;
};

class PersistentFailure : public Transport, public testing::WithParamInterface<FailureCase> {};

TEST_P(PersistentFailure, LeavesAfterElevenAttempts) {
  const FailureCase& c = GetParam();
  device->inject(c.fault, 1, 0);
  Caught caught = CatchFrom([&] { Send(); });
  EXPECT_EQ(caught.kind, c.kind);
  EXPECT_EQ(caught.function, c.function);
  EXPECT_EQ(caught.condition, c.condition);
  EXPECT_EQ(caught.message, c.message);
  EXPECT_EQ(sim::bus_exchange_count(0x9C), 11u);
  EXPECT_EQ(device->exchanges(), 11u);
  std::vector<uint32_t> pauses = sim::qbx_pauses();
  EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 500u), 10);
}

TEST_P(PersistentFailure, SucceedsWhenTheFaultClears) {
  device->inject(GetParam().fault, 1, 3);
  EXPECT_EQ(Send().at(0), 0x00);
  EXPECT_EQ(device->exchanges(), 4u);
}

const char* kChecksumFn = "CheckResponseChecksums";
const char* kMatchFn = "CheckRequestVsResponse";

INSTANTIATE_TEST_SUITE_P(
    Faults, PersistentFailure,
    testing::Values(
        FailureCase{"checksum1", {sim::IpmbFault::bad_checksum1}, "InvalidChecksum", kChecksumFn,
                    "if ( pResponse->checksum1 != Checksum )", "Checksum1 is invalid"},
        FailureCase{"checksum2", {sim::IpmbFault::bad_checksum2}, "InvalidChecksum", kChecksumFn,
                    "if ( pResponse->cmdData[i] != Checksum )", "Checksum2 is invalid"},
        FailureCase{"sequence", {sim::IpmbFault::wrong_sequence}, "IpmApi", kMatchFn,
                    "if ( pRequest->rqSeq != pResponse->rqSeq )",
                    "Requester's sequence number does not match"},
        FailureCase{"netfn", {sim::IpmbFault::wrong_net_fn}, "IpmApi", kMatchFn,
                    "if ( (int) ( pRequest->netFn ) != (int) ( pResponse->netFn - 1 ) )",
                    "Net Functions are invalid"},
        FailureCase{"command", {sim::IpmbFault::wrong_command}, "IpmApi", kMatchFn,
                    "if ( pRequest->command != pResponse->command )",
                    "Requester's command does not match"},
        FailureCase{"rslun", {sim::IpmbFault::wrong_rs_lun}, "IpmApi", kMatchFn,
                    "if ( pRequest->rsLun != pResponse->rsLun )",
                    "Responder's LUN number does not match"},
        FailureCase{"rqlun", {sim::IpmbFault::wrong_rq_lun}, "IpmApi", kMatchFn,
                    "if ( pRequest->rqLun != pResponse->rqLun )",
                    "Requester's LUN number does not match"},
        FailureCase{"address", {sim::IpmbFault::wrong_address}, "IpmApi", kMatchFn,
                    "if ( pRequest->rsSA != pResponse->rsSA )",
                    "Responder's slave address does not match"},
        FailureCase{"noanswer", {sim::IpmbFault::no_answer}, "IpmApi", "SendReceiveData",
                    "if ( nSMSDataRetryCount > IPMAPI_MAX_SMS_DATA_RETRIES )",
                    "SMS data not available"},
        FailureCase{"extrabyte", {sim::IpmbFault::extra_byte}, "IpmApi", "SendReceiveData",
                    "if ( bSMSDataLength > *pnResponseLength )",
                    "Insufficient space to store SMS Message Buffer"},
        FailureCase{"fivebytes", {sim::IpmbFault::truncate, 5}, "IpmApi",
                    "SendReceiveIPMIMessage", "if ( nResponseLength > *pnResponseDataLength )",
                    "Response Length is invalid"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(Transport, NoAnswerPollsOneHundredAndTwoTimesThenClosesTheDevice) {
  device->set_answering(false);
  BYTE response[40];
  int n = 13;
  Caught caught = CatchFrom([&] {
    api.SendReceiveData((const BYTE*)"\x18\x4C\x20\x06\x01\xD9", 6, response, &n);
  });
  EXPECT_EQ(caught.message, "SMS data not available");
  EXPECT_EQ(sim::call_count("QBX_IsSMSDataAvailable"), 102u);
  EXPECT_EQ(sim::qbx_device_stats().forced_closes, 1u);
  EXPECT_EQ(sim::now_ms(), 50u + 102u * 10u);
}

struct StatusFailure {
  const char* api;
  int status;
  const char* message;
};

class QbxCallFailure : public Transport, public testing::WithParamInterface<StatusFailure> {};

TEST_P(QbxCallFailure, BecomesFirmwareErrorAfterClosingTheDeviceOnce) {
  sim::fail_call(GetParam().api, static_cast<DWORD>(GetParam().status), 1, 0);
  BYTE response[40];
  int n = 13;
  Caught caught = CatchFrom([&] {
    api.SendReceiveData((const BYTE*)"\x18\x4C\x20\x06\x01\xD9", 6, response, &n);
  });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.function, "SendReceiveData");
  EXPECT_EQ(caught.condition, GetParam().api);
  EXPECT_EQ(caught.message, GetParam().message);
  EXPECT_EQ(sim::call_count("QBX_CloseDevice"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, QbxCallFailure,
    testing::Values(
        StatusFailure{"RetryQBX_OpenDevice", 0x0103,
                      "QBX: No Hardware Found During Driver Open (0x0103)"},
        StatusFailure{"QBX_MasterWriteI2C", 0x0002, "QBX: Bus Error (0x0002)"},
        StatusFailure{"QBX_ReadSMSMessageBuffer", 0x0004, "QBX: Read Truncated (0x0004)"},
        StatusFailure{"RetryQBX_CloseDevice", 0x0101, "QBX: Device Driver Time Out (0x0101)"},
        StatusFailure{"RetryQBX_OpenDevice", -2, "Unknown QBX Error (0xfffffffe)"}));

TEST_F(Transport, OpenFailureIsRetriedAndLeavesAsFirmwareError) {
  sim::fail_call("RetryQBX_OpenDevice", 0x0103, 1, 0);
  Caught caught = CatchFrom([&] { Send(); });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.condition, "RetryQBX_OpenDevice");
  EXPECT_EQ(caught.message, "QBX: No Hardware Found During Driver Open (0x0103)");
  EXPECT_EQ(sim::call_count("RetryQBX_OpenDevice"), 11u);
  EXPECT_EQ(sim::call_count("QBX_CloseDevice"), 11u);
  EXPECT_EQ(sim::call_count("QBX_MasterWriteI2C"), 0u);
}

TEST_F(Transport, AbsentDeviceIsAnAddressNotAcknowledged) {
  api.SetSlaveAddress(0x9E);
  Caught caught = CatchFrom([&] { Send(); });
  EXPECT_EQ(caught.kind, "FWError");
  EXPECT_EQ(caught.message, "QBX: Slave Address Not Acknowledged (0x0005)");
}

struct SendDataArgCase {
  bool null_request;
  int request_length;
  bool null_response;
  int response_length;
  const char* condition;
  const char* message;
};

class SendDataArguments : public Transport, public testing::WithParamInterface<SendDataArgCase> {};

TEST_P(SendDataArguments, AreCheckedBeforeOpening) {
  const SendDataArgCase& c = GetParam();
  BYTE request[48] = {};
  BYTE response[40];
  int n = c.response_length;
  Caught caught = CatchFrom([&] {
    api.SendReceiveData(c.null_request ? nullptr : request, c.request_length,
                        c.null_response ? nullptr : response, &n);
  });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "SendReceiveData");
  EXPECT_EQ(caught.condition, c.condition);
  EXPECT_EQ(caught.message, c.message);
  EXPECT_EQ(sim::call_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SendDataArguments,
    testing::Values(
        SendDataArgCase{true, 6, false, 0, "if ( !pbRequest )", "Request buffer is NULL"},
        SendDataArgCase{false, 0, false, 0, "if ( nRequestLength <= 0 )",
                        "Request Length is invalid"},
        SendDataArgCase{false, 41, false, 0,
                        "if ( nRequestLength > IPMAPI_MAX_IPMI_REQUEST_LENGTH )",
                        "Request Length is invalid"},
        SendDataArgCase{false, 6, true, 0, "if ( !pbResponse )", "Response buffer is NULL"},
        SendDataArgCase{false, 6, false, -1, "if ( *pnResponseLength < 0 )",
                        "Response Length is invalid"},
        SendDataArgCase{false, 6, false, 34,
                        "if ( *pnResponseLength > IPMAPI_MAX_IPMI_RESPONSE_LENGTH )",
                        "Response Length is invalid"}));

// CheckRequestVsResponse on hand-built frames: with field k and every later
// field wrong, the message is field k's, so the order of the tests shows.
class RequestVsResponseOrder : public testing::TestWithParam<int> {};

TEST_P(RequestVsResponseOrder, FirstMismatchInOrderIsReported) {
  static const char* kMessages[] = {
      "Responder's slave address does not match", "Responder's LUN number does not match",
      "Net Functions are invalid", "Requester's slave address does not match",
      "Requester's LUN number does not match", "Requester's sequence number does not match",
      "Requester's command does not match"};
  IpmiRequest request = {0x9C, 0x18 | 0x01, 0, 0x20, (5 << 2) | 2, 0x01, {}};
  IpmiResponse response = {0x20, 0x1C | 0x02, 0, 0x9C, (5 << 2) | 0x01, 0x01, {}};
  EXPECT_NO_THROW(CheckRequestVsResponse(&request, &response));
  int first = GetParam();
  for (int field = first; field < 7; ++field) {
    switch (field) {
      case 0: response.rsSA = 0x9E; break;
      case 1: response.rqSeqLun ^= 0x01; break;
      case 2: response.netFnLun = (0x06 << 2) | (response.netFnLun & 0x03); break;
      case 3: response.rqSA = 0x22; break;
      case 4: response.netFnLun ^= 0x01; break;
      case 5: response.rqSeqLun = (6 << 2) | (response.rqSeqLun & 0x03); break;
      case 6: response.command = 0x02; break;
    }
  }
  Caught caught = CatchFrom([&] { CheckRequestVsResponse(&request, &response); });
  EXPECT_EQ(caught.kind, "IpmApi");
  EXPECT_EQ(caught.function, "CheckRequestVsResponse");
  EXPECT_EQ(caught.message, kMessages[first]);
}

INSTANTIATE_TEST_SUITE_P(Fields, RequestVsResponseOrder, testing::Range(0, 7));

TEST(RequestVsResponse, NetFnZeroNeverMatches) {
  IpmiRequest request = {0x9C, 0x00, 0, 0x20, (1 << 2) | 2, 0x01, {}};
  IpmiResponse response = {0x20, 0x02, 0, 0x9C, (1 << 2), 0x01, {}};
  Caught caught = CatchFrom([&] { CheckRequestVsResponse(&request, &response); });
  EXPECT_EQ(caught.message, "Net Functions are invalid");
}

TEST(ResponseChecksums, SevenByteRecordChecksOffsetSix) {
  // rqSA 20, netFn 07/LUN 2, cs1, rsSA 9C, seq, cmd, checksum2 at offset 6.
  IpmiResponse response = {0x20, 0x1E, 0xC2, 0x9C, 0x06, 0x01, {0x5D}};
  EXPECT_NO_THROW(CheckResponseChecksums(&response, 7));
  response.cmdData[0] = 0x5E;
  Caught caught = CatchFrom([&] { CheckResponseChecksums(&response, 7); });
  EXPECT_EQ(caught.kind, "InvalidChecksum");
  EXPECT_EQ(caught.condition, "if ( pResponse->cmdData[0] != Checksum )");
  EXPECT_EQ(caught.message, "Checksum2 is invalid");
}

TEST(RequestChecksums, CoverTheirRanges) {
  IpmiRequest request = {0x9C, 0x18, 0, 0x20, 0x06, 0x01, {}};
  SetRequestChecksums(&request, 0);
  EXPECT_EQ(request.checksum1, 0x4C);
  EXPECT_EQ(request.cmdData[0], 0xD9);
}

}  // namespace
