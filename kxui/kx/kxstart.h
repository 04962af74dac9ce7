// Start-up of kxui: the mode dispatch, the editor's options and working
// directory, and the hooks through which the modes' own mains are reached.
#pragma once

#include <string>
#include <vector>

// The editor's process-wide settings, set once during start-up.
struct KxEditorSettings {
  int debug = 0;            // "-d", "-dN"
  int ask_installed = 1;    // "-n" clears: do not ask the module for its rule base
  int kx_rule_viewtype = 1; // 1 drawn rule table ("-v"), 0 one panel per rule ("-p")
  bool title = true;        // "-t" clears: no title window
  std::string workdir;      // "-c dir"; empty: the conf directory
  std::vector<std::string> start_hosts; // "-h host": the module asked
  std::string start_rulebase;           // the rule base opened at start
};
extern KxEditorSettings kx_editor;

enum class KxMode { editor, logviewer, alert, trap };

// The mode chosen by the program's name (the last component of argv[0]) or
// by argv[1]: "kxlv", "alert", "snmp_trap" or their "-" forms.
KxMode kx_mode(int argc, char **argv);

// Reads the editor's options from argv[1] on into `s`. Reading stops at the
// first word not beginning with "-"; that word, when present, names the start
// rule base. Returns -1 at an unknown option letter, else 0.
int kx_read_options(int argc, char **argv, KxEditorSettings &s);

// Reports the usage line and exits with status 1.
[[noreturn]] void Usage();

// The editor's working directory: "-c" or the conf directory ($KX_CONF or
// conf under kxdir, with a "/" behind).
std::string kx_workdir(const KxEditorSettings &s);

// Enters kx_workdir; a failure is reported and start-up goes on. 0 or -1.
int kx_enter_workdir(const KxEditorSettings &s);

// Raises the soft limit of open descriptors to 256 and caps the number of
// concurrent SNMP sessions accordingly (kx_snmp_max_sessions).
int set_desc_limit();
extern int kx_snmp_max_sessions;

// The parts of start-up that live in other modules. A null hook means the
// part is not there: no objects database is loaded, and a mode without a main
// says so on standard error and ends with status 1.
struct KxHooks {
  int (*load_objects)(const char *name) = nullptr;
  int (*toolkit_init)(int *argc, char **argv) = nullptr; // takes its own options out
  int (*logviewer_main)(int argc, char **argv) = nullptr;
  int (*alert_main)(int argc, char **argv) = nullptr;
  int (*trap_main)(int argc, char **argv) = nullptr;
  // Title window, window set-up and the event loop, after the options were
  // read and the working directory entered; its result is the exit status.
  int (*editor_main)(int argc, char **argv) = nullptr;
};
extern KxHooks kx_hooks;

// The mode dispatch and the editor's start-up; the result is the exit status.
int cmain(int argc, char **argv);
