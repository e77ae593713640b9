// Stores a small mapping table, with one entry the correction pass
// invalidates, into the registry of the Windows host it runs on.
#include <stdio.h>

#include "platform/platform.h"
#include "slotwarden/mapping/mapping_table.h"

int main() {
  CMappingTable table;
  const CageLocation cages[] = {{0x9C, 0}, {0x9C, 1}, {0x9C, 2}, {0x9C, 3}, {0x9E, 7}};
  const ScsiLocation scsi[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 1, 0}, {12, 0, 2}};
  for (int i = 0; i < 5; ++i) {
    if (!table.Add(cages[i], scsi[i])) return 8;
  }
  DWORD dwResult = table.Store();
  printf("Store: %lu\n", static_cast<unsigned long>(dwResult));
  return static_cast<int>(dwResult);
}
