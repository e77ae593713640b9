// A machine with installed agents ready for tidemend: Version 4.10 and
// SpuNum A3 in the registry, the old agent files in velhome, the patch
// files and patch.ini in velhome\patch, c:\temp for the log, and SNMP and
// slotwarden running.
#ifndef TESTS_INSTALLTOOLS_TIDEMEND_FIXTURE_H
#define TESTS_INSTALLTOOLS_TIDEMEND_FIXTURE_H

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "installtools/tidemend/agent_settings.h"
#include "sim/files/file_system.h"
#include "sim/services/service_manager.h"
#include "tests/installtools/install_fixture.h"

class TidemendTest : public testing::Test {
 protected:
  static constexpr const char* kAgentKey = "HKLM\\" AGENT_SETTINGS_KEY;
  static constexpr const char* kLog = "C:\\temp\\tidemend.log";
  static constexpr const char* kVelhome = "C:\\WINDOWS\\velhome\\";
  static constexpr const char* kPatch = "C:\\WINDOWS\\velhome\\patch\\";
  static constexpr const char* kSystem = "C:\\WINDOWS\\system32\\";

  void SetUp() override {
    sim::registry().set_string(kAgentKey, "Version", "4.10");
    sim::registry().set_string(kAgentKey, "SpuNum", "A3");
    sim::files().make_directory("C:\\temp");
    for (const char* name : {"dalvren.dll", "morsket.dll", "slotwarden.exe"}) {
      sim::files().write_file(std::string(kVelhome) + name, std::string("old ") + name);
      sim::files().write_file(std::string(kPatch) + name, std::string("new ") + name);
    }
    sim::files().write_file(std::string(kSystem) + "plenth.dll", "old plenth.dll");
    for (const char* name : {"vintas.dll", "garrow.dll", "tivel.dll"}) {
      sim::files().write_file(std::string(kPatch) + name, std::string("new ") + name);
    }
    WritePatchIni("[General]\nName=agents patch\n[Valid Agents Versions]\n4.10, 4.12\n");
    SetService("SNMP", SERVICE_RUNNING);
    SetService("slotwarden", SERVICE_RUNNING);
  }

  static void WritePatchIni(const std::string& text) {
    sim::files().write_file(std::string(kPatch) + "patch.ini", text);
  }

  static void SetService(const char* name, DWORD state) {
    sim::ServiceBehaviour behaviour;
    behaviour.state = state;
    behaviour.stop_ms = 1000;
    behaviour.start_ms = 1000;
    sim::scm().add_service(name, behaviour);
  }

  static std::string File(const std::string& path) {
    return sim::files().read_file(path).value_or("<missing>");
  }

  // Every file but the log.
  static std::map<std::string, sim::FileState> Disk() {
    std::map<std::string, sim::FileState> files = sim::files().snapshot();
    files.erase(kLog);
    return files;
  }

  static std::vector<uint8_t> VersionBytes() {
    return sim::registry().value(kAgentKey, "Version").value_or(sim::RegValue{}).data;
  }

  static size_t Requests(const std::string& service) {
    return sim::scm().requests_for(service).size();
  }
};

#endif  // TESTS_INSTALLTOOLS_TIDEMEND_FIXTURE_H
