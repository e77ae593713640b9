// tidemend's patch run: when the installed agents' Version is listed in the
// patch's patch.ini, stop SNMP and SlotWarden, replace the agent files and
// the drive-cage access library, start the services again and mark the
// Version as patched by appending "a". Progress goes to the install status
// record and the log.
#ifndef INSTALLTOOLS_TIDEMEND_AGENT_PATCH_H
#define INSTALLTOOLS_TIDEMEND_AGENT_PATCH_H

#define SNMP_SERVICE_NAME "SNMP"
#define SLOTWARDEN_SERVICE_NAME "slotwarden"

// The whole run. Its outcome is only in the status record and the log.
void RunAgentPatch();

#endif  // INSTALLTOOLS_TIDEMEND_AGENT_PATCH_H
