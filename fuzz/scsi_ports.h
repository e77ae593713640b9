// The driver family of a simulated SCSI port, picked by the fuzz input.
#ifndef FUZZ_SCSI_PORTS_H
#define FUZZ_SCSI_PORTS_H

#include "fuzz/fuzz_input.h"
#include "sim/scsi/scsi_host.h"

inline sim::DriverModel DriverModelFrom(FuzzInput& input) {
  static const sim::DriverModel kModels[] = {sim::DriverModel::Standard, sim::DriverModel::Ami,
                                             sim::DriverModel::Mylex, sim::DriverModel::Tarn};
  return kModels[input.Below(4)];
}

#endif  // FUZZ_SCSI_PORTS_H
