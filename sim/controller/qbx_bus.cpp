// The simulated QBX controller: the seven QBXAPI functions, the SMS message
// buffer, the controller device's open state and the bus trace.
#include "sim/controller/qbx_bus.h"

#include <deque>
#include <fstream>
#include <map>

#include "platform/qbxapi.h"
#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"
#include "sim/core/records.h"

namespace sim {

namespace {

class QbxDeviceObject : public Object {
 public:
  const char* kind() const override { return "qbx"; }
  bool closed_by_close_handle() const override { return false; }
};

struct SmsMessage {
  uint64_t ready_ms;
  std::vector<uint8_t> bytes;
};

struct QbxState {
  std::map<uint8_t, std::shared_ptr<I2cDevice>> devices;
  std::deque<SmsMessage> sms;
  HANDLE device = nullptr;  // open controller device, in the handle table
  QbxDeviceStats stats;
  std::vector<BusExchange> trace;
  bool in_exchange = false;
  uint64_t pause_since_last = 0;
  std::vector<uint32_t> pauses;
  // Closed exchanges that were not kept: their count per address and totals.
  std::map<int, uint64_t> dropped_by_address;
  BusTotals dropped;
};

QbxState& state() { return component<QbxState>(); }

// The current exchange, begun by this call if none is.
BusExchange& current(QbxState& qbx) {
  if (!qbx.in_exchange) {
    BusExchange exchange;
    exchange.start_ms = now_ms();
    exchange.pause_before_ms = qbx.pause_since_last;
    qbx.pause_since_last = 0;
    qbx.trace.push_back(exchange);
    qbx.in_exchange = true;
  }
  return qbx.trace.back();
}

int record(QbxState& qbx, const char* api, int status) {
  current(qbx).calls.push_back(QbxCall{api, status});
  return status;
}

void end_exchange(QbxState& qbx) {
  BusExchange& exchange = current(qbx);
  exchange.end_ms = now_ms();
  exchange.closed = true;
  qbx.in_exchange = false;
  if (!keeping_records()) {
    ++qbx.dropped_by_address[exchange.address];
    ++qbx.dropped.exchanges;
    qbx.dropped.busy_ms += exchange.end_ms - exchange.start_ms;
    qbx.dropped.pause_ms += exchange.pause_before_ms;
    qbx.trace.pop_back();
  }
}

void close_device(QbxState& qbx) {
  if (qbx.device) remove_handle(qbx.device);
  qbx.device = nullptr;
  qbx.stats.open = false;
}

// The status an armed fault gives the call, if any.
bool faulted(const char* api, int* status) {
  DWORD error = 0;
  if (!injected_fault(api, &error)) return false;
  *status = static_cast<int>(error);
  return true;
}

std::string hex_bytes(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 0x0F];
  }
  return text.empty() ? "-" : text;
}

std::string status_text(int status) {
  if (status == 0) return "0";
  char buffer[16];
  snprintf(buffer, sizeof(buffer), "0x%04X", static_cast<unsigned>(status));
  return buffer;
}

const char* short_name(const std::string& api) {
  if (api == "RetryQBX_OpenDevice") return "open";
  if (api == "QBX_MasterWriteI2C") return "write";
  if (api == "QBX_IsSMSDataAvailable") return "poll";
  if (api == "QBX_ReadSMSMessageBuffer") return "read";
  if (api == "RetryQBX_CloseDevice") return "close";
  if (api == "QBX_CloseDevice") return "forceclose";
  return api.c_str();
}

}  // namespace

void attach_i2c_device(uint8_t address, std::shared_ptr<I2cDevice> device) {
  Guard guard(machine_mutex());
  state().devices[address] = std::move(device);
}

void detach_i2c_device(uint8_t address) {
  Guard guard(machine_mutex());
  state().devices.erase(address);
}

std::shared_ptr<I2cDevice> i2c_device_at(uint8_t address) {
  Guard guard(machine_mutex());
  auto it = state().devices.find(address);
  return it == state().devices.end() ? nullptr : it->second;
}

std::vector<BusExchange> bus_trace() {
  Guard guard(machine_mutex());
  return state().trace;
}

