#include "bench/bench_machine.h"

#include "shell/service_shell.h"
#include "sim/core/machine.h"
#include "sim/rack/rack_machine.h"
#include "slotwarden/cages/cage_roster.h"
#include "slotwarden/mapping/drive_watcher.h"
#include "slotwarden/mapping/mapping_table.h"
#include "slotwarden/scsi/adapter_list.h"
#include "slotwarden/scsi/device_locations.h"

namespace bench {

void StartMachine(const sim::Rack& rack) {
  sim::reset();
  sim::install_rack(rack);
  g_MappingTable = CMappingTable();
  g_wAllCagesPresentMask = 0;
  ResetInsertionQueues();
  ResetDeviceLocations();
  g_AdapterList.Reload();  // reads the device map the rack just wrote
  g_bDebug = false;
  g_dwCurrentState = SERVICE_RUNNING;
}

}  // namespace bench
