// The command line of the service programs.
#include <stdio.h>

#include "shell/service_shell.h"

SHELL_COMMAND ParseShellCommand(int argc, char** argv, bool* pbDebug) {
  *pbDebug = false;
  if (argc < 2 || argv[1] == NULL) return SHELL_COMMAND_RUN;
  const char* pszCommand = argv[1];
  if (pszCommand[0] != '-') {
    *pbDebug = pszCommand[0] == 'D';
    return SHELL_COMMAND_RUN;
  }
  *pbDebug = argc > 2 && argv[2] != NULL && argv[2][0] == 'D';
  // Only the second character counts, upper-cased by clearing bit 0x20.
  switch (static_cast<unsigned char>(pszCommand[1]) & ~0x20u) {
    case 'I':
      return SHELL_COMMAND_INSTALL;
    case 'R':
      return SHELL_COMMAND_REMOVE;
    default:
      return SHELL_COMMAND_RUN;
  }
}

int ShellMain(int argc, char** argv) {
  bool bDebug;
  SHELL_COMMAND command = ParseShellCommand(argc, argv, &bDebug);
  g_bDebug = bDebug;

  DWORD dwResult = 0;
  switch (command) {
    case SHELL_COMMAND_INSTALL:
      dwResult = InstallService(g_bDebug);
      break;
    case SHELL_COMMAND_REMOVE:
      dwResult = RemoveService(g_bDebug);
      break;
    case SHELL_COMMAND_RUN:
      if (g_bDebug) {
        ServiceMain(static_cast<DWORD>(argc), argv);
      } else {
        // Fails at once when the manager did not start this program; the
        // program then ends quietly with 0.
        SERVICE_TABLE_ENTRYA aDispatchTable[] = {
            {const_cast<LPSTR>(g_pszServiceName), ServiceMain}, {NULL, NULL}};
        StartServiceCtrlDispatcherA(aDispatchTable);
      }
      break;
  }
  if (g_bDebug) {
    printf("Command completed (error %d)\n", static_cast<int>(dwResult));
    fflush(stdout);
  }
  return static_cast<int>(dwResult);
}
