#include "slotwarden/cages/cage_list.h"

#include <new>

#include "slotwarden/controller/exceptions.h"

const BYTE g_abCageAddresses[CAGE_ADDRESS_COUNT] = {0x9C, 0x9E};

CTessarkCageList::CTessarkCageList() : m_nNumberOfTessarkCages(0), m_pTessarkCages(nullptr) {
  CTessarkCage Probe;
  for (int i = 0; i < CAGE_ADDRESS_COUNT; i++) {
    Probe.SetSlaveAddress(g_abCageAddresses[i]);
    try {
      Probe.GetBackplaneStatus();
      Probe.GetDeviceID();
    } catch (CTessarkException) {
      break;
    }
    m_nNumberOfTessarkCages++;
  }

  // Fresh objects: the probe's advanced sequence number is not carried over.
  // Without storage the list is taken as having found no cage.
  if (m_nNumberOfTessarkCages > 0) {
    m_pTessarkCages = new (std::nothrow) CTessarkCage[m_nNumberOfTessarkCages];
    if (!m_pTessarkCages) m_nNumberOfTessarkCages = 0;
  }
  for (int i = 0; i < m_nNumberOfTessarkCages; i++) {
    m_pTessarkCages[i].SetSlaveAddress(g_abCageAddresses[i]);
  }
}

CTessarkCageList::~CTessarkCageList() {
  delete[] m_pTessarkCages;
  m_pTessarkCages = nullptr;
  m_nNumberOfTessarkCages = 0;
}

CTessarkCage CTessarkCageList::GetTessarkCage(int nCageNumber) const {
  if (nCageNumber < 0 || nCageNumber >= m_nNumberOfTessarkCages) {
    throw CTessarkException("GetTessarkCage",
                            "if ( nCageNumber < 0 || nCageNumber >= m_nNumberOfTessarkCages )",
                            "Cage Number is invalid");
  }
  return m_pTessarkCages[nCageNumber];
}
