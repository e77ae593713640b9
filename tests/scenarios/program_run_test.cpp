// The native slotwarden program as a child process on rack files: it ends
// by itself at the timeline's end (or at a stop request under the manager)
// and its JSON report holds the store the mapping rules give for the rack.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

extern char** environ;

namespace {

using nlohmann::json;

struct ProgramRun {
  int exit_code = -1;
  std::string out, err;
  json report;  // null when no report was written
};

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs slotwarden (in debug mode, or as the service manager starts it)
// with the given variables on top of the test's own environment (minus any
// of the program's), for at most 30 s of wall time.
ProgramRun RunProgram(const std::vector<std::string>& variables, bool debug_mode = true) {
  const std::string dir = testing::TempDir();
  const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string base = dir + "/slotwarden_" + name;
  const std::string report = base + ".report.json";
  std::remove(report.c_str());

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (entry.rfind("SLOTWARDEN_", 0) == 0 || entry.rfind("SIM_SERVICE_", 0) == 0) continue;
    env.push_back(entry);
  }
  env.push_back("SLOTWARDEN_REPORT=" + report);
  env.insert(env.end(), variables.begin(), variables.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(&e[0]);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string program = SW_SLOTWARDEN;
  std::string debug = "D";
  char* argv[] = {&program[0], debug_mode ? &debug[0] : nullptr, nullptr};
  pid_t pid = 0;
  ProgramRun run;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) {
    ADD_FAILURE() << "cannot start " << program;
    return run;
  }
  posix_spawn_file_actions_destroy(&actions);

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "slotwarden did not end by itself";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = Slurp(base + ".out");
  run.err = Slurp(base + ".err");
  const std::string text = Slurp(report);
  if (!text.empty()) run.report = json::parse(text);
  return run;
}

std::string Rack(const char* file) { return std::string("SLOTWARDEN_RACK=") + SW_RACK_DIR + "/" + file; }

using Slot = std::tuple<int, int, int, int, int>;

std::multiset<Slot> Truth(const json& report) {
  std::multiset<Slot> truth;
  for (const json& t : report.at("truth"))
    truth.insert({t.at("cage").get<int>(), t.at("slot").get<int>(), t.at("target").get<int>(),
                  t.at("channel").get<int>(), t.at("adapter").get<int>()});
  return truth;
}

std::multiset<Slot> Store(const json& report) {
  std::multiset<Slot> store;
  const std::string hex = report.at("store").at("mappings");
  for (size_t i = 0; i + 10 <= hex.size(); i += 10) {
    int b[5];
    for (int k = 0; k < 5; ++k) b[k] = std::stoi(hex.substr(i + 2 * k, 2), nullptr, 16);
    store.insert({b[0], b[1], b[2], b[3], b[4]});
  }
  return store;
}

// Ended by the timeline's end, as by Ctrl+C.
const int kInterrupted = 130;

TEST(Program, EndsByItselfWithTheStoreTheRulesGiveForTheRack) {
  ProgramRun run = RunProgram({Rack("overlapping_geometry.json")});
  EXPECT_EQ(run.exit_code, kInterrupted) << run.err;
  ASSERT_TRUE(run.report.contains("store")) << run.err;
  EXPECT_EQ(run.report["store"]["map_count"], 6);
  EXPECT_EQ(run.report["store"]["mappings"],
            "9c00010000" "9c03030000" "9c07090000" "ffffffffff" "ffffffffff" "9e03030001");
  EXPECT_EQ(run.report["bus"]["virtual_ms"], 400000);
  EXPECT_NE(run.out.find("Checking for new drives ... (c1b3)=3+ done.\n"), std::string::npos) << run.out;
}

TEST(Program, MapsTheBuiltInRackToItsTruth) {
  ProgramRun run = RunProgram({});
  EXPECT_EQ(run.exit_code, kInterrupted) << run.err;
  ASSERT_TRUE(run.report.contains("store")) << run.err;
  EXPECT_EQ(Store(run.report), Truth(run.report));
  EXPECT_EQ(run.report["store"]["map_count"], run.report["truth"].size());
  EXPECT_NE(run.out.find("\nAdapters: ATN\n"), std::string::npos) << run.out;
}

TEST(Program, UnderTheManagerAStopRequestEndsTheRun) {
  ProgramRun run = RunProgram({Rack("service_stop.json"), "SIM_SERVICE_PROCESS=SlotWarden"}, false);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  ASSERT_TRUE(run.report.contains("store")) << run.err;
  EXPECT_EQ(Store(run.report), Truth(run.report));
  const json& reports = run.report.at("status_reports");
  ASSERT_FALSE(reports.empty());
  const json& last = reports.back();
  EXPECT_EQ(last["state"], 1);
  EXPECT_EQ(last["win32_exit_code"], 0);
  EXPECT_EQ(last["at_ms"], 90000);
  EXPECT_LT(run.report["bus"]["virtual_ms"].get<int>(), 600000);
}

TEST(Program, RefusesABadRackFileWithAClearError) {
  const std::string path = testing::TempDir() + "/bad_rack.json";
  std::ofstream(path) << R"({"cages": [{"address": "0x9A", "cabled_to": {"port": 0, "bus": 0}}]})";
  ProgramRun run = RunProgram({"SLOTWARDEN_RACK=" + path});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("cages[0].address: a cage sits at 0x9C or 0x9E"), std::string::npos) << run.err;
  EXPECT_TRUE(run.report.is_null());
}

}  // namespace
