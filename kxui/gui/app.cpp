// The editor mode's start-up on Qt: the application object, the main window
// on the start rule base, the event loop.
#include "kxui/gui/gui.h"

#include "kxui/editor/edits.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/kx/confname.h"
#include "kxui/kx/kxstart.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rfile/rule.h"
#include "kxu/report.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// Built by the toolkit hook, before the editor reads its options: Qt takes
// its own options out of the vector. The argument count must outlive it.
int app_argc = 0;
std::unique_ptr<QApplication> &app() {
  static auto *a = new std::unique_ptr<QApplication>;
  return *a;
}
} // namespace

// Whether Qt has somewhere to draw: a display, or a platform named in the
// environment (offscreen, wayland, ...).
bool have_display() {
  for (const char *v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char *s = std::getenv(v); s && *s) return true;
  return false;
}

int kxui_toolkit_init(int *argc, char **argv) {
  if (app()) return 0;
  if (!have_display()) return -1; // said by the editor, after the options were checked
  app_argc = *argc;
  app() = std::make_unique<QApplication>(app_argc, argv);
  // Qt shifted the words it took; the editor reads what is left.
  *argc = app_argc;
  return 0;
}

int kxui_editor_main(int argc, char **argv) {
  if (!app() && kxui_toolkit_init(&argc, argv) < 0) {
    std::fprintf(stderr, "kxui: no display (DISPLAY is not set); QT_QPA_PLATFORM=offscreen draws "
                         "without one, scripts/screenshots.sh saves every window as a picture\n");
    return 1;
  }
  rule_init();
  int status = 0;
  {
    MainWindow w;
    std::string start = kx_editor.start_rulebase;
    if (start.empty() && kx_editor.ask_installed)
      start = kxui_confname(kx_editor.start_hosts).value_or("");
    if (!start.empty()) w.load(QString::fromStdString(start));
    const char *shots = std::getenv("KX_SCREENSHOTS");
    if (!shots || !*shots) w.restore_layout(); // screenshots keep the default layout
    w.show();
    if (const char *dir = shots; dir && *dir) {
      status = gui_screenshots(dir) == 0 ? 0 : 1;
    } else {
      status = QApplication::exec();
    }
    rule_modified = 0; // the window asked before closing; nothing is saved on quit
  }
  kx_edits().clear();
  file_close();
  app().reset();
  return status;
}
