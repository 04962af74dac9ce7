// Screenshots of every window of the station on the loaded installation.
#include "kxui/gui/dialogs.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/objmanager.h"
#include "kxui/gui/importdialog.h"
#include "kxui/gui/statuswindow.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QWidget>

#include <cstdio>

namespace {

int shoot(QWidget *w, const QString &dir, const QString &name) {
  if (!w) return 1;
  w->show();
  QApplication::processEvents();
  const QString path = dir + "/" + name + ".png";
  if (!w->grab().save(path)) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", path.toUtf8().constData());
    return 1;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return 0;
}

// The first member of `table` of one type.
kxset *first_of(kxset *table, const char *type, const char *vendor = nullptr) {
  for (int i = 0, n = table ? table->getnattr() : 0; i < n; ++i) {
    kxset *o = table->get(i);
    if (std::string(kxobj_get(o, "type")) == type && (!vendor || std::string(kxobj_get(o, "vendor")) == vendor))
      return o;
  }
  return nullptr;
}

// "System Status" after its first pass. Without an agent named in the
// environment the nodes are asked on loopback only, never at the site's
// addresses.
int shoot_status(QWidget *main, const QString &dir) {
  KxStatusOptions &opt = gui_status_options();
  if (opt.address.empty()) {
    opt.address = "127.0.0.1";
    opt.timeout_ms = 300;
    opt.retries = 0;
  }
  StatusWindow *s = open_status_window(main);
  QElapsedTimer t;
  t.start();
  while (s->passes().busy() && t.elapsed() < 15000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  const int failed = shoot(s, dir, "system_status");
  s->close();
  return failed;
}

} // namespace

int gui_screenshots(const std::string &dir_name) {
  MainWindow *main = kx_basewin();
  if (!main) return 1;
  const QString dir = QString::fromStdString(dir_name);
  QDir().mkpath(dir);
  GuiUnattended quiet;
  gui_set_unattended(&quiet);
  int failed = shoot(main, dir, "rule_base_editor");

  QDialog *cp = open_control_properties(main);
  auto *categories = cp->findChild<QComboBox *>("categories");
  for (int i = 0; categories && i < categories->count(); ++i) {
    categories->setCurrentIndex(i);
    failed += shoot(cp, dir, "control_properties_" + window_file_name(categories->itemText(i)));
  }
  cp->close();

  const struct {
    kxset **table;
    const char *type, *vendor;
  } kinds[] = {{&kx_netobj, "gateway", nullptr}, {&kx_netobj, "host", nullptr},
               {&kx_netobj, "router", "cisco"},  {&kx_netobj, "network", nullptr},
               {&kx_netobj, "domain", nullptr},  {&kx_netobj, "group", nullptr},
               {&kx_services, "tcp", nullptr},   {&kx_services, "udp", nullptr},
               {&kx_services, "rpc", nullptr},   {&kx_services, "icmp", nullptr},
               {&kx_services, "other", nullptr}};
  for (const auto &k : kinds) {
    kxset *obj = first_of(*k.table, k.type, k.vendor);
    if (!obj) continue;
    QDialog *d = open_object_window(main, obj, *k.table, false);
    if (!d) continue;
    failed += shoot(d, dir, window_file_name(d->windowTitle()) + "_" + k.type);
    d->close();
  }
  {
    for (const char *vendor : {"cisco", "wellfleet"}) {
      kxset *router = first_of(kx_netobj, "router", vendor);
      if (!router) continue;
      QDialog *r = open_object_window(main, router, kx_netobj, false);
      if (!r) continue;
      for (QAbstractButton *b : r->findChildren<QAbstractButton *>("routersetup")) b->click();
      for (QDialog *setup : r->findChildren<QDialog *>())
        if (setup->windowTitle().contains("Setup")) failed += shoot(setup, dir, window_file_name(setup->windowTitle()));
      r->close();
    }
  }
  for (int list = 0; list < 3; ++list) {
    ObjectManager *m = main->manager(list);
    failed += shoot(m, dir, window_file_name(m->windowTitle()));
    m->close();
  }
  // "User Properties": its general page, and the S/Key page of a user
  // checked by S/Key.
  for (const char *user : {"alice", "dave"}) {
    QDialog *u = main->manager(2)->open_or_create(user, "default");
    if (!u) {
      ++failed;
      continue;
    }
    QString name = "user_properties";
    if (std::string(user) == "dave") {
      if (auto *pages = u->findChild<QTabWidget *>("pages")) pages->setCurrentIndex(pages->count() - 1);
      name += "_s_key";
    }
    failed += shoot(u, dir, name);
    u->close();
  }
  if (QDialog *g = main->manager(2)->open_or_create("Staff", "default")) {
    failed += shoot(g, dir, "user_group_properties");
    g->close();
  } else {
    ++failed;
  }
  for (const auto &[action, name] : {std::pair{"filter_install", "filter_install"},
                                     std::pair{"filter_uninstall", "filter_uninstall"}}) {
    if (auto *a = main->findChild<QAction *>(action)) a->trigger();
    for (QDialog *d : main->findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
      if (d->isVisible() && window_file_name(d->windowTitle()) == name) {
        failed += shoot(d, dir, name);
        d->close();
      }
  }
  if (auto *a = main->findChild<QAction *>("help_tutorial")) a->trigger();
  if (auto *t = main->findChild<QDialog *>("tutorial")) {
    failed += shoot(t, dir, "tutorial");
    t->close();
  }
  failed += shoot(show_where_used(main, "mail"), dir, "where_used");
  main->compile();
  for (QDialog *d : main->findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
    if (d->isVisible() && d->windowTitle().startsWith("Filter")) failed += shoot(d, dir, "filter_view");
  main->view_cisco();
  for (QDialog *d : main->findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
    if (d->isVisible() && d->windowTitle() == "Cisco Access Lists") failed += shoot(d, dir, "cisco_access_lists");
  failed += shoot_status(main, dir);
  ImportDialog *import = open_import_dialog(main); // the tables lib/import.C names
  failed += shoot(import, dir, "import");
  import->close();
  gui_set_unattended(nullptr);
  return failed;
}
