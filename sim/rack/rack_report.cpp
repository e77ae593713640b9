#include "sim/rack/rack_report.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/controller/qbx_bus.h"
#include "sim/core/clock.h"
#include "sim/core/registry.h"
#include "sim/rack/rack_machine.h"
#include "sim/scsi/scsi_host.h"
#include "sim/services/event_reports.h"
#include "sim/services/service_manager.h"

namespace sim {

namespace {

using nlohmann::json;

std::string hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char digits[3];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x", b);
    text += digits;
  }
  return text;
}

json store() {
  const char* key = "HKLM\\SOFTWARE\\Ostravale\\Tormelle";
  std::optional<DWORD> count = registry().dword(key, "Map count");
  std::optional<RegValue> mappings = registry().value(key, "Mappings");
  if (!count || !mappings) return nullptr;
  return json{{"map_count", *count}, {"mappings", hex(mappings->data)}};
}

json truth() {
  json list = json::array();
  for (const SlotTruth& t : rack_truth())
    list.push_back({{"cage", t.cage}, {"slot", t.slot}, {"target", t.target},
                    {"channel", t.channel}, {"adapter", t.adapter}});
  return list;
}

json status_reports() {
  json list = json::array();
  for (const StatusReport& report : scm().status_reports()) {
    const SERVICE_STATUS& s = report.status;
    list.push_back({{"at_ms", report.at_ms},
                    {"state", s.dwCurrentState},
                    {"controls_accepted", s.dwControlsAccepted},
                    {"win32_exit_code", s.dwWin32ExitCode},
                    {"service_exit_code", s.dwServiceSpecificExitCode},
                    {"checkpoint", s.dwCheckPoint},
                    {"wait_hint", s.dwWaitHint},
                    {"error", report.error}});
  }
  return list;
}

json events() {
  json list = json::array();
  for (const ReportedEvent& event : reported_events())
    list.push_back({{"at_ms", event.at_ms},
                    {"source", event.source},
                    {"type", event.type},
                    {"category", event.category},
                    {"id", event.id},
                    {"strings", event.strings},
                    {"data", hex(event.data)}});
  return list;
}

}  // namespace

std::string rack_report_json() {
  json report;
  report["rack"] = installed_rack().name;
  json stored = store();
  if (!stored.is_null()) report["store"] = stored;
  report["truth"] = truth();
  uint64_t busy_ms = 0;
  for (const BusExchange& exchange : bus_trace()) busy_ms += exchange.end_ms - exchange.start_ms;
  report["bus"] = {{"exchanges", bus_exchange_count()},
                   {"busy_ms", busy_ms},
                   {"virtual_ms", now_ms()},
                   {"device_open", qbx_device_stats().open}};
  report["scsi"] = {{"commands", scsi().commands().size()}};
  report["first_store_ms"] = first_store_ms();
  report["status_reports"] = status_reports();
  report["events"] = events();
  return report.dump(2) + "\n";
}

bool write_rack_report(const std::string& path) {
  std::ofstream file(path);
  if (!file) return false;
  file << rack_report_json();
  return static_cast<bool>(file);
}

}  // namespace sim
