// The install log's records and the status record, with tidemend's settings
// (log c:\temp\tidemend.log, status failures not logged).
#include <gtest/gtest.h>

#include "installtools/common/install_log.h"
#include "installtools/common/install_status.h"
#include "sim/core/handles.h"
#include "tests/installtools/install_fixture.h"

namespace {

const char* kLog = "C:\\temp\\tidemend.log";

class InstallLog : public testing::Test {
 protected:
  void SetUp() override { sim::files().make_directory("C:\\temp"); }
};

TEST_F(InstallLog, MessagesRunOnUnlessTheyEndTheirLine) {
  WriteInstallLog("first %d", 1);
  WriteInstallLog("second %s\n", "two");
  WriteInstallLog("third");
  const std::string text = LogText(kLog);
  EXPECT_EQ(LogMessages(text), (std::vector<std::string>{"first 1", "second two\n", "third"}));
  // Two lines: the first two records, then the third without a line break.
  const size_t newline = text.find('\n');
  ASSERT_NE(newline, std::string::npos);
  EXPECT_EQ(text.find('\n', newline + 1), std::string::npos);
  EXPECT_TRUE(IsStamp(text, 0));
  EXPECT_TRUE(IsStamp(text, 20 + 7));  // the second record right after "first 1"
  EXPECT_TRUE(IsStamp(text, newline + 1));
  EXPECT_NE(text.back(), '\n');
}

TEST_F(InstallLog, IsOnlyAppendedTo) {
  sim::files().write_file(kLog, "earlier\n");
  WriteInstallLog("later");
  EXPECT_EQ(LogText(kLog).substr(0, 8), "earlier\n");
  EXPECT_TRUE(IsStamp(LogText(kLog), 8));
}

TEST(InstallLogWithoutDirectory, LosesTheMessageAndGoesOn) {
  testing::internal::CaptureStderr();
  WriteInstallLog("lost");
  EXPECT_EQ(SetInstallStatus(INSTALL_STATUS_STARTED), 0u);
  WriteInstallLog("lost again\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: Couldn't open log file for writing.\n"
            "ERROR: Couldn't open log file for writing.\n");
  EXPECT_FALSE(sim::files().directory_exists("C:\\temp"));
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_STARTED));
}

TEST(InstallStatus, LastCodeWrittenIsTheOnlyContent) {
  EXPECT_EQ(SetInstallStatus(INSTALL_STATUS_REPLACING_FILES), 0u);
  EXPECT_EQ(SetInstallStatus(INSTALL_STATUS_FAILED), 0u);
  std::optional<sim::RegValue> value = sim::registry().value(kStatusKey, "Status");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, DWORD(REG_DWORD));
  EXPECT_EQ(value->data, (std::vector<uint8_t>{0x28, 0x00, 0x00, 0x20}));
  EXPECT_EQ(sim::registry().value_names(kStatusKey), (std::vector<std::string>{"Status"}));
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

struct StatusFailure {
  const char* api;
};

class InstallStatusFailure : public InstallLog, public testing::WithParamInterface<StatusFailure> {};

TEST_P(InstallStatusFailure, ReturnsTheErrorAndIsNotLoggedByTidemend) {
  sim::fail_call(GetParam().api, ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetInstallStatus(INSTALL_STATUS_STARTED), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(Status());
  EXPECT_EQ(LogText(kLog), "");
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Calls, InstallStatusFailure,
                         testing::Values(StatusFailure{"RegCreateKeyExA"},
                                         StatusFailure{"RegSetValueExA"}));

}  // namespace
