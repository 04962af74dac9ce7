// The station's other windows on Qt's offscreen platform: the install
// dialog running its commands, the editable interface table, the utilities
// (Save Layout, Tutorial) and the Tab order of every window.
#include "kxu/kxdir.h"
#include "kxset/sio.h"
#include "kxui/editor/control_props.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/installdialog.h"
#include "kxui/gui/mainwindow.h"
#include "demo_station.h"
#include "kxui/gui/objmanager.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxui/users/kxa.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

std::string text_of(const kxset *set) {
  std::string out;
  sio_swrite(out, set);
  return out;
}

void trigger(MainWindow &w, const char *action) {
  QAction *a = w.findChild<QAction *>(action);
  QVERIFY2(a, action);
  a->trigger();
}

// The controls of `w` that Tab reaches, in Tab order.
QList<QWidget *> tab_chain(QWidget *w) {
  QList<QWidget *> out;
  QWidget *it = w;
  for (int guard = 0; guard < 2000; ++guard) {
    it = it->nextInFocusChain();
    if (it == w) break;
    if (it->window() == w && it->isVisibleTo(w) && it->isEnabled() && (it->focusPolicy() & Qt::TabFocus))
      out << it;
  }
  return out;
}

QRect rect_in(QWidget *w, QWidget *c) { return QRect(c->mapTo(w, QPoint(0, 0)), c->size()); }

// Tab goes in reading order: never back to a control wholly above that does
// not stand in a column to the right, nor to one left of it in the same
// row; the buttons of a button box come last (in the order the style lays
// them out). Empty when the order is sound.
QString tab_order_fault(QWidget *w) {
  w->show();
  QApplication::processEvents();
  const QList<QWidget *> chain = tab_chain(w);
  if (chain.isEmpty()) return w->objectName() + ": Tab reaches nothing";
  auto name = [](QWidget *c) { return QString("%1 '%2'").arg(c->metaObject()->className(), c->objectName()); };
  QWidget *prev = nullptr;
  bool in_buttons = false;
  for (QWidget *c : chain) {
    const bool button = qobject_cast<QDialogButtonBox *>(c->parentWidget()) != nullptr;
    if (in_buttons && !button) return w->objectName() + ": " + name(c) + " comes after the buttons";
    in_buttons = in_buttons || button;
    if (button) continue;
    if (prev) {
      const QRect a = rect_in(w, prev), b = rect_in(w, c);
      const bool above = b.bottom() < a.top() && b.left() < a.right();
      const bool same_row = b.top() < a.bottom() && b.bottom() > a.top();
      const bool left = same_row && b.right() < a.left();
      if (above || left) return w->objectName() + ": Tab goes from " + name(prev) + " back to " + name(c);
    }
    prev = c;
  }
  return {};
}

} // namespace

class StationTest : public DemoStationTest {
  Q_OBJECT


private slots:
  void init() {
    QVERIFY(open_demo());
  }
  void cleanup() { close_station(); }

  // Install runs kx on the modules (stand-in programs on PATH) and shows
  // each target's result and the programs' output.
  void installRunsTheChainAndShowsResults() {
    const QString bin = dir_.path() + "/fakebin";
    QDir().mkpath(bin);
    QFile kx(bin + "/kx");
    QVERIFY(kx.open(QIODevice::WriteOnly));
    kx.write("#!/bin/sh\necho \"module tool: $*\"\n[ \"$1\" = unload ] && exit 3\nexit 0\n");
    kx.close();
    kx.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + path);

