// The server's event log as logquay reads it: a list of 548-byte records.
// Each reader (named by the caller) is given every record once, in order.
//
// Drive-insertion records carry, as the management firmware logs them,
// 13 at offset 10, 8 at offset 12, a value with low bits 1 at offset 13,
// and the insertion code at offset 15: cage index in the high nibble, slot
// index + 1 in the low nibble.
#ifndef SIM_EVENTS_EVENT_SOURCE_H
#define SIM_EVENTS_EVENT_SOURCE_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

using EventRecord = std::array<uint8_t, 548>;

class EventSource {
 public:
  // Appends a raw record.
  void log(const EventRecord& record);
  // Appends a drive-insertion record for cage index `cage`, slot `slot`.
  void log_insertion(int cage, int slot);
  // Appends a record carrying a raw insertion code byte.
  void log_insertion_code(uint8_t code);

  // The next record not yet given to `reader`, if any (consumes it).
  bool next_unseen(const std::string& reader, EventRecord* record);

  size_t size() const { return records_.size(); }
  // Records delivered so far, to any reader.
  size_t delivered() const { return delivered_; }
  // Reader names seen, in the order they first read.
  const std::vector<std::string>& readers() const { return reader_names_; }

  static EventRecord insertion_record(uint8_t code);

 private:
  std::vector<EventRecord> records_;
  std::map<std::string, size_t> positions_;
  std::vector<std::string> reader_names_;
  size_t delivered_ = 0;
};

EventSource& event_source();

}  // namespace sim

#endif  // SIM_EVENTS_EVENT_SOURCE_H
