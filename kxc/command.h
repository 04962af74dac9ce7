// Subcommand registry of kxc. A subcommand is one file that says
//   KXC_COMMAND(fmt, "fmt FILE", "write a set file in canonical layout") {
//     ... args holds the words after the subcommand name ...
//     return 0;
//   }
// and is picked up by the build without further edits.
#pragma once

#include <string>
#include <vector>

namespace kxc {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args &args);

struct Command {
  const char *name;
  const char *usage;   // "fmt FILE"
  const char *summary; // one line for the help text
  CommandFn run;
};

// Registers a command; called by KXC_COMMAND at start-up.
bool register_command(const Command &cmd);

// All registered commands, sorted by name.
std::vector<Command> commands();

// Prints "usage: kxc USAGE" on standard error and returns 2.
int usage_error(const char *usage);

} // namespace kxc

#define KXC_COMMAND(ident, usage, summary)                                          \
  static int kxc_cmd_##ident(const kxc::Args &args);                                \
  [[maybe_unused]] static const bool kxc_reg_##ident =                              \
      kxc::register_command({#ident, usage, summary, &kxc_cmd_##ident});            \
  static int kxc_cmd_##ident(const kxc::Args &args)
