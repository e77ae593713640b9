// The choice of the drive-cage library, the replacement of one file keeping
// the old one, and the reading of the agents' settings.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "installtools/tidemend/agent_files.h"
#include "installtools/tidemend/agent_settings.h"
#include "sim/core/handles.h"
#include "tests/installtools/tidemend_fixture.h"

namespace {

struct LibraryCase {
  int code;
  const char* library;
};

class CageLibrary : public testing::TestWithParam<LibraryCase> {};

TEST_P(CageLibrary, ChosenByFirstCharacter) {
  EXPECT_STREQ(SelectCageLibrary(static_cast<char>(GetParam().code)), GetParam().library)
      << "code 0x" << std::hex << GetParam().code;
}

// Every character from just below 0x28 to just above 0x41, and the ranges
// outside.
INSTANTIATE_TEST_SUITE_P(
    Characters, CageLibrary,
    testing::Values(
        LibraryCase{0x00, "tivel"}, LibraryCase{0x27, "tivel"}, LibraryCase{0x28, "garrow"},
        LibraryCase{0x29, "garrow"}, LibraryCase{0x2A, "garrow"}, LibraryCase{0x2B, "garrow"},
        LibraryCase{0x2C, "garrow"}, LibraryCase{0x2D, "tivel"}, LibraryCase{0x2E, "garrow"},
        LibraryCase{0x2F, "garrow"}, LibraryCase{0x30, "tivel"}, LibraryCase{0x31, "garrow"},
        LibraryCase{0x32, "tivel"}, LibraryCase{0x33, "tivel"}, LibraryCase{0x34, "garrow"},
        LibraryCase{0x35, "tivel"}, LibraryCase{0x36, "garrow"}, LibraryCase{0x37, "tivel"},
        LibraryCase{0x38, "tivel"}, LibraryCase{0x39, "garrow"}, LibraryCase{0x3A, "tivel"},
        LibraryCase{0x3B, "tivel"}, LibraryCase{0x3C, "vintas"}, LibraryCase{0x3D, "tivel"},
        LibraryCase{0x3E, "vintas"}, LibraryCase{0x3F, "vintas"}, LibraryCase{0x40, "vintas"},
        LibraryCase{0x41, "vintas"}, LibraryCase{0x42, "tivel"}, LibraryCase{'a', "tivel"},
        LibraryCase{0x7F, "tivel"}, LibraryCase{0x80, "tivel"}, LibraryCase{0xBC, "tivel"},
        LibraryCase{0xC1, "tivel"}, LibraryCase{0xFF, "tivel"}));

class ReplaceFile : public TidemendTest {
 protected:
  const std::string kDestination = std::string(kVelhome) + "dalvren.dll";
  const std::string kSource = std::string(kPatch) + "dalvren.dll";
  const std::string kBackup = kDestination + ".old";
  DWORD Replace() {
    return ReplaceFileKeepingOld(kDestination.c_str(), kSource.c_str(), kBackup.c_str());
  }
};

TEST_F(ReplaceFile, ReplacesAndLeavesNoBackup) {
  sim::files().write_file(kBackup, "stale backup");
  EXPECT_EQ(Replace(), 0u);
  EXPECT_EQ(File(kDestination), "new dalvren.dll");
  EXPECT_FALSE(sim::files().file_exists(kBackup));
}

TEST_F(ReplaceFile, NewDestination) {
  sim::files().remove(kDestination);
  EXPECT_EQ(Replace(), 0u);
  EXPECT_EQ(File(kDestination), "new dalvren.dll");
}

TEST_F(ReplaceFile, FailedCopyLeavesTheOldFileAsBackup) {
  sim::files().remove(kSource);
  EXPECT_EQ(Replace(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(sim::files().file_exists(kDestination));
  EXPECT_EQ(File(kBackup), "old dalvren.dll");
  EXPECT_EQ(LogMessages(LogText(kLog)),
            (std::vector<std::string>{"Failed to copy " + kSource + " file to " + kDestination +
                                      " file."}));
}

TEST_F(ReplaceFile, ReadOnlyOldFileIsReplacedToo) {
  sim::files().set_read_only(kDestination, true);
  EXPECT_EQ(Replace(), 0u);
  EXPECT_EQ(File(kDestination), "new dalvren.dll");
  // The old file kept its read-only attribute under the backup name, where
  // it cannot be deleted: it stays.
  EXPECT_TRUE(sim::files().read_only(kBackup));
}

class AgentSetting : public TidemendTest {};

TEST_F(AgentSetting, ReturnsAHeapCopyWithASpareByte) {
  char* pszVersion = ReadAgentSetting("Version");
  ASSERT_NE(pszVersion, nullptr);
  EXPECT_STREQ(pszVersion, "4.10");
  EXPECT_EQ(pszVersion[5], 0);
  free(pszVersion);
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

TEST_F(AgentSetting, ValueFillingTheBufferIsTerminated) {
  // 255 bytes without a terminating zero: the read must stop at its end.
  sim::registry().set_value(kAgentKey, "Version", REG_SZ,
                            std::vector<uint8_t>(AGENT_SETTING_SIZE, '7'));
  char* pszVersion = ReadAgentSetting("Version");
  ASSERT_NE(pszVersion, nullptr);
  EXPECT_EQ(strlen(pszVersion), size_t(AGENT_SETTING_SIZE));
  free(pszVersion);
}

TEST_F(AgentSetting, AnyTypeIsReadAsText) {
  sim::registry().set_value(kAgentKey, "SpuNum", REG_BINARY, {'1', '3'});
  char* pszSpuNum = ReadAgentSetting("SpuNum");
  ASSERT_NE(pszSpuNum, nullptr);
  EXPECT_STREQ(pszSpuNum, "13");
  free(pszSpuNum);
}

struct SettingFailure {
  const char* label;
  bool remove_key;
  const char* value;
  DWORD error;
};

class AgentSettingFailure : public TidemendTest,
                            public testing::WithParamInterface<SettingFailure> {};

TEST_P(AgentSettingFailure, NullWithTheRegistryError) {
  sim::registry().set_string(kAgentKey, "Long", std::string(300, 'x'));
  if (GetParam().remove_key) sim::registry().delete_key(kAgentKey);
  SetLastError(0);
  EXPECT_EQ(ReadAgentSetting(GetParam().value), nullptr);
  EXPECT_EQ(GetLastError(), GetParam().error);
  EXPECT_EQ(sim::open_handle_count("key"), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgentSettingFailure,
    testing::Values(SettingFailure{"NoKey", true, "Version", ERROR_FILE_NOT_FOUND},
                    SettingFailure{"NoValue", false, "Missing", ERROR_FILE_NOT_FOUND},
                    SettingFailure{"TooLong", false, "Long", ERROR_MORE_DATA}),
    [](const testing::TestParamInfo<SettingFailure>& info) { return info.param.label; });

}  // namespace
