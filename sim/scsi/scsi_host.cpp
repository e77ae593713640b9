#include "sim/scsi/scsi_host.h"

#include <set>
#include <stdexcept>

#include "sim/core/machine.h"
#include "sim/core/records.h"
#include "sim/core/registry.h"

namespace sim {

namespace {

const char* usual_driver(DriverModel model) {
  switch (model) {
    case DriverModel::Ami: return "mraidnt";
    case DriverModel::Mylex: return "dac960nt";
    case DriverModel::Tarn: return "tarnscsi";
    case DriverModel::Standard: break;
  }
  return "aic78xx";
}

bool has_class_device(const TargetSpec& setup) {
  return setup.claimed && (setup.type == DeviceType::Disk || setup.type == DeviceType::Scanner);
}

}  // namespace

ScsiHost& scsi() { return component<ScsiHost>(); }

int ScsiHost::add_port(DriverModel model, int buses, std::string driver) {
  Guard guard(machine_mutex());
  if (driver.empty()) driver = usual_driver(model);
  int port = static_cast<int>(ports_.size());
  ports_.push_back(Port{model, buses, driver, std::nullopt});

  // The device map as the port driver leaves it at boot.
  const std::string key = "HKLM\\HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(port);
  registry().set_string(key, "Driver", driver);
  for (int bus = 0; bus < buses; ++bus) {
    registry().create_key(key + "\\Scsi Bus " + std::to_string(bus) + "\\Initiator Id 7");
  }
  return port;
}

void ScsiHost::add_target(int port, int bus, int target, TargetSpec setup) {
  Guard guard(machine_mutex());
  if (port < 0 || port >= static_cast<int>(ports_.size()) || bus < 0 ||
      bus >= ports_[port].buses || target < 0 || target > 15) {
    throw std::invalid_argument("sim::scsi: no such port, bus or target ID");
  }
  if (has_class_device(setup) && setup.device_number < 0) {
    std::set<int> taken;
    for (const auto& [key, other] : targets_) {
      if (has_class_device(other) && other.type == setup.type) taken.insert(other.device_number);
    }
    int n = 0;
    while (taken.count(n)) ++n;
    setup.device_number = n;
  }
  targets_[Key{port, bus, target}] = setup;
}

void ScsiHost::remove_target(int port, int bus, int target) {
  Guard guard(machine_mutex());
  targets_.erase(Key{port, bus, target});
}

int ScsiHost::port_count() const {
  Guard guard(machine_mutex());
  return static_cast<int>(ports_.size());
}

int ScsiHost::bus_count(int port) const {
  Guard guard(machine_mutex());
  return port >= 0 && port < static_cast<int>(ports_.size()) ? ports_[port].buses : 0;
}

DriverModel ScsiHost::model(int port) const {
  Guard guard(machine_mutex());
  return ports_.at(port).model;
}

std::vector<ScsiTargetInfo> ScsiHost::targets() const {
  Guard guard(machine_mutex());
  std::vector<ScsiTargetInfo> list;
  for (const auto& [key, setup] : targets_) {
    list.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), setup});
  }
  return list;
}

void ScsiHost::set_read_observer(std::function<void(int, int, int)> observer) {
  Guard guard(machine_mutex());
  read_observer_ = std::move(observer);
}

void ScsiHost::inject_status(int port, uint32_t status, uint8_t scsi_status, unsigned times) {
  Guard guard(machine_mutex());
  ports_.at(port).fault = Port::Fault{status, scsi_status, times};
}

std::optional<ScsiHost::Port::Fault> ScsiHost::take_fault(int port) {
  auto& fault = ports_.at(port).fault;
  if (!fault || fault->left == 0) return std::nullopt;
  Port::Fault taken = *fault;
  if (--fault->left == 0) fault.reset();
  return taken;
}

std::vector<ScsiCommand> ScsiHost::commands() const {
  Guard guard(machine_mutex());
  return commands_;
}

std::optional<ScsiRequest> ScsiHost::last_request() const {
  Guard guard(machine_mutex());
  return last_request_;
}

uint64_t ScsiHost::request_count() const {
  Guard guard(machine_mutex());
  return request_count_;
}

void ScsiHost::record_request(ScsiRequest request) {
  last_request_ = std::move(request);
  ++request_count_;
}

void ScsiHost::record_command(ScsiCommand command) {
  if (keeping_records()) commands_.push_back(std::move(command));
}

void ScsiHost::deliver_reads() {
  Guard guard(machine_mutex());
  std::vector<Key> reads;
  reads.swap(reads_);
  auto observer = read_observer_;
  guard.unlock();
  if (!observer) return;
  for (const auto& [port, bus, target] : reads) observer(port, bus, target);
}

}  // namespace sim
