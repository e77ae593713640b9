// The machine fernway runs on in tests: the shell set up for fernway, its
// own service installed and running (as the remote installer leaves it),
// and the agent package in velhome.
#ifndef TESTS_INSTALLTOOLS_FERNWAY_FIXTURE_H
#define TESTS_INSTALLTOOLS_FERNWAY_FIXTURE_H

#include <string>

#include "installtools/fernway/remote_install.h"
#include "shell/service_shell.h"
#include "sim/processes/processes.h"
#include "sim/services/service_manager.h"

inline constexpr const char* kFernwayVelhome = "C:\\WINDOWS\\velhome\\";

inline void PrepareFernwayMachine() {
  g_pszServiceName = FERNWAY_SERVICE_NAME;
  g_pfnWorkRoutine = RunRemoteInstall;
  g_hStopEvent = NULL;
  g_bDebug = false;
  g_hServiceStatus = NULL;
  g_dwCurrentState = 0;
  g_dwCheckPoint = 0;
  sim::scm().set_module_path("C:\\WINDOWS\\system32\\fernway.exe");
  sim::ServiceBehaviour running;
  running.state = SERVICE_RUNNING;
  sim::scm().add_service(FERNWAY_SERVICE_NAME, running, SERVICE_DEMAND_START);
  sim::install_program(std::string(kFernwayVelhome) + FERNWAY_PACKAGE, "wrenpak");
}

#endif  // TESTS_INSTALLTOOLS_FERNWAY_FIXTURE_H
