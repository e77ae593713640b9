#include "sim/core/records.h"

#include "sim/core/machine.h"

namespace sim {

namespace {

struct RecordsState {
  bool keep = true;
};

}  // namespace

void keep_records(bool keep) { component<RecordsState>().keep = keep; }

bool keeping_records() { return component<RecordsState>().keep; }

}  // namespace sim
