#include "bench/store_rules.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "sim/core/registry.h"

namespace bench {

namespace {

const char kStoreKey[] = "HKLM\\SOFTWARE\\Ostravale\\Tormelle";
const size_t kMaxEntries = 48;
const size_t kEntrySize = 5;

bool IsInvalid(const uint8_t* entry) {
  for (size_t i = 0; i < kEntrySize; ++i)
    if (entry[i] != 0xFF) return false;
  return true;
}

std::string Hex(const uint8_t* entry) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < kEntrySize; ++i) {
    text += kDigits[entry[i] >> 4];
    text += kDigits[entry[i] & 0x0F];
  }
  return text;
}

}  // namespace

bool StoreRules::Fail(const std::string& why) {
  failure_ = why;
  return false;
}

size_t StoreRules::ValidCount() const {
  size_t valid = 0;
  for (size_t i = 0; i + kEntrySize <= entries_.size(); i += kEntrySize)
    if (!IsInvalid(&entries_[i])) ++valid;
  return valid;
}

bool StoreRules::CheckStore() {
  const std::optional<DWORD> count = sim::registry().dword(kStoreKey, "Map count");
  const std::optional<sim::RegValue> mappings = sim::registry().value(kStoreKey, "Mappings");
  if (!count || !mappings) return Fail("the store is missing a value");
  if (mappings->type != REG_BINARY) return Fail("\"Mappings\" is not REG_BINARY");
  const std::vector<uint8_t>& bytes = mappings->data;
  if (*count > kMaxEntries) return Fail("\"Map count\" " + std::to_string(*count) + " is above 48");
  if (bytes.size() != *count * kEntrySize)
    return Fail("\"Mappings\" holds " + std::to_string(bytes.size()) + " bytes for " +
                std::to_string(*count) + " entries");

  // Only appended or invalidated since the last store.
  if (bytes.size() < entries_.size()) return Fail("the store lost entries");
  for (size_t i = 0; i < entries_.size(); i += kEntrySize) {
    if (std::equal(&entries_[i], &entries_[i] + kEntrySize, &bytes[i]) || IsInvalid(&bytes[i]))
      continue;
    return Fail("entry " + std::to_string(i / kEntrySize) + " changed from " + Hex(&entries_[i]) +
                " to " + Hex(&bytes[i]));
  }

  std::set<std::tuple<uint8_t, uint8_t, uint8_t>> scsi_locations;
  std::map<uint8_t, std::map<std::pair<uint8_t, uint8_t>, int>> buses_of_cage;
  for (size_t i = 0; i < bytes.size(); i += kEntrySize) {
    const uint8_t* entry = &bytes[i];
    if (IsInvalid(entry)) continue;
    if ((entry[0] != 0x9C && entry[0] != 0x9E) || entry[1] > 7 || entry[2] > 15)
      return Fail("entry " + std::to_string(i / kEntrySize) + " " + Hex(entry) +
                  " names no cage slot or target");
    if (!scsi_locations.insert({entry[2], entry[3], entry[4]}).second)
      return Fail("SCSI location of entry " + Hex(entry) + " is mapped twice");
    ++buses_of_cage[entry[0]][{entry[3], entry[4]}];
  }
  for (const auto& [cage, buses] : buses_of_cage) {
    if (buses.size() < 2) continue;
    int most = 0, holders = 0;
    for (const auto& bus : buses) {
      if (bus.second > most) {
        most = bus.second;
        holders = 1;
      } else if (bus.second == most) {
        ++holders;
      }
    }
    if (most >= 2 && holders == 1)
      return Fail("cage " + std::to_string(cage) + " keeps entries off its majority bus");
  }
  entries_ = bytes;
  return true;
}

}  // namespace bench
