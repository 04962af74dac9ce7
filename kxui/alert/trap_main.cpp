#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "kxui/alert/trap.h"
#include "kxu/report.h"

namespace {

const char *const generic_names[] = {"coldStart", "warmStart", "linkDown", "linkUp",
                                     "authenticationFailure", "egpNeighborLoss",
                                     "enterpriseSpecific"};

void usage(const char *prog) {
  std::printf("Usage:  %s [-v var] [-g generic_trap] [-s specific_trap] host [message]\n", prog);
  std::printf("\tSends an snmp trap the the specified host. the message may appear in\n");
  std::printf("\tthe command line, or as one line in the program input.\n");
  std::printf("\thost: the name of the host that should receive the trap.\n");
  std::printf("\tmessage: the message sent to host.\n");
  std::printf("     -v\tvar: an optional object id to bind with the message.\n");
  std::printf("     -g generic_trap: One of the values:");
  for (int i = 0; i < 7; ++i) std::printf("\n        %d %s", i, generic_names[i]);
  std::printf(" (default value)\n");
  std::printf("     -s specific_trap: A unique number specifying the trap type.\n");
  std::printf("\tValid only of generic trap value is enterpriseSpecific.\n");
  std::printf(" \t(Default value is 0)\n");
  std::fflush(stdout);
}

bool decimal(const char *s, long &out) {
  if (!*s) return false;
  char *end = nullptr;
  errno = 0;
  out = std::strtol(s, &end, 10);
  return *end == '\0' && errno == 0 && out >= 0 && out <= 0x7fffffffL;
}

} // namespace

int kx_generic_trap(const std::string &text) {
  long n = 0;
  if (decimal(text.c_str(), n)) return n <= 6 ? static_cast<int>(n) : -1;
  for (int i = 0; i < 7; ++i)
    if (strcasecmp(text.c_str(), generic_names[i]) == 0) return i;
  return -1;
}

int trap_cmain(int argc, char **argv) {
  std::string prog = argc > 0 && argv[0] ? argv[0] : "snmp_trap";
  std::string var = "kxEvent.0";
  int generic = 6;
  long specific = 0;
  int i = 1;
  if (i < argc && std::strcmp(argv[i], "-snmp_trap") == 0) {
    prog = "kxui -snmp_trap";
    ++i;
  }
  if (i >= argc) {
    usage(prog.c_str());
    return 0;
  }
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const std::string opt = argv[i];
    if (opt == "-snmp_trap") {
      prog = "kxui -snmp_trap";
      continue;
    }
    if (opt != "-v" && opt != "-g" && opt != "-s") {
      error(1, 0, "%s: Unknown option %s", prog.c_str(), argv[i]);
    }
    if (i + 1 >= argc) {
      usage(prog.c_str());
      return 1;
    }
    const char *value = argv[++i];
    if (opt == "-v") {
      var = value;
    } else if (opt == "-g") {
      generic = kx_generic_trap(value);
      if (generic < 0) error(1, 0, "value of switch -g should be an integer or a valid string value");
    } else if (!decimal(value, specific)) {
      error(1, 0, "value of switch -s should be an integer");
    }
  }
  if (i >= argc) error(1, 0, "%s: No host name to send trap to", prog.c_str());
  std::string host = argv[i++];
  if (host == "localhost") host = kx_own_address();
  else if (host.rfind("localhost:", 0) == 0) host = kx_own_address() + host.substr(9);
  std::string message;
  if (i < argc) {
    message = argv[i];
  } else {
    char line[256];
    if (std::fgets(line, sizeof line, stdin)) message = line;
    if (!message.empty() && message.back() == '\n') message.pop_back();
    if (message.empty()) message = "Brenmark trap";
  }
  return snmp_trap({host}, generic, static_cast<int>(specific), var, message) < 0 ? 1 : 0;
}
