#include "sim/events/event_source.h"

#include <algorithm>

#include "sim/core/machine.h"

namespace sim {

EventRecord EventSource::insertion_record(uint8_t code) {
  EventRecord record{};
  // A plausible header around the tested bytes: record length and a
  // sequence-like word the agent does not look at.
  record[0] = 0x24;
  record[1] = 0x02;
  record[10] = 13;
  record[12] = 8;
  record[13] = 0x41;
  record[14] = 0x00;
  record[15] = code;
  return record;
}

void EventSource::log(const EventRecord& record) { records_.push_back(record); }

void EventSource::log_insertion(int cage, int slot) {
  log(insertion_record(static_cast<uint8_t>((cage << 4) | ((slot + 1) & 0x0F))));
}

void EventSource::log_insertion_code(uint8_t code) { log(insertion_record(code)); }

bool EventSource::next_unseen(const std::string& reader, EventRecord* record) {
  if (std::find(reader_names_.begin(), reader_names_.end(), reader) == reader_names_.end())
    reader_names_.push_back(reader);
  size_t& position = positions_[reader];
  if (position >= records_.size()) return false;
  *record = records_[position++];
  ++delivered_;
  return true;
}

EventSource& event_source() { return component<EventSource>(); }

}  // namespace sim
