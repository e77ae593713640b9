// The Application event log as programs write to it: every record reported
// with ReportEventA under a registered event source, kept in order.
#ifndef SIM_SERVICES_EVENT_REPORTS_H
#define SIM_SERVICES_EVENT_REPORTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

struct ReportedEvent {
  uint64_t at_ms = 0;
  std::string source;
  WORD type = 0;
  WORD category = 0;
  DWORD id = 0;
  bool has_user_sid = false;
  std::vector<std::string> strings;
  std::vector<uint8_t> data;
};

// The records reported since reset.
std::vector<ReportedEvent> reported_events();

// Event sources registered and not yet deregistered, and registrations made.
size_t open_event_sources();
uint64_t event_source_registrations();

}  // namespace sim

#endif  // SIM_SERVICES_EVENT_REPORTS_H
