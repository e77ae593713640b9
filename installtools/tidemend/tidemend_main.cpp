// tidemend: patches the installed agents in place. It takes no arguments and
// always exits with 0; the outcome is in the install status record.
#include "installtools/tidemend/agent_patch.h"

int main() {
  RunAgentPatch();
  return 0;
}