size_t bus_exchange_count(int address) {
  Guard guard(machine_mutex());
  QbxState& qbx = state();
  size_t count = 0;
  if (address < 0) {
    count = qbx.dropped.exchanges;
  } else {
    auto it = qbx.dropped_by_address.find(address);
    if (it != qbx.dropped_by_address.end()) count = it->second;
  }
  for (const BusExchange& exchange : qbx.trace) {
    if (address < 0 || exchange.address == address) ++count;
  }
  return count;
}

BusTotals bus_totals() {
  Guard guard(machine_mutex());
  QbxState& qbx = state();
  BusTotals totals = qbx.dropped;
  for (const BusExchange& exchange : qbx.trace) {
    ++totals.exchanges;
    totals.busy_ms += (exchange.closed ? exchange.end_ms : now_ms()) - exchange.start_ms;
    totals.pause_ms += exchange.pause_before_ms;
  }
  return totals;
}

std::vector<uint32_t> qbx_pauses() {
  Guard guard(machine_mutex());
  return state().pauses;
}

QbxDeviceStats qbx_device_stats() {
  Guard guard(machine_mutex());
  return state().stats;
}

std::string format_bus_exchange(const BusExchange& exchange) {
  char head[64];
  if (exchange.address < 0) {
    snprintf(head, sizeof(head), "%llu addr=-- ",
             static_cast<unsigned long long>(exchange.start_ms));
  } else {
    snprintf(head, sizeof(head), "%llu addr=%02X ",
             static_cast<unsigned long long>(exchange.start_ms), exchange.address);
  }
  std::string line = head;
  line += "wrote=" + hex_bytes(exchange.written) + " got=" + hex_bytes(exchange.delivered);
  line += " calls=";
  for (size_t i = 0; i < exchange.calls.size();) {
    size_t run = 1;
    while (exchange.calls[i].api == "QBX_IsSMSDataAvailable" && i + run < exchange.calls.size() &&
           exchange.calls[i + run].api == exchange.calls[i].api) {
      ++run;
    }
    const QbxCall& last = exchange.calls[i + run - 1];
    if (i) line += ",";
    line += short_name(last.api);
    if (run > 1) line += "*" + std::to_string(run);
    line += ":" + status_text(last.status);
    i += run;
  }
  line += " end=" + (exchange.closed ? std::to_string(exchange.end_ms) : std::string("open"));
  line += " pause=" + std::to_string(exchange.pause_before_ms);
  return line;
}

bool write_bus_trace(const std::string& path) {
  std::vector<BusExchange> trace = bus_trace();
  std::ofstream out(path);
  if (!out) return false;
  for (const BusExchange& exchange : trace) out << format_bus_exchange(exchange) << "\n";
  return static_cast<bool>(out);
}

}  // namespace sim

using sim::Guard;
using sim::machine_mutex;

int QBXAPI_CALL RetryQBX_OpenDevice(void) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  int status = 0;
  if (!sim::faulted("RetryQBX_OpenDevice", &status)) {
    if (qbx.device) {
      status = sim::QBX_STATUS_ALREADY_IN_USE;
    } else {
      qbx.device = sim::add_handle(std::make_shared<sim::QbxDeviceObject>());
      qbx.stats.open = true;
      ++qbx.stats.opens;
    }
  }
  return sim::record(qbx, "RetryQBX_OpenDevice", status);
}

