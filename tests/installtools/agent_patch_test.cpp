// tidemend's patch run end to end on the simulated machine.
#include <gtest/gtest.h>

#include "installtools/tidemend/agent_patch.h"
#include "sim/core/clock.h"
#include "sim/core/handles.h"
#include "tests/installtools/tidemend_fixture.h"

namespace {

using Codes = std::vector<DWORD>;

TEST_F(TidemendTest, ListedVersionIsPatched) {
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_REPLACING_FILES,
                                     INSTALL_STATUS_DONE}));
  for (const char* name : {"dalvren.dll", "morsket.dll", "slotwarden.exe"}) {
    EXPECT_EQ(File(std::string(kVelhome) + name), std::string("new ") + name);
    EXPECT_FALSE(sim::files().file_exists(std::string(kVelhome) + name + ".old"));
  }
  EXPECT_EQ(File(std::string(kSystem) + "vintas.dll"), "new vintas.dll");
  EXPECT_EQ(File(std::string(kSystem) + "plenth.dll"), "new vintas.dll");
  EXPECT_FALSE(sim::files().file_exists(std::string(kSystem) + "plenth.dll.old"));
  // "4.10a" and its terminating zero: 6 bytes.
  EXPECT_EQ(VersionBytes(), (std::vector<uint8_t>{'4', '.', '1', '0', 'a', 0}));
  EXPECT_EQ(sim::scm().state("SNMP"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(sim::scm().state("slotwarden"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(LogText(kLog), "");
  EXPECT_EQ(sim::open_handle_count(), 0u);
}

TEST_F(TidemendTest, SecondRunTouchesNothing) {
  RunAgentPatch();
  ASSERT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
  const auto before = Disk();
  const uint64_t requests = sim::scm().requests().size();
  const uint64_t copies = sim::call_count("CopyFileA") + sim::call_count("MoveFileA") +
                          sim::call_count("DeleteFileA");

  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(),
            (Codes{INSTALL_STATUS_DONE, INSTALL_STATUS_STARTED, INSTALL_STATUS_DONE}));
  EXPECT_EQ(Disk(), before);
  EXPECT_EQ(sim::scm().requests().size(), requests);
  EXPECT_EQ(sim::call_count("CopyFileA") + sim::call_count("MoveFileA") +
                sim::call_count("DeleteFileA"),
            copies);
  EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), "4.10a");
}

struct ListCase {
  const char* label;
  std::string ini;
  const char* version;
  bool patched;
};

class PatchList : public TidemendTest, public testing::WithParamInterface<ListCase> {};

TEST_P(PatchList, VersionIsLookedUpInTheList) {
  WritePatchIni(GetParam().ini);
  sim::registry().set_string(kAgentKey, "Version", GetParam().version);
  const auto before = Disk();
  RunAgentPatch();
  if (GetParam().patched) {
    EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
    EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), std::string(GetParam().version) + "a");
  } else {
    EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
    EXPECT_EQ(Disk(), before);
    EXPECT_TRUE(sim::scm().requests().empty());
    EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), GetParam().version);
  }
}

const std::string kLongLine = std::string(300, 'x') + " 7.77\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, PatchList,
    testing::Values(
        ListCase{"Listed", "[Valid Agents Versions]\n4.10, 4.12\n", "4.10", true},
        ListCase{"SubstringMatches", "[Valid Agents Versions]\n4.10\n", "4.1", true},
        ListCase{"NotListed", "[Valid Agents Versions]\n4.12\n", "4.10", false},
        ListCase{"NoHeader", "4.10\n[Other]\n4.10\n", "4.10", false},
        ListCase{"HeaderLineItselfIsNotTested", "[Valid Agents Versions] 4.10\n", "4.10", false},
        ListCase{"HeaderWithinALine", "; [Valid Agents Versions] below\n4.10\n", "4.10", true},
        ListCase{"LaterSectionCounts", "[Valid Agents Versions]\n4.12\n[Old]\n4.10\n", "4.10",
                 true},
        ListCase{"EmptyVersionMatchesFirstLine", "[Valid Agents Versions]\nanything\n", "", true},
        ListCase{"NothingAfterHeader", "[Valid Agents Versions]\n", "", false},
        ListCase{"LongLineReadInPieces", "[Valid Agents Versions]\n" + kLongLine,
                 "7.77", true},
        ListCase{"EmptyFile", "", "4.10", false}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.label; });

struct VersionCase {
  const char* label;
  std::string old_version;
  std::vector<uint8_t> written;
};

class NewVersion : public TidemendTest, public testing::WithParamInterface<VersionCase> {};

