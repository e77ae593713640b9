// Adapter discovery over a SCSI device map written by the input: simulated
// ports and bare port keys, "Driver" values of any type and length (or none)
// and any number of bus keys. The list must stay within its ports, and
// building and freeing the adapter table on it must leave no handle open.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scsi_ports.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/core/registry.h"
#include "sim/scsi/scsi_host.h"
#include "slotwarden/mapping/adapter_table.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"

namespace {

const int kMaxPorts = 12;  // a few beyond what the list holds
const size_t kMaxDriverLength = 200;

std::string PortKey(int nPort) {
  char szKey[80];
  std::snprintf(szKey, sizeof(szKey), "HKLM\\" SCSI_PORT_KEY_FORMAT, nPort);
  return szKey;
}

void WriteDriver(FuzzInput& input, const std::string& key) {
  uint8_t choice = input.Byte();
  if (choice < 0x40) return;  // as the port was made
  if (choice < 0x50) {
    sim::registry().delete_value(key, SCSI_PORT_DRIVER_VALUE);
    return;
  }
  static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD};
  DWORD dwType = choice < 0xF0 ? kTypes[choice % 5] : input.Dword();
  std::vector<uint8_t> value = input.Bytes(input.Byte() % (kMaxDriverLength + 1));
  sim::registry().set_value(key, SCSI_PORT_DRIVER_VALUE, dwType, value);
}

void WriteBuses(FuzzInput& input, const std::string& key) {
  uint8_t choice = input.Byte();
  if (choice < 0x80) return;
  for (int nBus = 0; nBus < (choice & 0x0F); ++nBus) {
    sim::registry().create_key(key + "\\Scsi Bus " + std::to_string(nBus));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::reset();
  FuzzInput input(data, size);
  const int nReal = input.Below(4);
  for (int i = 0; i < nReal; ++i) {
    int nPort = sim::scsi().add_port(DriverModelFrom(input), 1 + input.Below(3));
    if (input.Byte() & 1) sim::scsi().add_target(nPort, 0, input.Below(16));
  }
  const int nPorts = nReal + input.Below(kMaxPorts - nReal + 1);
  for (int nPort = 0; nPort < nPorts; ++nPort) {
    const std::string key = PortKey(nPort);
    if (nPort >= nReal) sim::registry().create_key(key);
    WriteDriver(input, key);
    WriteBuses(input, key);
  }

  ResetDeviceLocations();
  g_AdapterList.Reload();
  FUZZ_CHECK(g_AdapterList.GetPortCount() <= MAX_SCSI_PORTS);
  for (DWORD i = 0; i < MAX_SCSI_PORTS + 2; ++i) {
    PortInfo info = {};
    if (g_AdapterList.GetPortInfo(i, &info)) FUZZ_CHECK(i < g_AdapterList.GetPortCount());
  }
  g_AdapterList.GetPortInfo(input.Dword(), NULL);

  BuildAdapterTable();
  FUZZ_CHECK(g_nAdapters <= MAX_SCSI_PORTS);
  for (DWORD i = 0; i < g_nAdapters; ++i) {
    if (g_apAdapters[i]) FUZZ_CHECK(g_apAdapters[i]->GetChannelCount() <= SCSI_MAX_CHANNELS);
  }
  FreeAdapterTable();
  FUZZ_CHECK(sim::open_handle_count() == 0);
  return 0;
}
