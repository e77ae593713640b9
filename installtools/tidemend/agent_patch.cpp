#include "installtools/tidemend/agent_patch.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "installtools/common/install_log.h"
#include "installtools/common/install_status.h"
#include "installtools/tidemend/agent_files.h"
#include "installtools/tidemend/agent_settings.h"
#include "installtools/tidemend/patch_list.h"
#include "installtools/tidemend/service_control.h"
#include "platform/files.h"
#include "platform/platform.h"

// Bytes of the new Version written for a short one; a longer Version is
// written whole with its terminating zero.
#define VERSION_WRITE_SIZE 6

namespace {

// Whether the installed Version is listed in the patch's patch.ini. A
// missing Version counts as not listed. False with *pbOpened false when
// patch.ini cannot be opened.
bool IsPatchFor(const char* pszWindows, const char* pszVersion, bool* pbOpened) {
  char szPatchIni[AGENT_PATH_SIZE];
  snprintf(szPatchIni, sizeof(szPatchIni), "%s\\velhome\\patch\\patch.ini", pszWindows);
  FILE* pFile = PlatformOpenFile(szPatchIni, "rt");
  *pbOpened = pFile != NULL;
  if (!pFile) return false;
  bool bListed = pszVersion && IsVersionListed(pFile, pszVersion);
  fclose(pFile);
  return bListed;
}

// Stops one running service for the patch; sets *pbWasRunning when it was
// running. False when it would not stop.
bool StopForPatch(const char* pszService, bool* pbWasRunning) {
  if (!IsServiceRunning(pszService)) return true;
  *pbWasRunning = true;
  return StopServiceWithRetry(pszService) == 0;
}

// Writes the new Version; logs and returns false on a failure.
bool WriteNewVersion(const char* pszNewVersion) {
  HKEY hKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, AGENT_SETTINGS_KEY, 0, KEY_ALL_ACCESS, &hKey) !=
      ERROR_SUCCESS) {
    WriteInstallLog("Failed to open registry");
    return false;
  }
  DWORD cbData = static_cast<DWORD>(strlen(pszNewVersion) + 1);
  if (cbData < VERSION_WRITE_SIZE) cbData = VERSION_WRITE_SIZE;
  if (RegSetValueExA(hKey, AGENT_VERSION_VALUE, 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(pszNewVersion), cbData) != ERROR_SUCCESS) {
    WriteInstallLog("Failed version in registry");
    RegCloseKey(hKey);
    return false;
  }
  if (RegCloseKey(hKey) != ERROR_SUCCESS) {
    WriteInstallLog("Failed to close registy");
    return false;
  }
  return true;
}

// Starts again, after a failure, the services that the run stopped.
void RestartAfterFailure(bool bSnmpStopped, bool bSlotWardenStopped) {
  if (bSnmpStopped && StartServiceWithRetry(SNMP_SERVICE_NAME) != 0) {
    WriteInstallLog("Failed to start SNMP service");
  }
  if (bSlotWardenStopped && StartServiceWithRetry(SLOTWARDEN_SERVICE_NAME) != 0) {
    WriteInstallLog("Failed to start slotwarden service");
  }
}

// The run from the stop of the services on, for a listed Version.
void PatchInstalledAgents(const char* pszVersion) {
  // The old Version followed by "a", zero-filled so that the bytes written
  // after a short one are zeros.
  char szNewVersion[AGENT_SETTING_SIZE + 2];
  memset(szNewVersion, 0, sizeof(szNewVersion));
  snprintf(szNewVersion, sizeof(szNewVersion), "%sa", pszVersion);

  bool bSnmpStopped = false;
  bool bSlotWardenStopped = false;
  if (!StopForPatch(SNMP_SERVICE_NAME, &bSnmpStopped)) {
    WriteInstallLog("Failed to stop SNMP service");
    SetInstallStatus(INSTALL_STATUS_FAILED);
    RestartAfterFailure(bSnmpStopped, bSlotWardenStopped);
    return;
  }
  if (!StopForPatch(SLOTWARDEN_SERVICE_NAME, &bSlotWardenStopped)) {
    WriteInstallLog("Failed to stop the slotwarden service");
    SetInstallStatus(INSTALL_STATUS_FAILED);
    RestartAfterFailure(bSnmpStopped, bSlotWardenStopped);
    return;
  }

  // A missing SpuNum counts as an empty one.
  char* pszSpuNum = ReadAgentSetting(AGENT_SPUNUM_VALUE);
  SetInstallStatus(INSTALL_STATUS_REPLACING_FILES);
  int nReplaced = ReplaceAgentFiles(pszSpuNum ? pszSpuNum[0] : '\0');
  free(pszSpuNum);
  if (nReplaced != 0) {
    SetInstallStatus(INSTALL_STATUS_FAILED);
    RestartAfterFailure(bSnmpStopped, bSlotWardenStopped);
    return;
  }

  if (bSnmpStopped && StartServiceWithRetry(SNMP_SERVICE_NAME) != 0) {
    WriteInstallLog("Failed to start SNMP service");
    bSnmpStopped = false;
  }
  if (bSlotWardenStopped && StartServiceWithRetry(SLOTWARDEN_SERVICE_NAME) != 0) {
    WriteInstallLog("Failed to start slotwarden service");
    bSlotWardenStopped = false;
  }

  if (!WriteNewVersion(szNewVersion)) {
    SetInstallStatus(INSTALL_STATUS_FAILED);
    return;
  }
  SetInstallStatus(bSnmpStopped ? INSTALL_STATUS_DONE : INSTALL_STATUS_DONE_SNMP_NOT_RUNNING);
}

}  // namespace

void RunAgentPatch() {
  SetInstallStatus(INSTALL_STATUS_STARTED);
  char* pszVersion = ReadAgentSetting(AGENT_VERSION_VALUE);

  char szWindows[AGENT_PATH_SIZE];
  UINT uLength = GetWindowsDirectoryA(szWindows, sizeof(szWindows));
  if (uLength == 0 || uLength >= sizeof(szWindows)) {
    WriteInstallLog("Failed to get Windows Directory");
  } else {
    bool bOpened;
    bool bListed = IsPatchFor(szWindows, pszVersion, &bOpened);
    if (!bOpened) {
      WriteInstallLog("Failed to open patch.ini\n");
      SetInstallStatus(INSTALL_STATUS_FAILED);
    } else if (!bListed) {
      SetInstallStatus(INSTALL_STATUS_DONE);
    } else {
      PatchInstalledAgents(pszVersion);
    }
  }
  free(pszVersion);
}
