// fernway: the one-shot remote install service on the service shell.
#include "installtools/fernway/remote_install.h"
#include "shell/service_shell.h"

int main(int argc, char** argv) {
  g_pszServiceName = FERNWAY_SERVICE_NAME;
  g_pfnWorkRoutine = RunRemoteInstall;
  return ShellMain(argc, argv);
}
