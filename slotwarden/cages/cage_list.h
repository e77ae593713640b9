// CTessarkCageList: the cages that answer at the fixed cage addresses.
//
// The constructor probes g_abCageAddresses in order with GetBackplaneStatus
// and GetDeviceID and stops at the first address that fails, so the cages
// found are always a prefix of the table.
#ifndef SLOTWARDEN_CAGES_CAGE_LIST_H
#define SLOTWARDEN_CAGES_CAGE_LIST_H

#include "platform/platform.h"
#include "slotwarden/cages/tessark_cage.h"

#define CAGE_ADDRESS_COUNT 2

// The cage I2C slave addresses, 8-bit form, in probing order.
extern const BYTE g_abCageAddresses[CAGE_ADDRESS_COUNT];

class CTessarkCageList {
 public:
  CTessarkCageList();
  ~CTessarkCageList();
  CTessarkCageList(const CTessarkCageList&) = delete;
  CTessarkCageList& operator=(const CTessarkCageList&) = delete;

  int GetNumberOfTessarkCages() const { return m_nNumberOfTessarkCages; }
  // A copy of cage nCageNumber; throws CTessarkException when out of range.
  CTessarkCage GetTessarkCage(int nCageNumber) const;

 private:
  int m_nNumberOfTessarkCages;
  CTessarkCage* m_pTessarkCages;
};

#endif  // SLOTWARDEN_CAGES_CAGE_LIST_H
