// kernel32's CreateFileA and DeviceIoControl on the simulated SCSI host's
// device namespace, with buffered (METHOD_BUFFERED) request semantics.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "sim/core/faults.h"
#include "sim/core/machine.h"
#include "sim/core/records.h"
#include "sim/scsi/scsi_drivers.h"
#include "sim/scsi/scsi_target.h"

namespace {

using sim::scsi_detail::DeviceObject;

const DWORD kTarnExecuteSrb = 0x4204C;
const DWORD kErrorNoAccess = 998;  // ERROR_NOACCESS: a buffer the caller did not give

// Parses "\\.\<word><n><suffix>" without regard to case; n decimal.
bool parse_device_name(const std::string& name, const char* word, const char* suffix, int* n) {
  const std::string prefix = std::string("\\\\.\\") + word;
  if (name.size() <= prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  size_t pos = prefix.size();
  size_t digits_end = pos;
  while (digits_end < name.size() && std::isdigit(static_cast<unsigned char>(name[digits_end]))) {
    ++digits_end;
  }
  if (digits_end == pos || digits_end - pos > 6) return false;
  if (name.substr(digits_end) != suffix) return false;
  *n = std::stoi(name.substr(pos, digits_end - pos));
  return true;
}

// The open device for a name, or null when the namespace has none.
std::shared_ptr<DeviceObject> open_device(sim::ScsiHost& host, const std::string& name,
                                          DWORD access) {
  int n = 0;
  auto& ports = host.ports();
  if (parse_device_name(name, "SCSI", ":", &n)) {
    if (n >= static_cast<int>(ports.size())) return nullptr;
    return std::make_shared<DeviceObject>(DeviceObject::Kind::Port, n, -1, -1, access, name);
  }
  if (parse_device_name(name, "TRN", "", &n)) {
    int seen = 0;
    for (size_t port = 0; port < ports.size(); ++port) {
      if (ports[port].model != sim::DriverModel::Tarn) continue;
      if (seen++ == n) {
        return std::make_shared<DeviceObject>(DeviceObject::Kind::Trn, static_cast<int>(port), -1,
                                              -1, access, name);
      }
    }
    return nullptr;
  }
  sim::DeviceType type;
  DeviceObject::Kind kind;
  if (parse_device_name(name, "PhysicalDrive", "", &n)) {
    type = sim::DeviceType::Disk;
    kind = DeviceObject::Kind::Disk;
  } else if (parse_device_name(name, "Scanner", "", &n)) {
    type = sim::DeviceType::Scanner;
    kind = DeviceObject::Kind::Scanner;
  } else {
    return nullptr;
  }
  for (const auto& [key, setup] : host.target_map()) {
    if (!setup.claimed || setup.type != type || setup.device_number != n) continue;
    auto [port, bus, target] = key;
    if (!sim::scsi_detail::find_target(host, port, bus, target, 0)) continue;
    return std::make_shared<DeviceObject>(kind, port, bus, target, access, name);
  }
  return nullptr;
}

// Whether the handle's access rights allow the code's required access.
bool access_allows(DWORD access, DWORD code) {
  DWORD required = (code >> 14) & 3;
  if ((required & FILE_READ_ACCESS) && !(access & GENERIC_READ)) return false;
  if ((required & FILE_WRITE_ACCESS) && !(access & GENERIC_WRITE)) return false;
  return true;
}

DWORD dispatch(sim::ScsiHost& host, const DeviceObject& device, DWORD code,
               sim::scsi_detail::IoRequest& io) {
  using Kind = DeviceObject::Kind;
  const bool class_device = device.device_kind() == Kind::Disk ||
                            device.device_kind() == Kind::Scanner;
  if (code == IOCTL_SCSI_GET_ADDRESS) {
    return class_device ? sim::scsi_detail::get_scsi_address(host, device, io)
                        : ERROR_INVALID_FUNCTION;
  }
  if (code == IOCTL_SCSI_PASS_THROUGH && device.device_kind() != Kind::Trn) {
    return sim::scsi_detail::standard_pass_through(host, device, io);
  }
  if (code == IOCTL_SCSI_MINIPORT && device.device_kind() == Kind::Port) {
    switch (host.ports()[device.port()].model) {
      case sim::DriverModel::Ami: return sim::scsi_detail::ami_direct_command(host, device.port(), io);
      case sim::DriverModel::Mylex: return sim::scsi_detail::mylex_direct_cdb(host, device.port(), io);
      default: return ERROR_INVALID_FUNCTION;
    }
  }
  if (code == kTarnExecuteSrb && device.device_kind() == Kind::Trn) {
    return sim::scsi_detail::tarn_execute_srb(host, device.port(), io);
  }
  return ERROR_INVALID_FUNCTION;
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
  DWORD dwError;
  if (sim::injected_fault("CreateFileA", &dwError)) {
    SetLastError(dwError);
    return INVALID_HANDLE_VALUE;
  }
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::shared_ptr<DeviceObject> device;
  {
    sim::Guard guard(sim::machine_mutex());
    device = open_device(sim::scsi(), lpFileName, dwDesiredAccess);
  }
  if (!device) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition != OPEN_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return sim::add_handle(device);
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED) {
  DWORD dwError;
  if (sim::injected_fault("DeviceIoControl", &dwError)) {
    SetLastError(dwError);
    return FALSE;
  }
  auto device = sim::find_handle_as<DeviceObject>(hDevice);
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((nInBufferSize && !lpInBuffer) || (nOutBufferSize && !lpOutBuffer)) {
    SetLastError(kErrorNoAccess);
    return FALSE;
  }

  sim::ScsiHost& host = sim::scsi();
  DWORD result;
  sim::scsi_detail::IoRequest io;
  std::vector<uint8_t> system(std::max(nInBufferSize, nOutBufferSize));
  {
    sim::Guard guard(sim::machine_mutex());
    auto* in = static_cast<uint8_t*>(lpInBuffer);
    sim::ScsiRequest seen;
    seen.device = device->name();
    seen.code = dwIoControlCode;
    if (sim::keeping_records()) seen.input.assign(in, in + nInBufferSize);
    seen.in_size = nInBufferSize;
    seen.out_size = nOutBufferSize;
    seen.in_null = lpInBuffer == nullptr;
    seen.out_null = lpOutBuffer == nullptr;
    seen.in_address = reinterpret_cast<uintptr_t>(lpInBuffer);
    host.record_request(std::move(seen));

    if (!access_allows(device->access(), dwIoControlCode)) {
      result = ERROR_ACCESS_DENIED;
    } else {
      if (nInBufferSize) std::memcpy(system.data(), in, nInBufferSize);
      io.system = system.data();
      io.in_size = nInBufferSize;
      io.out_size = nOutBufferSize;
      io.user_in = in;
      result = dispatch(host, *device, dwIoControlCode, io);
      if (host.answer_hook()) {
        host.answer_hook()(dwIoControlCode, io.system, static_cast<uint32_t>(system.size()),
                           &io.returned, &result);
      }
    }
  }
  host.deliver_reads();
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  DWORD returned = std::min<DWORD>(io.returned, nOutBufferSize);
  if (returned) std::memcpy(lpOutBuffer, system.data(), returned);
  if (lpBytesReturned) *lpBytesReturned = returned;
  return TRUE;
}