TEST_P(NewVersion, WrittenWithItsTerminator) {
  WritePatchIni("[Valid Agents Versions]\n" + GetParam().old_version + "\n");
  sim::registry().set_string(kAgentKey, "Version", GetParam().old_version);
  RunAgentPatch();
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
  EXPECT_EQ(VersionBytes(), GetParam().written);
  EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), GetParam().old_version + "a");
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, NewVersion,
    testing::Values(VersionCase{"Empty", "", Bytes(std::string("a\0\0\0\0\0", 6))},
                    VersionCase{"Three", "4.1", Bytes(std::string("4.1a\0\0", 6))},
                    VersionCase{"Four", "4.10", Bytes(std::string("4.10a\0", 6))},
                    // Six bytes would cut these and lose the patch mark.
                    VersionCase{"Five", "4.10b", Bytes(std::string("4.10ba\0", 7))},
                    VersionCase{"Nine", "4.10.2003", Bytes(std::string("4.10.2003a\0", 11))},
                    VersionCase{"Long", std::string(200, '9'),
                                Bytes(std::string(200, '9') + std::string("a\0", 2))}),
    [](const testing::TestParamInfo<VersionCase>& info) { return info.param.label; });

struct SpuCase {
  const char* label;
  const char* spunum;  // nullptr: no SpuNum value
  const char* library;
};

class SpuNumLibrary : public TidemendTest, public testing::WithParamInterface<SpuCase> {};

TEST_P(SpuNumLibrary, InstallsTheChosenLibrary) {
  if (GetParam().spunum) {
    sim::registry().set_string(kAgentKey, "SpuNum", GetParam().spunum);
  } else {
    sim::registry().delete_value(kAgentKey, "SpuNum");
  }
  RunAgentPatch();
  const std::string library = std::string(GetParam().library) + ".dll";
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
  EXPECT_EQ(File(kSystem + library), "new " + library);
  EXPECT_EQ(File(std::string(kSystem) + "plenth.dll"), "new " + library);
  for (const char* other : {"vintas.dll", "garrow.dll", "tivel.dll"}) {
    if (library != other) {
      EXPECT_FALSE(sim::files().file_exists(std::string(kSystem) + other));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SpuNums, SpuNumLibrary,
    testing::Values(SpuCase{"A3", "A3", "vintas"}, SpuCase{"S13", "13", "garrow"},
                    SpuCase{"S23", "23", "tivel"}, SpuCase{"B1", "B1", "tivel"},
                    SpuCase{"Empty", "", "tivel"}, SpuCase{"Missing", nullptr, "tivel"}),
    [](const testing::TestParamInfo<SpuCase>& info) { return info.param.label; });

TEST_F(TidemendTest, FailedCopyKeepsTheOldFileAndRestartsServices) {
  sim::files().remove(std::string(kPatch) + "morsket.dll");
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_REPLACING_FILES,
                                     INSTALL_STATUS_FAILED}));
  EXPECT_EQ(File(std::string(kVelhome) + "dalvren.dll"), "new dalvren.dll");
  EXPECT_FALSE(sim::files().file_exists(std::string(kVelhome) + "morsket.dll"));
  EXPECT_EQ(File(std::string(kVelhome) + "morsket.dll.old"), "old morsket.dll");
  EXPECT_EQ(File(std::string(kVelhome) + "slotwarden.exe"), "old slotwarden.exe");
  EXPECT_EQ(sim::scm().state("SNMP"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(sim::scm().state("slotwarden"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(LogMessages(LogText(kLog)),
            (std::vector<std::string>{"Failed to copy C:\\WINDOWS\\velhome\\patch\\morsket.dll "
                                      "file to C:\\WINDOWS\\velhome\\morsket.dll file."}));
  EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), "4.10");
}

TEST_F(TidemendTest, OnlyRunningServicesAreStoppedAndRestarted) {
  SetService("SNMP", SERVICE_STOPPED);
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_REPLACING_FILES,
                                     INSTALL_STATUS_DONE_SNMP_NOT_RUNNING}));
  EXPECT_EQ(Requests("SNMP"), 0u);
  EXPECT_EQ(Requests("slotwarden"), 2u);  // one stop, one start
  EXPECT_EQ(sim::scm().state("slotwarden"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(sim::scm().state("SNMP"), DWORD(SERVICE_STOPPED));
}

TEST_F(TidemendTest, SnmpThatDoesNotComeBack) {
  sim::ServiceBehaviour behaviour;
  behaviour.state = SERVICE_RUNNING;
  behaviour.start_error = ERROR_SERVICE_DISABLED;
  sim::scm().add_service("SNMP", behaviour);
  RunAgentPatch();
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE_SNMP_NOT_RUNNING));
  EXPECT_EQ(LogMessages(LogText(kLog)), (std::vector<std::string>{"Failed to start SNMP service"}));
  EXPECT_EQ(sim::registry().string(kAgentKey, "Version"), "4.10a");
}

struct StopFailureCase {
  const char* label;
  const char* refusing;  // the service that refuses to stop
  const char* message;
  size_t snmp_starts;
};

class StopFailure : public TidemendTest, public testing::WithParamInterface<StopFailureCase> {};

