#include "kxui/kx/kxstart.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

KxEditorSettings kx_editor;
KxHooks kx_hooks;
int kx_snmp_max_sessions = 216;

namespace {

bool mode_is(const char *prog, int argc, char **argv, const char *name) {
  if (std::strcmp(prog, name) == 0)
    return true;
  return argc > 1 && argv[1] && argv[1][0] == '-' && std::strcmp(argv[1] + 1, name) == 0;
}

// Runs a mode's main, or says that it is missing.
int run_mode(int (*main_fn)(int, char **), const char *what, int argc, char **argv) {
  if (!main_fn) {
    std::fprintf(stderr, "kxui: %s is not built yet\n", what);
    return 1;
  }
  return main_fn(argc, argv);
}

} // namespace

KxMode kx_mode(int argc, char **argv) {
  const char *prog = (argc > 0 && argv && argv[0]) ? argv[0] : "";
  if (const char *slash = std::strrchr(prog, '/'))
    prog = slash + 1;
  if (mode_is(prog, argc, argv, "kxlv"))
    return KxMode::logviewer;
  if (mode_is(prog, argc, argv, "alert"))
    return KxMode::alert;
  if (mode_is(prog, argc, argv, "snmp_trap"))
    return KxMode::trap;
  return KxMode::editor;
}

int kx_read_options(int argc, char **argv, KxEditorSettings &s) {
  int i = 1;
  for (; i < argc && argv[i] && argv[i][0] == '-'; i++) {
    const char *arg = argv[i];
    const char *next = (i + 1 < argc) ? argv[i + 1] : nullptr;
    switch (arg[1]) {
    case 'd':
      s.debug = std::isdigit(static_cast<unsigned char>(arg[2])) ? std::atoi(arg + 2) : 1;
      break;
    case 'n':
      s.ask_installed = 0;
      break;
    case 'c':
      s.workdir = next ? next : ".";
      i += next ? 1 : 0;
      break;
    case 'h':
      if (next) {
        s.start_hosts.assign(1, next);
        i++;
      }
      break;
    case 't':
      s.title = false;
      break;
    case 'v':
      s.kx_rule_viewtype = 1;
      break;
    case 'p':
      s.kx_rule_viewtype = 0;
      break;
    default:
      return -1;
    }
  }
  if (i < argc && argv[i])
    s.start_rulebase = argv[i];
  return 0;
}

void Usage() {
  error(1, 0, "Usage: kxui [-d] [-n] [-c dir] [-h hostname] [ rulebase ]");
  std::exit(1); // error() has already exited; the compiler cannot know that
}

std::string kx_workdir(const KxEditorSettings &s) {
  if (!s.workdir.empty())
    return s.workdir;
  return kx_filename(nullptr, "", "conf", nullptr, "KX_CONF");
}

int kx_enter_workdir(const KxEditorSettings &s) {
  const std::string dir = kx_workdir(s);
  if (chdir(dir.c_str()) != 0) {
    error(0, -1, "Failed to chdir to '%s'", dir.c_str());
    return -1;
  }
  return 0;
}

int set_desc_limit() {
  constexpr rlim_t wanted = 256;
  struct rlimit rl;
  bool ok = getrlimit(RLIMIT_NOFILE, &rl) == 0;
  if (ok && rl.rlim_cur < wanted) { // never lower a larger limit
    rl.rlim_cur = wanted;
    ok = setrlimit(RLIMIT_NOFILE, &rl) == 0;
  }
  kx_snmp_max_sessions = ok ? 100 : 216;
  return ok ? 0 : -1;
}

int cmain(int argc, char **argv) {
  if (const char *d = std::getenv("KXDEBUG"); d && *d && std::strcmp(d, "0") != 0)
    kxdebug = 1;
  set_desc_limit();
  if (kx_hooks.load_objects)
    kx_hooks.load_objects(nullptr);

  switch (kx_mode(argc, argv)) {
  case KxMode::logviewer:
    return run_mode(kx_hooks.logviewer_main, "the log viewer", argc, argv);
  case KxMode::alert:
    return run_mode(kx_hooks.alert_main, "the alert window", argc, argv);
  case KxMode::trap:
    return run_mode(kx_hooks.trap_main, "the SNMP trap sender", argc, argv);
  case KxMode::editor:
    break;
  }

  kx_editor.start_hosts.clear();
  if (kx_hooks.toolkit_init)
    kx_hooks.toolkit_init(&argc, argv);
  if (kx_read_options(argc, argv, kx_editor) < 0)
    Usage();
  kx_trace("debug level %d, working directory %s", kx_editor.debug,
           kx_workdir(kx_editor).c_str());
  kx_enter_workdir(kx_editor);
  return run_mode(kx_hooks.editor_main, "the rule base editor window", argc, argv);
}
