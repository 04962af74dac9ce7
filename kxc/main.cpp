// kxc: the policy libraries on the command line, for administrators and
// scripts. Exit status: 0 success, 1 the input was refused, 2 usage error.
#include "kxc/command.h"

#include "kxui/compiler/auth.h"
#include "kxui/users/kxa.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace kxc {

static std::map<std::string, Command> &registry() {
  static std::map<std::string, Command> r;
  return r;
}

bool register_command(const Command &cmd) {
  registry()[cmd.name] = cmd;
  return true;
}

std::vector<Command> commands() {
  std::vector<Command> out;
  for (auto &[name, cmd] : registry()) out.push_back(cmd);
  return out;
}

int usage_error(const char *usage) {
  std::fprintf(stderr, "usage: kxc %s\n", usage);
  return 2;
}

static void print_help(FILE *to) {
  std::fprintf(to, "usage: kxc COMMAND [ARGS...]\n\ncommands:\n");
  for (const Command &c : commands())
    std::fprintf(to, "  %-36s %s\n", c.usage, c.summary);
}

} // namespace kxc

int main(int argc, char **argv) {
  if (argc < 2) {
    kxc::print_help(stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "help" || name == "-h" || name == "--help") {
    kxc::print_help(stdout);
    return 0;
  }
  auto &reg = kxc::registry();
  auto it = reg.find(name);
  if (it == reg.end()) {
    std::fprintf(stderr, "kxc: unknown command '%s'\n", name.c_str());
    kxc::print_help(stderr);
    return 2;
  }
  // Rules naming user groups are checked against the user database.
  kx_usergroup_known = kxa_usergroup_known;
  kxc::Args args(argv + 2, argv + argc);
  return it->second.run(args);
}
