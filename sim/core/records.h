// Whether the simulated devices keep their records of what happened: the
// bus trace and QBXSleep pauses, the IPMI requests each device received,
// the SCSI commands that reached the targets. Tests read them; long runs
// (benchmarks, soaks) switch them off so that memory stays flat. Counts
// and totals are kept either way. On after every reset.
#ifndef SIM_CORE_RECORDS_H
#define SIM_CORE_RECORDS_H

namespace sim {

void keep_records(bool keep);
bool keeping_records();

}  // namespace sim

#endif  // SIM_CORE_RECORDS_H
