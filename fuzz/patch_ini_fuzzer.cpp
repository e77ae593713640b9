// tidemend's patch run on a machine with installed agents, where the input
// gives patch.ini (or leaves it out) and the Version and SpuNum values with
// any registry type and any length (or leaves them out). Whatever the input,
// the run ends, leaves no handle open and keeps the agent files whole: each
// one either untouched or replaced by the patch's copy.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "installtools/tidemend/agent_patch.h"
#include "installtools/tidemend/agent_settings.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/core/registry.h"
#include "sim/files/file_system.h"
#include "sim/services/service_manager.h"

namespace {

const char* const kAgentKey = "HKLM\\" AGENT_SETTINGS_KEY;
const char* const kVelhome = "C:\\WINDOWS\\velhome\\";
const char* const kPatch = "C:\\WINDOWS\\velhome\\patch\\";
const char* const kAgentFiles[] = {"dalvren.dll", "morsket.dll", "slotwarden.exe"};
const size_t kMaxValueLength = 700;  // well past the longest setting read

void PutValue(FuzzInput& input, const char* pszName) {
  uint8_t choice = input.Byte();
  if (choice >= 0xF0) return;  // no such value
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD,
                                 REG_NONE};
  const size_t nTypes = sizeof(kTypes) / sizeof(kTypes[0]);
  DWORD dwType = choice % (nTypes + 1) < nTypes ? kTypes[choice % (nTypes + 1)] : input.Dword();
  size_t nLength = input.Word() % (kMaxValueLength + 1);
  std::vector<uint8_t> value = input.Bytes(nLength);
  // A value longer than the input left is padded with a printable byte, so
  // long values need no long inputs.
  value.resize(nLength, '4');
  sim::registry().set_value(kAgentKey, pszName, dwType, value);
}

void AddService(const char* pszName) {
  sim::ServiceBehaviour behaviour;
  behaviour.state = SERVICE_RUNNING;
  behaviour.stop_ms = 1000;
  behaviour.start_ms = 1000;
  sim::scm().add_service(pszName, behaviour);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  sim::files().make_directory("C:\\temp");
  for (const char* pszName : kAgentFiles) {
    sim::files().write_file(std::string(kVelhome) + pszName, std::string("old ") + pszName);
    sim::files().write_file(std::string(kPatch) + pszName, std::string("new ") + pszName);
  }
  for (const char* pszName : {"vintas.dll", "garrow.dll", "tivel.dll"}) {
    sim::files().write_file(std::string(kPatch) + pszName, std::string("new ") + pszName);
  }
  AddService("SNMP");
  AddService("slotwarden");

  sim::registry().create_key(kAgentKey);
  PutValue(input, AGENT_VERSION_VALUE);
  PutValue(input, AGENT_SPUNUM_VALUE);
  if (input.Byte() < 0xF0) {
    sim::files().write_file(std::string(kPatch) + "patch.ini", input.RestAsText());
  }

  RunAgentPatch();

  FUZZ_CHECK(sim::open_handle_count() == 0);
  for (const char* pszName : kAgentFiles) {
    std::string content =
        sim::files().read_file(std::string(kVelhome) + pszName).value_or("<missing>");
    FUZZ_CHECK(content == std::string("old ") + pszName ||
               content == std::string("new ") + pszName);
  }
  return 0;
}