TEST_P(StopFailure, StopsNothingMoreAndRestartsWhatItStopped) {
  sim::ServiceBehaviour refuses;
  refuses.state = SERVICE_RUNNING;
  refuses.control_error = ERROR_SERVICE_REQUEST_TIMEOUT;
  sim::scm().add_service(GetParam().refusing, refuses);
  const auto before = Disk();
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_FAILED}));
  EXPECT_EQ(Disk(), before);
  EXPECT_EQ(sim::scm().state("SNMP"), DWORD(SERVICE_RUNNING));
  EXPECT_EQ(sim::scm().state("slotwarden"), DWORD(SERVICE_RUNNING));
  std::vector<std::string> messages = LogMessages(LogText(kLog));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], GetParam().message);
  size_t snmp_starts = 0;
  for (const sim::ServiceRequest& request : sim::scm().requests_for("SNMP")) {
    snmp_starts += request.start && request.error == 0;
  }
  EXPECT_EQ(snmp_starts, GetParam().snmp_starts);
}

INSTANTIATE_TEST_SUITE_P(
    Services, StopFailure,
    testing::Values(StopFailureCase{"Snmp", "SNMP", "Failed to stop SNMP service", 0},
                    StopFailureCase{"SlotWarden", "slotwarden",
                                    "Failed to stop the slotwarden service", 1}),
    [](const testing::TestParamInfo<StopFailureCase>& info) { return info.param.label; });

TEST_F(TidemendTest, EarlyEnds) {
  sim::files().remove(std::string(kPatch) + "patch.ini");
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED, INSTALL_STATUS_FAILED}));
  EXPECT_EQ(LogMessages(LogText(kLog)), (std::vector<std::string>{"Failed to open patch.ini\n"}));
}

TEST_F(TidemendTest, NoWindowsDirectoryLeavesStarted) {
  sim::fail_call("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
  StatusRecorder recorder;
  RunAgentPatch();
  EXPECT_EQ(recorder.Codes(), (Codes{INSTALL_STATUS_STARTED}));
  EXPECT_EQ(LogMessages(LogText(kLog)),
            (std::vector<std::string>{"Failed to get Windows Directory"}));
}

TEST_F(TidemendTest, MissingVersionCountsAsNotListed) {
  sim::registry().delete_value(kAgentKey, "Version");
  WritePatchIni("[Valid Agents Versions]\n4.10\n");
  const auto before = Disk();
  RunAgentPatch();
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE));
  EXPECT_EQ(Disk(), before);
  EXPECT_FALSE(sim::registry().value(kAgentKey, "Version"));
}

struct VersionWriteCase {
  const char* label;
  const char* api;
  unsigned nth;  // which call of the api fails
  const char* message;
};

class VersionWriteFailure : public TidemendTest,
                            public testing::WithParamInterface<VersionWriteCase> {};

TEST_P(VersionWriteFailure, LogsAndFailsWithoutSecondRestart) {
  // Count the calls before the Version write: every status write uses one
  // of each; the two setting reads open and close a key each.
  sim::fail_call(GetParam().api, ERROR_ACCESS_DENIED, GetParam().nth);
  RunAgentPatch();
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_FAILED));
  EXPECT_EQ(LogMessages(LogText(kLog)), (std::vector<std::string>{GetParam().message}));
  EXPECT_EQ(Requests("SNMP"), 2u);
  EXPECT_EQ(sim::scm().state("SNMP"), DWORD(SERVICE_RUNNING));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, VersionWriteFailure,
    testing::Values(
        // RegOpenKeyExA: Version read, SpuNum read, then the write's open.
        VersionWriteCase{"Open", "RegOpenKeyExA", 3, "Failed to open registry"},
        // RegSetValueExA: two status writes, then the Version.
        VersionWriteCase{"Set", "RegSetValueExA", 3, "Failed version in registry"},
        // RegCloseKey: 2 per setting read, 1 per status write (2 so far).
        VersionWriteCase{"Close", "RegCloseKey", 7, "Failed to close registy"}),
    [](const testing::TestParamInfo<VersionWriteCase>& info) { return info.param.label; });

// SNMP needing 70 s to stop: the second stop attempt finds it stopping and
// the run goes on; when the restart comes it is still stopping, so its
// start requests are refused.
TEST_F(TidemendTest, SnmpStillStoppingIsNotRestarted) {
  sim::ServiceBehaviour slow;
  slow.state = SERVICE_RUNNING;
  slow.stop_ms = 70000;
  slow.start_ms = 1000;
  sim::scm().add_service("SNMP", slow);
  RunAgentPatch();
  EXPECT_EQ(Status(), DWORD(INSTALL_STATUS_DONE_SNMP_NOT_RUNNING));
  EXPECT_EQ(LogMessages(LogText(kLog)), (std::vector<std::string>{"Failed to start SNMP service"}));
  EXPECT_EQ(sim::now_ms(), 52000u);  // 50 s of SNMP's wait, 1 s each for slotwarden
}

}  // namespace
