// The SNMP trap mode: `kxui -snmp_trap [-v var] [-g generic] [-s specific]
// host [message]` sends the alert text as an SNMPv1 trap.
#pragma once

#include <string>
#include <vector>

// The enterprise of the traps: kx under the documentation enterprise number.
extern const char *const kx_trap_enterprise;

// Generic trap number of a decimal number or a name (any case); -1 if neither.
int kx_generic_trap(const std::string &text);

// Sends one SNMPv1 trap to each host (a host may carry ":port"; else 162)
// binding `var` (a name from mib.txt or a numeric identifier) to `message`.
// Failures are reported through error(); 0 or -1.
int snmp_trap(const std::vector<std::string> &hosts, int generic, int specific,
              const std::string &var, const std::string &message);

// This machine's address in dotted form ("127.0.0.1" when it has none).
std::string kx_own_address();

int trap_cmain(int argc, char **argv);
