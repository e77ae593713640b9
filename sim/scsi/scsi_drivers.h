// Inside the simulated SCSI host: the device objects CreateFileA hands out
// and the driver models that answer DeviceIoControl on them.
#ifndef SIM_SCSI_SCSI_DRIVERS_H
#define SIM_SCSI_SCSI_DRIVERS_H

#include <cstdint>
#include <string>

#include "sim/core/handles.h"
#include "sim/scsi/scsi_host.h"

namespace sim::scsi_detail {

class DeviceObject : public Object {
 public:
  enum class Kind { Port, Trn, Disk, Scanner };
  DeviceObject(Kind kind, int port, int bus, int target, DWORD access, std::string name)
      : kind_(kind), port_(port), bus_(bus), target_(target), access_(access),
        name_(std::move(name)) {}
  const char* kind() const override { return "device"; }
  Kind device_kind() const { return kind_; }
  int port() const { return port_; }
  int bus() const { return bus_; }
  int target() const { return target_; }
  DWORD access() const { return access_; }
  const std::string& name() const { return name_; }

 private:
  Kind kind_;
  int port_, bus_, target_;  // bus and target only for disk and scanner devices
  DWORD access_;
  std::string name_;
};

// One buffered request: the system buffer holds max(in, out) bytes, the
// input copied in; `user_in` is the caller's own input buffer, whose address
// some drivers take from the request. The driver sets `returned`, the bytes
// copied back to the caller's output buffer.
struct IoRequest {
  uint8_t* system = nullptr;
  uint32_t in_size = 0;
  uint32_t out_size = 0;
  uint8_t* user_in = nullptr;
  uint32_t returned = 0;
};

// Each answers with a Win32 error code (0: the request completed). Called
// with the machine lock held.
DWORD standard_pass_through(ScsiHost& host, const DeviceObject& device, IoRequest& io);
DWORD ami_direct_command(ScsiHost& host, int port, IoRequest& io);
DWORD mylex_direct_cdb(ScsiHost& host, int port, IoRequest& io);
DWORD tarn_execute_srb(ScsiHost& host, int port, IoRequest& io);
DWORD get_scsi_address(ScsiHost& host, const DeviceObject& device, IoRequest& io);

}  // namespace sim::scsi_detail

#endif  // SIM_SCSI_SCSI_DRIVERS_H