int QBXAPI_CALL QBX_MasterWriteI2C(int nBus, BYTE bSlaveAddress, const BYTE* pbData, int nLength) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  sim::BusExchange& exchange = sim::current(qbx);
  exchange.address = bSlaveAddress;
  if (pbData && nLength > 0) exchange.written.assign(pbData, pbData + nLength);
  int status = 0;
  if (sim::faulted("QBX_MasterWriteI2C", &status)) {
    return sim::record(qbx, "QBX_MasterWriteI2C", status);
  }
  if (!qbx.device) return sim::record(qbx, "QBX_MasterWriteI2C", sim::QBX_STATUS_DRIVER_FAILURE);
  if (nBus != 0 || !pbData || nLength <= 0) {
    return sim::record(qbx, "QBX_MasterWriteI2C", sim::QBX_STATUS_BAD_PARAMETERS);
  }
  auto it = qbx.devices.find(bSlaveAddress);
  if (it == qbx.devices.end()) {
    return sim::record(qbx, "QBX_MasterWriteI2C", sim::QBX_STATUS_ADDRESS_NOT_ACKED);
  }
  std::shared_ptr<sim::I2cDevice> device = it->second;
  if (std::optional<std::vector<uint8_t>> answer = device->on_write(exchange.written)) {
    qbx.sms.push_back(sim::SmsMessage{sim::now_ms() + device->answer_delay_ms(), *answer});
  }
  return sim::record(qbx, "QBX_MasterWriteI2C", 0);
}

int QBXAPI_CALL QBX_IsSMSDataAvailable(DWORD* pdwAvailable) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  int status = 0;
  if (!sim::faulted("QBX_IsSMSDataAvailable", &status)) {
    if (!pdwAvailable) {
      status = sim::QBX_STATUS_BAD_PARAMETERS;
    } else if (!qbx.device) {
      status = sim::QBX_STATUS_DRIVER_FAILURE;
    } else {
      *pdwAvailable = !qbx.sms.empty() && qbx.sms.front().ready_ms <= sim::now_ms();
    }
  }
  return sim::record(qbx, "QBX_IsSMSDataAvailable", status);
}

int QBXAPI_CALL QBX_ReadSMSMessageBuffer(BYTE* pbBuffer, BYTE* pbLength) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  int status = 0;
  if (!sim::faulted("QBX_ReadSMSMessageBuffer", &status)) {
    if (!pbBuffer || !pbLength) {
      status = sim::QBX_STATUS_BAD_PARAMETERS;
    } else if (!qbx.device) {
      status = sim::QBX_STATUS_DRIVER_FAILURE;
    } else if (qbx.sms.empty() || qbx.sms.front().ready_ms > sim::now_ms()) {
      status = sim::QBX_STATUS_TIME_OUT;
    } else {
      // The message leaves the buffer; only as much as the room allows is stored.
      std::vector<uint8_t> message = std::move(qbx.sms.front().bytes);
      qbx.sms.pop_front();
      size_t stored = message.size() < *pbLength ? message.size() : *pbLength;
      std::copy(message.begin(), message.begin() + stored, pbBuffer);
      *pbLength = static_cast<BYTE>(stored);
      sim::current(qbx).delivered.assign(message.begin(), message.begin() + stored);
    }
  }
  return sim::record(qbx, "QBX_ReadSMSMessageBuffer", status);
}

int QBXAPI_CALL RetryQBX_CloseDevice(void) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  int status = 0;
  if (!sim::faulted("RetryQBX_CloseDevice", &status)) {
    if (!qbx.device) {
      status = sim::QBX_STATUS_DRIVER_FAILURE;
    } else {
      sim::close_device(qbx);
      ++qbx.stats.closes;
    }
  }
  sim::record(qbx, "RetryQBX_CloseDevice", status);
  if (status == 0) sim::end_exchange(qbx);
  return status;
}

int QBXAPI_CALL QBX_CloseDevice(void) {
  Guard guard(machine_mutex());
  sim::QbxState& qbx = sim::state();
  ++qbx.stats.forced_closes;
  int status = 0;
  if (!sim::faulted("QBX_CloseDevice", &status)) sim::close_device(qbx);
  sim::record(qbx, "QBX_CloseDevice", status);
  sim::end_exchange(qbx);
  return status;
}

void QBXAPI_CALL QBXSleep(DWORD dwMilliseconds) {
  {
    Guard guard(machine_mutex());
    sim::injected_fault("QBXSleep", nullptr);
    sim::QbxState& qbx = sim::state();
    if (sim::keeping_records()) qbx.pauses.push_back(dwMilliseconds);
    if (!qbx.in_exchange) qbx.pause_since_last += dwMilliseconds;
  }
  sim::advance(dwMilliseconds);
}
