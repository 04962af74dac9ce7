#include "kxui/kx/quit.h"

#include "kxu/report.h"

namespace {

bool asking = false;

struct AskingGuard {
  AskingGuard() { asking = true; }
  ~AskingGuard() { asking = false; }
  AskingGuard(const AskingGuard &) = delete;
  AskingGuard &operator=(const AskingGuard &) = delete;
};

} // namespace

int kx_quit_allowed(bool rules_modified, bool objects_modified, bool users_not_downloaded) {
  if (asking)
    return 0;
  AskingGuard guard;
  if (rules_modified || objects_modified) {
    const char *what = !objects_modified  ? "Rulebase"
                       : rules_modified   ? "Rulebase and Objects"
                                          : "Objects";
    const char *how =
        rules_modified ? "Perform 'File::Save'" : "Perform 'Utilities::Save Objects'";
    if (kx_ask("Modified %s not saved.\n\nTo save, %s\n\nQuit Anyway?", what, how))
      return 0;
  }
  if (users_not_downloaded &&
      kx_ask("Modified Users Database not downloaded.\n\nTo download, perform 'DB DOWNLOAD'"
             "\n\nQuit Anyway?"))
    return 0;
  return 1;
}
