// The JSON report of a run on a simulated rack (docs/rack-report.md): the
// public store, the ground truth, bus and SCSI counts, the status reports
// and the event log.
#ifndef SIM_RACK_RACK_REPORT_H
#define SIM_RACK_RACK_REPORT_H

#include <string>

namespace sim {

std::string rack_report_json();
// False when the file cannot be written.
bool write_rack_report(const std::string& path);

}  // namespace sim

#endif  // SIM_RACK_RACK_REPORT_H
