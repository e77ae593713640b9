// Making the adapter object of a simulated port's driver family.
#ifndef TESTS_SCSI_ADAPTERS_H
#define TESTS_SCSI_ADAPTERS_H

#include <memory>

#include "sim/scsi/scsi_host.h"
#include "slotwarden/scsi/ami_adapter.h"
#include "slotwarden/scsi/mylex_adapter.h"
#include "slotwarden/scsi/passthrough_adapter.h"
#include "slotwarden/scsi/tarn_adapter.h"

inline std::unique_ptr<CScsiAdapter> MakeAdapter(sim::DriverModel model, int nPort,
                                                 DWORD cbBurst = 0x8000) {
  switch (model) {
    case sim::DriverModel::Ami: return std::make_unique<CAmiAdapter>(nPort, cbBurst);
    case sim::DriverModel::Mylex: return std::make_unique<CMylexAdapter>(nPort, cbBurst);
    case sim::DriverModel::Tarn: return std::make_unique<CTarnAdapter>(nPort, cbBurst);
    case sim::DriverModel::Standard: break;
  }
  return std::make_unique<CPassThroughAdapter>(nPort, cbBurst);
}

inline const char* ModelName(sim::DriverModel model) {
  switch (model) {
    case sim::DriverModel::Ami: return "Ami";
    case sim::DriverModel::Mylex: return "Mylex";
    case sim::DriverModel::Tarn: return "Tarn";
    case sim::DriverModel::Standard: break;
  }
  return "PassThrough";
}

const sim::DriverModel kAllModels[] = {sim::DriverModel::Ami, sim::DriverModel::Mylex,
                                       sim::DriverModel::Tarn, sim::DriverModel::Standard};

#endif  // TESTS_SCSI_ADAPTERS_H
