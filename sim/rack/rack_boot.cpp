// Linked into the native slotwarden program only: before any of the
// program's own static objects are built (the adapter list reads the SCSI
// device map at start-up), the simulated machine is given its rack.
//
//   SLOTWARDEN_RACK=<file>    the rack file (the built-in rack without it)
//   SLOTWARDEN_REPORT=<file>  the JSON report, written when the run ends
//   SLOTWARDEN_TRACE=<file>   the bus trace, written when the run ends
//   SIM_SERVICE_PROCESS=SlotWarden  run as if started by the service manager
//
// The timeline's end interrupts the program as Ctrl+C would: at once, with
// exit code 130, after the report and the trace are written.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "sim/controller/qbx_bus.h"
#include "sim/rack/rack.h"
#include "sim/rack/rack_machine.h"
#include "sim/rack/rack_report.h"

namespace {

const int kInterruptExitCode = 130;

void WriteOutputs() {
  static bool written = false;
  if (written) return;
  written = true;
  if (const char* path = std::getenv("SLOTWARDEN_REPORT")) {
    if (!sim::write_rack_report(path)) std::fprintf(stderr, "cannot write report %s\n", path);
  }
  if (const char* path = std::getenv("SLOTWARDEN_TRACE")) {
    if (!sim::write_bus_trace(path)) std::fprintf(stderr, "cannot write bus trace %s\n", path);
  }
}

void Interrupt() {
  WriteOutputs();
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(kInterruptExitCode);
}

struct RackBoot {
  RackBoot() {
    sim::Rack rack;
    try {
      const char* path = std::getenv("SLOTWARDEN_RACK");
      rack = path && *path ? sim::load_rack_file(path) : sim::default_rack();
    } catch (const sim::RackError& error) {
      std::fprintf(stderr, "slotwarden: rack: %s\n", error.what());
      std::exit(2);
    }
    sim::install_rack(rack, Interrupt);
    std::atexit(WriteOutputs);
  }
};

// Before the program's own static objects (default priority).
__attribute__((init_priority(101))) RackBoot g_RackBoot;

}  // namespace
