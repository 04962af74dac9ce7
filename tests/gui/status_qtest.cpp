// "System Status" on Qt's offscreen platform against a real snmpd on
// loopback: every status node gets its row, a silent node does not hold up
// the window, and the box menu, selection and "Show" work on the rows.
#include "kxu/kxdir.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/installdialog.h"
#include "kxui/gui/mainwindow.h"
#include "demo_station.h"
#include "kxui/gui/statuswindow.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/status/kxst_answer.h"
#include "support/snmp_daemons.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

// The row of a node: its column texts from "State" on.
QStringList row(StatusWindow *w, const QString &node) {
  for (int i = 0; i < w->rows()->topLevelItemCount(); ++i) {
    QTreeWidgetItem *it = w->rows()->topLevelItem(i);
    if (it->text(0) != node) continue;
    QStringList out;
    for (int c = 1; c < it->columnCount(); ++c) out << it->text(c);
    return out;
  }
  return {};
}

QString enabled_items(QMenu *m) {
  QString out;
  for (QAction *a : m->actions()) out += a->isEnabled() ? '1' : '0';
  return out;
}

} // namespace

class StatusTest : public DemoStationTest {
  Q_OBJECT

  std::unique_ptr<kxtest::SnmpDaemon> agent_;

private slots:
  void init() {
    agent_ = std::make_unique<kxtest::SnmpDaemon>("/usr/sbin/snmpd", kxtest::module_agent_conf);
    QVERIFY2(agent_->wait_for("NET-SNMP version"), agent_->log().c_str());
    QVERIFY(load_demo());
    // The modules on loopback: gw and the Wellfleet router answer, ns is
    // silent (nothing listens on 127.0.1.77).
    kxobj_put(kxobj_member(kx_netobj, "gw"), "ipaddr", "127.0.0.1");
    kxobj_put(kxobj_member(kx_netobj, "ns"), "ipaddr", "127.0.1.77");
    kxobj_put(kxobj_member(kx_netobj, "wf-lab"), "ipaddr", "127.0.0.1");
    KxStatusOptions &opt = gui_status_options();
    opt.address.clear();
    opt.module_port = opt.router_port = agent_->port();
    opt.timeout_ms = 3000; // the silent node is still asked when the others have answered
    opt.retries = 0;
    obj_modified = 0;
    open_window();
  }
  void cleanup() {
    close_station();
    agent_.reset();
  }

  // The answering nodes show while the silent one is still asked: the
  // window keeps running the loop and says it is updating.
  void everyNodeGetsItsRowWithoutWaitingForASilentOne() {
    w_->findChild<QAction *>("manage_view")->trigger();
    auto *s = w_->findChild<StatusWindow *>("status_window");
    QVERIFY(s && s->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(row(s, "gw").value(0), QString("installed"), 5000);
    QVERIFY(s->passes().busy());
    QCOMPARE(s->findChild<QLabel *>("footer")->text(), QString("Updating ..."));
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy(), 10000);
    QCOMPARE(s->rows()->topLevelItemCount(), 3);
    QCOMPARE(row(s, "gw"), (QStringList{"installed", "Standard", "11Dec126  0:20:00", "100", "15", "7"}));
    QCOMPARE(row(s, "ns").mid(0, 2), (QStringList{"disconnected", ""}));
    QCOMPARE(row(s, "ns").mid(3), (QStringList{"", "", ""}));
    QCOMPARE(row(s, "wf-lab").mid(0, 3),
             (QStringList{"installed", "Standard", QString::fromStdString(kx_time_text(1))}));
    QVERIFY(!s->findChild<QLabel *>("last_update")->text().isEmpty());
    QVERIFY(!s->findChild<QLabel *>("now")->text().isEmpty());
    QCOMPARE(s->findChild<QLabel *>("footer")->text(), QString("3 modules"));
  }

  void boxMenuSelectionAndShow() {
    StatusWindow *s = open_status_window(w_.get());
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy() && s->rows()->topLevelItemCount() == 3, 10000);
    std::unique_ptr<QMenu> ns(s->box_menu("ns")), gw(s->box_menu("gw"));
    QCOMPARE(enabled_items(ns.get()), QString("110000"));
    QCOMPARE(enabled_items(gw.get()), QString("111100"));
    QCOMPARE(gw->actions().at(3)->text(), QString("Uninstall ..."));

    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    s->run_item("ns", KxBoxItem::xterm);
    QCOMPARE(QString::fromStdString(notices_.back()), QString("Cannot open xterm on ns: unknown display"));
    if (!display.isEmpty()) qputenv("DISPLAY", display);
    s->run_item("gw", KxBoxItem::tables);
    QCOMPARE(QString::fromStdString(notices_.back()), QString("Tables ... unimplemented (Yet)"));
    gw->actions().at(2)->trigger(); // "Install ..." on gw
    auto *install = w_->findChild<InstallDialog *>("install_install");
    QVERIFY(install);
    const auto selected = install->findChild<QTreeWidget *>("targets")->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0]->text(0), QString("gw"));
    install->close();

    // Selection is the model's, and survives a pass over the selected box.
    s->rows()->topLevelItem(0)->setSelected(true);
    QCOMPARE(s->display().selected(), std::vector<std::string>{"gw"});
    s->update_selected();
    QVERIFY(s->passes().busy());
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy(), 10000);
    QCOMPARE(s->display().selected(), std::vector<std::string>{"gw"});
    QVERIFY(s->rows()->topLevelItem(0)->isSelected());
    s->findChild<QPushButton *>("select_all")->click();
    QCOMPARE(s->rows()->selectedItems().size(), 3);
    s->findChild<QPushButton *>("clear_selections")->click();
    QCOMPARE(s->rows()->selectedItems().size(), 0);

    // "Show" > "Selected" keeps only the selected nodes; "All" brings back
    // every node.
    s->display().select("wf-lab", true);
    s->show_selected();
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy(), 10000);
    QCOMPARE(s->rows()->topLevelItemCount(), 1);
    QCOMPARE(s->rows()->topLevelItem(0)->text(0), QString("wf-lab"));
    s->show_all();
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy(), 10000);
    QCOMPARE(s->rows()->topLevelItemCount(), 3);

    auto *interval = s->findChild<QSpinBox *>("interval");
    interval->setValue(2);
    QCOMPARE(s->passes().interval(), 120);
    interval->setValue(0);
    QCOMPARE(s->passes().interval(), 0);
  }

  void tabOrder() {
    StatusWindow *s = open_status_window(w_.get());
    QStringList chain;
    QWidget *it = s;
    for (int guard = 0; guard < 200; ++guard) {
      it = it->nextInFocusChain();
      if (it == s) break;
      if (it->window() == s && it->isVisibleTo(s) && it->isEnabled() && (it->focusPolicy() & Qt::TabFocus) &&
          !qobject_cast<QSpinBox *>(it->parentWidget())) // the spin box's own line edit
        chain << it->objectName();
    }
    QCOMPARE(chain, (QStringList{"update", "show", "select_all", "clear_selections", "interval", "boxes", "close"}));
    QTRY_VERIFY_WITH_TIMEOUT(!s->passes().busy(), 10000);
  }
};

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  StatusTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "status_qtest.moc"
