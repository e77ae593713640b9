// SlotWarden: the cage-mapping service on the service shell.
#include "platform/platform.h"
#include "shell/service_shell.h"
#include "slotwarden/mapping/mapping_service.h"

int main(int argc, char** argv) {
  g_pszServiceName = "SlotWarden";
  g_pfnWorkRoutine = RunMappingService;
  return ShellMain(argc, argv);
}
