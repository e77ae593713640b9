// advapi32's event reporting calls: RegisterEventSourceA, ReportEventA and
// DeregisterEventSource on the simulated Application log.
#include "sim/services/event_reports.h"

#include "sim/core/clock.h"
#include "sim/core/faults.h"
#include "sim/core/handles.h"
#include "sim/core/machine.h"

namespace sim {

namespace {

class EventSourceHandle : public Object {
 public:
  explicit EventSourceHandle(std::string source) : source_(std::move(source)) {}
  const char* kind() const override { return "event_source"; }
  bool closed_by_close_handle() const override { return false; }
  const std::string& source() const { return source_; }

 private:
  std::string source_;
};

struct ApplicationLog {
  std::vector<ReportedEvent> events;
  uint64_t registrations = 0;
};

ApplicationLog& application_log() { return component<ApplicationLog>(); }

bool Failed(const char* pszApi) {
  DWORD dwError;
  if (!injected_fault(pszApi, &dwError)) return false;
  SetLastError(dwError);
  return true;
}

}  // namespace

std::vector<ReportedEvent> reported_events() {
  Guard guard(machine_mutex());
  return application_log().events;
}

size_t open_event_sources() { return open_handle_count("event_source"); }

uint64_t event_source_registrations() {
  Guard guard(machine_mutex());
  return application_log().registrations;
}

}  // namespace sim

HANDLE WINAPI RegisterEventSourceA(LPCSTR lpUNCServerName, LPCSTR lpSourceName) {
  if (sim::Failed("RegisterEventSourceA")) return NULL;
  if (lpUNCServerName && *lpUNCServerName) {
    SetLastError(1722);  // RPC_S_SERVER_UNAVAILABLE: no other computers here
    return NULL;
  }
  if (!lpSourceName || !*lpSourceName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  sim::Guard guard(sim::machine_mutex());
  sim::application_log().registrations++;
  return sim::add_handle(std::make_shared<sim::EventSourceHandle>(lpSourceName));
}

BOOL WINAPI ReportEventA(HANDLE hEventLog, WORD wType, WORD wCategory, DWORD dwEventID,
                         PSID lpUserSid, WORD wNumStrings, DWORD dwDataSize, LPCSTR* lpStrings,
                         LPVOID lpRawData) {
  if (sim::Failed("ReportEventA")) return FALSE;
  sim::Guard guard(sim::machine_mutex());
  auto source = sim::find_handle_as<sim::EventSourceHandle>(hEventLog);
  if (!source) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((wNumStrings && !lpStrings) || (dwDataSize && !lpRawData)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  sim::ReportedEvent event;
  event.at_ms = sim::now_ms();
  event.source = source->source();
  event.type = wType;
  event.category = wCategory;
  event.id = dwEventID;
  event.has_user_sid = lpUserSid != NULL;
  for (WORD i = 0; i < wNumStrings; ++i) event.strings.emplace_back(lpStrings[i] ? lpStrings[i] : "");
  const uint8_t* pbData = static_cast<const uint8_t*>(lpRawData);
  if (dwDataSize) event.data.assign(pbData, pbData + dwDataSize);
  sim::application_log().events.push_back(std::move(event));
  return TRUE;
}

BOOL WINAPI DeregisterEventSource(HANDLE hEventLog) {
  if (sim::Failed("DeregisterEventSource")) return FALSE;
  sim::Guard guard(sim::machine_mutex());
  if (!sim::find_handle_as<sim::EventSourceHandle>(hEventLog)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  sim::remove_handle(hEventLog);
  return TRUE;
}
