// The simulated management controller (QBX) and its I2C bus.
//
// Devices attach at 8-bit slave addresses. QBX_MasterWriteI2C hands the
// written bytes to the device at the address (nothing there: bus status 5,
// slave address not acknowledged); whatever the device sends back appears in
// the SMS message buffer after the device's delay in virtual time. The
// controller device's open state is tracked, and every exchange (open to
// close) is recorded in the bus trace.
#ifndef SIM_CONTROLLER_QBX_BUS_H
#define SIM_CONTROLLER_QBX_BUS_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// QBXAPI status codes the simulated controller reports.
constexpr int QBX_STATUS_DRIVER_FAILURE = 0x0100;     // device not open
constexpr int QBX_STATUS_TIME_OUT = 0x0101;           // read with no message waiting
constexpr int QBX_STATUS_ALREADY_IN_USE = 0x0102;     // opened twice
constexpr int QBX_STATUS_BAD_PARAMETERS = 0x0105;     // null pointer or bad length
constexpr int QBX_STATUS_ADDRESS_NOT_ACKED = 0x0005;  // no device at the address

// A device on the bus.
class I2cDevice {
 public:
  virtual ~I2cDevice() = default;
  // The controller wrote `bytes` to the device. The result is the message
  // the device sends back (from its netFn/LUN byte to its last checksum), or
  // nothing. Called with the machine lock held.
  virtual std::optional<std::vector<uint8_t>> on_write(const std::vector<uint8_t>& bytes) = 0;
  // Virtual milliseconds from the write until the answer is in the SMS buffer.
  virtual uint64_t answer_delay_ms() const { return 5; }
};

void attach_i2c_device(uint8_t address, std::shared_ptr<I2cDevice> device);
void detach_i2c_device(uint8_t address);
std::shared_ptr<I2cDevice> i2c_device_at(uint8_t address);

// One QBXAPI call inside an exchange.
struct QbxCall {
  std::string api;
  int status;
};

// One exchange: from the call that opened the device (or the first call
// while it was closed) to the call that closed it.
struct BusExchange {
  uint64_t start_ms = 0;
  uint64_t end_ms = 0;
  uint64_t pause_before_ms = 0;  // QBXSleep time since the previous exchange
  int address = -1;              // -1: nothing written
  std::vector<uint8_t> written;
  std::vector<uint8_t> delivered;  // what QBX_ReadSMSMessageBuffer stored
  std::vector<QbxCall> calls;      // every call but QBXSleep, in order
  bool closed = false;             // false: the device was left open
};

std::vector<BusExchange> bus_trace();
// Exchanges that wrote to `address` (all exchanges when negative).
size_t bus_exchange_count(int address = -1);
// Each QBXSleep, in order.
std::vector<uint32_t> qbx_pauses();

// With records off (sim/core/records.h) an exchange leaves the trace when
// it closes and only counts in the totals, and pauses are not listed.
struct BusTotals {
  uint64_t exchanges = 0;
  uint64_t busy_ms = 0;   // from the open of each exchange to its close
  uint64_t pause_ms = 0;  // QBXSleep time between exchanges
};
// Every exchange since reset, kept in the trace or not.
BusTotals bus_totals();

// One exchange as one line of text (see docs/bus-trace.md).
std::string format_bus_exchange(const BusExchange& exchange);
// Writes the whole trace, one exchange a line. False when the file cannot be written.
bool write_bus_trace(const std::string& path);

struct QbxDeviceStats {
  unsigned opens = 0;          // successful RetryQBX_OpenDevice
  unsigned closes = 0;         // successful RetryQBX_CloseDevice
  unsigned forced_closes = 0;  // QBX_CloseDevice calls
  bool open = false;           // the device is open now
};
QbxDeviceStats qbx_device_stats();

}  // namespace sim

#endif  // SIM_CONTROLLER_QBX_BUS_H
