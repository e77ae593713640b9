// Checks the public store as another agent would read it from the registry:
// the rules the mapping table keeps, whatever the rack did meanwhile.
//
//   - "Map count" is at most 48 and "Mappings" holds exactly that many
//     5-byte entries;
//   - every entry is either invalidated (five 0xFF bytes) or names a cage
//     address of the roster and a slot 0..7;
//   - no two valid entries share a SCSI location;
//   - the correction rule holds: no cage has valid entries on two or more
//     buses of which one alone holds the most, and at least two;
//   - entries are only appended or invalidated: the previous store is a
//     prefix of this one, up to invalidations.
#ifndef BENCH_STORE_RULES_H
#define BENCH_STORE_RULES_H

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class StoreRules {
 public:
  // Reads the store and checks it; false with Failure() set when a rule is
  // broken (or the store cannot be read).
  bool CheckStore();
  const std::string& Failure() const { return failure_; }

  // Entries of the last store checked, and how many of them are valid.
  size_t EntryCount() const { return entries_.size() / 5; }
  size_t ValidCount() const;
  const std::vector<uint8_t>& Entries() const { return entries_; }

 private:
  bool Fail(const std::string& why);

  std::vector<uint8_t> entries_;
  std::string failure_;
};

}  // namespace bench

#endif  // BENCH_STORE_RULES_H