    trigger(*w_, "filter_install");
    auto *d = w_->findChild<InstallDialog *>("install_install");
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("Filter Install"));
    bool done = false;
    d->done = [&done] { done = true; };
    d->apply();
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    auto *targets = d->findChild<QTreeWidget *>("targets");
    QCOMPARE(targets->topLevelItem(0)->text(0), QString("gw"));
    QCOMPARE(targets->topLevelItem(0)->text(1), QString("installed"));
    QCOMPARE(targets->topLevelItem(1)->text(1), QString("installed"));
    const QString out = d->findChild<QPlainTextEdit *>("output")->toPlainText();
    QVERIFY2(out.contains("module tool: load " + dir_.path() + "/conf/Standard.pf gw ns"), qPrintable(out));
    QVERIFY(QFile::exists(dir_.path() + "/conf/Standard.pf"));

    trigger(*w_, "filter_uninstall");
    auto *u = w_->findChild<InstallDialog *>("install_uninstall");
    QVERIFY(u);
    done = false;
    u->done = [&done] { done = true; };
    u->apply();
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    QCOMPARE(u->findChild<QTreeWidget *>("targets")->topLevelItem(0)->text(1), QString("failed (exit 3)"));
    QCOMPARE(QString::fromStdString(notices_.back()),
             QString("Filter installation failed.\nPlease refer to the installation window."));
    u->findChild<QTreeWidget *>("targets")->clearSelection();
    u->apply();
    QCOMPARE(QString::fromStdString(notices_.back()), QString("No targets specified"));
    qputenv("PATH", path);
  }

  // Interface rows are checked with the form; an applied change is one edit.
  void interfaceTableEditsTheEntries() {
    kxset *gw = kxobj_member(kx_netobj, "gw");
    const std::string before = text_of(gw);
    QDialog *d = open_object_window(w_.get(), gw, kx_netobj, false);
    auto *t = d->findChild<QTableWidget *>("interfaces");
    QVERIFY(t);
    QCOMPARE(t->rowCount(), 2);
    d->findChild<QAbstractButton *>("apply")->click();
    QCOMPARE(text_of(gw), before); // unchanged
    t->item(1, 3)->setText("nosuch");
    d->findChild<QAbstractButton *>("apply")->click();
    QCOMPARE(QString::fromStdString(notices_.back()),
             QString("Interface 2: no network object nosuch for the valid addresses"));
    QCOMPARE(text_of(gw), before);
    t->item(1, 3)->setText("partner-net");
    d->findChild<QAbstractButton *>("addinterface")->click();
    QCOMPARE(t->rowCount(), 3);
    t->item(2, 0)->setText("le2");
    d->findChild<QAbstractButton *>("apply")->click();
    QCOMPARE(QString(kxobj_get(gw->get(KxAtom("if-2")), "ifname")), QString("le2"));
    QVERIFY(kxobj_isref(gw->get(KxAtom("if-1"))->get(KxAtom("netaccess"))));
    trigger(*w_, "undo");
    QCOMPARE(text_of(gw), before);
    d->close();
  }

  void saveLayoutAndTutorial() {
    w_->table()->setColumnWidth(1, 211);
    trigger(*w_, "util_save_layout");
    QVERIFY(QFile::exists(dir_.path() + "/conf/kxui.layout"));
    w_->table()->setColumnWidth(1, 90);
    w_->restore_layout();
    QCOMPARE(w_->table()->columnWidth(1), 211);

    trigger(*w_, "help_tutorial");
    auto *t = w_->findChild<QDialog *>("tutorial");
    QVERIFY(t && t->isVisible());
    QVERIFY(t->findChild<QPlainTextEdit *>("text")->toPlainText().contains("A first session"));
  }

  void tabOrderOfEveryWindow() {
    auto check = [](QWidget *w) {
      QVERIFY(w);
      const QString fault = tab_order_fault(w);
      QVERIFY2(fault.isEmpty(), qPrintable(fault));
    };
    check(w_.get());
    QDialog *cp = open_control_properties(w_.get());
    auto *categories = cp->findChild<QComboBox *>("categories");
    for (int i = 0; i < categories->count(); ++i) {
      categories->setCurrentIndex(i);
      const QString fault = tab_order_fault(cp);
      QVERIFY2(fault.isEmpty(), qPrintable(categories->itemText(i) + ": " + fault));
    }
    cp->close();
    // Each window is checked while it is open: a second window of the same
    // title replaces the first.
    for (const char *name : {"gw", "ns", "cisco-dmz", "wf-lab", "partner-net", ".partner.example"})
      if (kxset *o = kxobj_member(kx_netobj, name)) check(open_object_window(w_.get(), o, kx_netobj, false));
    for (const char *name : {"smtp", "http", "ping"})
      if (kxset *o = kxobj_member(kx_services, name)) check(open_object_window(w_.get(), o, kx_services, false));
    for (int list = 0; list < 3; ++list) check(w_->manager(list));
    trigger(*w_, "filter_install");
    check(w_->findChild<InstallDialog *>("install_install"));
    QDialog *user = w_->manager(2)->open_or_create("alice", "default");
    QVERIFY(user);
    auto *pages = user->findChild<QTabWidget *>("pages");
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      const QString fault = tab_order_fault(user);
      QVERIFY2(fault.isEmpty(), qPrintable(pages->tabText(i) + ": " + fault));
    }
    check(w_->manager(2)->open_or_create("Staff", "default"));
  }
};

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  StationTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "station_qtest.moc"
