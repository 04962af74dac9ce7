// Runs a shell command the way an administrator would and keeps what it
// printed, so tests of the programs can check output and exit status.
#pragma once

#include <string>

namespace kxtest {

struct CommandResult {
  int status; // exit status; -1 when the command did not exit normally
  std::string out, err;
};

// Runs `shell_command` with /bin/sh and collects its standard output and exit
// status. With `capture_stderr` the standard error that the command does not
// redirect itself is collected in `err`; otherwise it is left alone.
CommandResult run_command(const std::string &shell_command, bool capture_stderr = true);

} // namespace kxtest
