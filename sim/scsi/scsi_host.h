// The simulated SCSI host: the machine's SCSI ports, their buses and the
// targets on them, the device namespace the port and class drivers create
// ("\\.\SCSI%d:", "\\.\TRN%d", "\\.\PhysicalDrive%d", "\\.\Scanner%d"), and
// one driver model per family that takes the requests of CreateFileA and
// DeviceIoControl as the real driver would read them.
//
// Configure it from a test (or the simulated rack) with `sim::scsi()`:
//
//   int port = sim::scsi().add_port(sim::DriverModel::Ami, 2);   // 2 buses
//   sim::scsi().add_target(port, 0, 3);                         // a disk
//   sim::scsi().add_target(port, 1, 5, {sim::DeviceType::CdRom});
//
// Adding a port writes its key in the registry's SCSI device map
// (HKLM\HARDWARE\DEVICEMAP\Scsi\Scsi Port n, "Driver", "Scsi Bus b").
#ifndef SIM_SCSI_SCSI_HOST_H
#define SIM_SCSI_SCSI_HOST_H

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace sim {

// How a port's driver takes commands.
enum class DriverModel {
  Standard,  // a SCSI or ATAPI port driver: IOCTL_SCSI_PASS_THROUGH only
  Ami,       // AMI RAID: its direct command through IOCTL_SCSI_MINIPORT
  Mylex,     // Mylex RAID: its direct-CDB command through IOCTL_SCSI_MINIPORT
  Tarn,      // the maker's driver: SCSI request blocks on "\\.\TRN%d"
};

// Peripheral device types, as INQUIRY byte 0 reports them.
enum class DeviceType : uint8_t { Disk = 0x00, Scanner = 0x06, CdRom = 0x05 };

struct TargetSpec {
  DeviceType type = DeviceType::Disk;
  // The target answers (and its class device exists) from this virtual time on.
  uint64_t visible_from_ms = 0;
  // Peripheral qualifier, INQUIRY byte 0 bits 5-7.
  uint8_t qualifier = 0;
  // Disks and scanners are claimed by their class driver: they get a
  // "\\.\PhysicalDrive%d" or "\\.\Scanner%d" device, and the port refuses
  // pass-through requests for them. CD-ROMs are never claimed.
  bool claimed = true;
  // N of the class device; -1: the lowest number of its kind not yet taken.
  int device_number = -1;
  // Answers IOCTL_SCSI_GET_ADDRESS on its class device.
  bool answers_address = true;
};

struct ScsiTargetInfo {
  int port, bus, target;
  TargetSpec setup;
};

// One request as a driver received it (before it answered).
struct ScsiRequest {
  std::string device;
  DWORD code = 0;
  std::vector<uint8_t> input;  // the input buffer's bytes (empty with records off)
  DWORD in_size = 0, out_size = 0;
  bool in_null = true, out_null = true;
  uintptr_t in_address = 0;  // where the caller's input buffer lies
};

// One SCSI command that reached a target.
struct ScsiCommand {
  int port, bus, target;
  std::vector<uint8_t> cdb;
};

class ScsiHost {
 public:
  // Adds the next port (0, 1, 2, ...) and returns its number. `driver` is the
  // "Driver" value; empty gives the model's usual one ("aic78xx", "mraidnt",
  // "dac960nt", "tarnscsi").
  int add_port(DriverModel model, int buses = 1, std::string driver = {});
  void add_target(int port, int bus, int target, TargetSpec setup = {});
  void remove_target(int port, int bus, int target);

  int port_count() const;
  int bus_count(int port) const;
  DriverModel model(int port) const;
  std::vector<ScsiTargetInfo> targets() const;

  // Called, without the machine lock, for every READ that a disk executed.
  void set_read_observer(std::function<void(int port, int bus, int target)> observer);

  // The next `times` commands on the port answer with this status in the
  // port's driver's own terms: the AMI status byte, the Mylex 16-bit status,
  // the SrbStatus (with `scsi_status`) of the maker's driver, or the
  // ScsiStatus of a standard pass-through. No data moves.
  void inject_status(int port, uint32_t status, uint8_t scsi_status = 0, unsigned times = 1);

  // Sees every DeviceIoControl answer on a SCSI device before the caller
  // gets it and may change it: the request's buffer (`size` bytes, the
  // driver's answer in it), the bytes to copy back and the Win32 result.
  // Lets a fuzzer hand the system arbitrary driver answers. Called with the
  // machine lock held.
  using AnswerHook =
      std::function<void(DWORD code, uint8_t* buffer, uint32_t size, uint32_t* returned,
                         DWORD* result)>;
  void set_answer_hook(AnswerHook hook) { answer_hook_ = std::move(hook); }
  const AnswerHook& answer_hook() const { return answer_hook_; }

  // What reached the drivers since reset.
  std::vector<ScsiCommand> commands() const;
  std::optional<ScsiRequest> last_request() const;
  uint64_t request_count() const;

  // Used by the device functions.
  struct Port {
    DriverModel model;
    int buses;
    std::string driver;
    struct Fault {
      uint32_t status;
      uint8_t scsi_status;
      unsigned left;
    };
    std::optional<Fault> fault;
  };
  using Key = std::tuple<int, int, int>;
  std::vector<Port>& ports() { return ports_; }
  std::map<Key, TargetSpec>& target_map() { return targets_; }
  void record_request(ScsiRequest request);
  void record_command(ScsiCommand command);
  // A pending injected status of the port, consumed.
  std::optional<Port::Fault> take_fault(int port);
  void note_read(int port, int bus, int target) { reads_.emplace_back(port, bus, target); }
  // Hands the reads noted so far to the observer; call without the lock.
  void deliver_reads();

 private:
  std::vector<Port> ports_;
  std::map<Key, TargetSpec> targets_;
  std::vector<ScsiCommand> commands_;
  std::optional<ScsiRequest> last_request_;
  uint64_t request_count_ = 0;
  std::function<void(int, int, int)> read_observer_;
  AnswerHook answer_hook_;
  std::vector<Key> reads_;
};

ScsiHost& scsi();

}  // namespace sim

#endif  // SIM_SCSI_SCSI_HOST_H
