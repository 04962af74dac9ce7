// The log viewer process the station starts ("Log ..."): the program "kxlv"
// of the installation's bin directory (KXLVDIR names another directory),
// run with "kxlv" as its only argument. One viewer at a time; asking again
// raises it (SIGUSR1), hiding sends SIGUSR2 and a refresh SIGHUP.
#pragma once

#include <string>
#include <sys/types.h>

// The viewer program's path.
std::string kxlog_program();
// show: starts the viewer, or raises the running one; !show: hides it. 0, or
// -1 (reported: "Failed to find log viewer name", "Cannot run log viewer
// '%s'", "Failed to fork log viewer").
int kxlog_show(bool show);
// Asks a running viewer to read its log again.
void kxlog_refresh();
// The running viewer (0: none); a viewer that has ended is reaped first.
pid_t kxlog_pid();
