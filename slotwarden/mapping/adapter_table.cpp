#include "slotwarden/mapping/adapter_table.h"

#include <stdio.h>

#include <new>

#include "shell/service_shell.h"
#include "slotwarden/mapping/mapping_errors.h"
#include "slotwarden/scsi/ami_adapter.h"
#include "slotwarden/scsi/mylex_adapter.h"
#include "slotwarden/scsi/passthrough_adapter.h"
#include "slotwarden/scsi/tarn_adapter.h"

CScsiAdapter* g_apAdapters[MAX_SCSI_PORTS];
DWORD g_nAdapters = 0;

namespace {

// The object for a port's family, and the letter debug mode prints for it.
CScsiAdapter* MakeAdapter(int nPort, DWORD dwFamily, char* pcLetter) {
  switch (dwFamily) {
    case ADAPTER_FAMILY_AMI:
      *pcLetter = 'A';
      return new (std::nothrow) CAmiAdapter(nPort, ADAPTER_READ_BURST);
    case ADAPTER_FAMILY_MYLEX:
      *pcLetter = 'M';
      return new (std::nothrow) CMylexAdapter(nPort, ADAPTER_READ_BURST);
    case ADAPTER_FAMILY_QELN:
      *pcLetter = 'F';
      return NULL;
    case ADAPTER_FAMILY_TARN:
      *pcLetter = 'T';
      return new (std::nothrow) CTarnAdapter(nPort, ADAPTER_READ_BURST);
    default:
      *pcLetter = 'N';
      return new (std::nothrow) CPassThroughAdapter(nPort, ADAPTER_READ_BURST);
  }
}

}  // namespace

DWORD BuildAdapterTable() {
  const DWORD nPorts = g_AdapterList.GetPortCount();
  if (nPorts == 0) {
    FreeAdapterTable();
    return MAP_ERR_NO_ADAPTERS;
  }

  if (g_bDebug) printf("\nAdapters: ");

  DWORD nMade = 0;
  DWORD nOpened = 0;
  DWORD dwLastError = 0;
  for (DWORD i = 0; i < nPorts && i < MAX_SCSI_PORTS; ++i) {
    PortInfo info = {};
    g_AdapterList.GetPortInfo(i, &info);

    char cLetter = 'N';
    CScsiAdapter* pAdapter = MakeAdapter(static_cast<int>(i), info.dwFamily, &cLetter);
    if (g_bDebug) printf("%c", cLetter);

    if (pAdapter) {
      ++nMade;
      pAdapter->SetChannelCount(info.dwBusCount);
      DWORD dwOpen = pAdapter->Open();
      if (dwOpen != 0) {
        pAdapter->SetChannelCount(0);
        dwLastError = dwOpen;
      } else {
        ++nOpened;
      }
    }
    g_apAdapters[i] = pAdapter;
    g_nAdapters = i + 1;
  }

  if (g_bDebug) printf("\n");

  DWORD dwResult = (nMade > 0 && nOpened == 0) ? dwLastError : 0;
  if (dwResult != 0) FreeAdapterTable();
  return dwResult;
}

DWORD FreeAdapterTable() {
  for (DWORD i = 0; i < g_nAdapters; ++i) {
    delete g_apAdapters[i];
    g_apAdapters[i] = NULL;
  }
  g_nAdapters = 0;
  return 0;
}
