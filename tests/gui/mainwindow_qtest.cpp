// The station's windows on Qt's offscreen platform: the rule table's
// commands and keyboard, undo and redo across rules and objects, the file
// commands, compiling, property windows, managers and where-used.
#include "kxu/kxdir.h"
#include "kxset/sio.h"
#include "kxui/editor/control_props.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/mainwindow.h"
#include "demo_station.h"
#include "kxui/gui/objmanager.h"
#include "kxui/gui/qtloop.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxui/users/kxa.h"
#include "support/snmp_daemons.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

std::string text_of(const kxset *set) {
  std::string out;
  sio_swrite(out, set);
  return out;
}

QString cell(MainWindow &w, int row, int column) {
  return w.model()->data(w.model()->index(row - 1, column), Qt::DisplayRole).toString();
}

void trigger(MainWindow &w, const char *action) {
  QAction *a = w.findChild<QAction *>(action);
  QVERIFY2(a, action);
  a->trigger();
}

} // namespace

class MainWindowTest : public DemoStationTest {
  Q_OBJECT

  QString rules_;

private slots:
  void init() {
    QVERIFY(load_demo());
    open_window();
    QApplication::setActiveWindow(w_.get());
    QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    rules_ = dir_.path() + "/conf/Standard.W";
    QVERIFY(w_->load(rules_));
    QCOMPARE(w_->model()->rowCount(), 10);
  }
  void cleanup() { close_station(); }

  void editSaveReopenCompile() {
    MainWindow &w = *w_;
    RuleTable *t = w.table();
    t->setFocus();
    t->selectRow(0);
    trigger(w, "new_after");
    QCOMPARE(w.model()->rowCount(), 11);
    QCOMPARE(cell(w, 2, RuleModel::source), QString("Any"));
    QCOMPARE(cell(w, 2, RuleModel::action), QString("drop"));
    QVERIFY(rmgr_selected(1));

    // Move the new rule down with the keyboard, then cut it and paste it on top.
    t->selectRow(1);
    QTest::keyClick(t, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(cell(w, 3, RuleModel::destination), QString("Any"));
    QCOMPARE(cell(w, 2, RuleModel::destination), QString("mail"));
    QVERIFY(rmgr_selected(3));
    QTest::keyClick(t, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(w.model()->rowCount(), 10);
    QCOMPARE(w.footer_text(), QString("One rule cut to clipboard"));
    trigger(w, "paste_top");
    QCOMPARE(w.model()->rowCount(), 11);
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("Any"));

    // Cells from objects: by the command and by a drop from a manager.
    QVERIFY(w.add_to_cell(1, RuleModel::source, {"mail"}));
    QCOMPARE(cell(w, 1, RuleModel::source), QString("mail"));
    auto *mime = new QMimeData;
    mime->setData(KX_OBJECT_MIME, "gw\nwww");
    QVERIFY(w.model()->dropMimeData(mime, Qt::CopyAction, -1, -1, w.model()->index(0, RuleModel::destination)));
    delete mime;
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("gw www"));
    QVERIFY(w.set_cell_op(1, RuleModel::destination, true));
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("Not gw www"));
    QVERIFY(w.set_cell_choice(1, RuleModel::action, "accept"));

    // Undo and redo through the menu.
    trigger(w, "undo");
    trigger(w, "undo");
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("gw www"));
    trigger(w, "undo");
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("Any"));
    trigger(w, "redo");
    trigger(w, "redo");
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("Not gw www"));
    QCOMPARE(cell(w, 1, RuleModel::action), QString("drop"));
    QVERIFY(w.set_cell_op(1, RuleModel::destination, false)); // a negation would override rule 4

    // Save under a new name, reopen, compile.
    const QString saved = dir_.path() + "/conf/Edited.W";
    QVERIFY(w.save_as(saved));
    QCOMPARE(rule_modified, 0);
    QVERIFY(w.windowTitle().startsWith("Brenmark Rule Base Editor:  "));
    QVERIFY(w.windowTitle().contains("Edited.W"));
    w.close_rulebase();
    QCOMPARE(w.model()->rowCount(), 0);
    QVERIFY(w.load(saved));
    QCOMPARE(w.model()->rowCount(), 11);
    QCOMPARE(cell(w, 1, RuleModel::source), QString("mail"));
    QCOMPARE(cell(w, 1, RuleModel::destination), QString("gw www"));
    if (!w.compile()) {
      for (QDialog *d : w.findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
        if (auto *text = d->findChild<QPlainTextEdit *>("text"))
          qWarning("%s: %s", qPrintable(d->windowTitle()), qPrintable(text->toPlainText()));
      for (const std::string &n : notices_) qWarning("notice %s", n.c_str());
      QFAIL("compile failed");
    }
    bool shown = false;
    for (QDialog *d : w.findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly))
      if (d->windowTitle().startsWith("Filter: ")) {
        auto *text = d->findChild<QPlainTextEdit *>("text");
        shown = text && !text->toPlainText().isEmpty();
      }
    QVERIFY(shown);
    QVERIFY2(notices_.empty(), notices_.empty() ? "" : notices_.front().c_str());
  }

  void keyboardSelectDeleteUndo() {
    MainWindow &w = *w_;
    RuleTable *t = w.table();
    t->setFocus();
    t->setCurrentIndex(w.model()->index(0, 1));
    QTest::keyClick(t, Qt::Key_A, Qt::ControlModifier);
    for (int i = 1; i <= 10; ++i) QVERIFY(rmgr_selected(i));
    QTest::keyClick(t, Qt::Key_Delete);
    QCOMPARE(w.model()->rowCount(), 0);
    QTest::keyClick(t, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(w.model()->rowCount(), 10);
    // Shift+Down extends the selection; Ctrl+C copies without changing rows.
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(w.model()->index(3, 1)).center());
    QTest::keyClick(t, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(rmgr_selected(4) && rmgr_selected(5) && !rmgr_selected(6));
    QTest::keyClick(t, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(rmgr_npaste(), 2);
    QTest::keyClick(t, Qt::Key_V, Qt::ControlModifier); // pastes after the selection
    QCOMPARE(w.model()->rowCount(), 12);
    QCOMPARE(cell(w, 6, RuleModel::destination), cell(w, 4, RuleModel::destination));
  }

  void badRuleBaseLeavesThePolicy() {
    const QString bad = dir_.path() + "/conf/Bad.W";
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("(\n\t:rule (\n\t\t:src ( : nosuch-object ");
    f.close();
    QVERIFY(!w_->load(bad));
    QCOMPARE(w_->model()->rowCount(), 10);
    QVERIFY(!notices_.empty());
    QVERIFY2(QString::fromStdString(notices_.back()).contains("Failed to read rule file"), notices_.back().c_str());
    QVERIFY(QString(file_getname()).endsWith("Standard.W"));
    // A save into a directory that is not there keeps the old file and says so.
    notices_.clear();
    QVERIFY(!w_->save_as(dir_.path() + "/missing/dir/X.W"));
    QVERIFY(!notices_.empty());
  }

  void propertyWindowsRoundTripTheDemoObjects() {
    int checked = 0;
    for (kxset *table : {kx_netobj, kx_services}) {
      for (int i = 0; i < table->getnattr(); ++i) {
        kxset *obj = table->get(i);
        if (!obj_kind(obj)) continue;
        std::vector<std::pair<std::string, std::string>> attrs;
        for (int a = 0; a < obj->getnattr(); ++a)
          attrs.emplace_back(obj->getattrnamea(a).c_str(), text_of(obj->get(a)));
        QDialog *d = open_object_window(w_.get(), obj, table, false);
        QVERIFY(d);
        auto *apply = d->findChild<QAbstractButton *>("apply");
        QVERIFY(apply);
        apply->click();
        // Every attribute comes back unchanged, in its place; defaults may follow.
        QVERIFY(obj->getnattr() >= static_cast<int>(attrs.size()));
        for (size_t a = 0; a < attrs.size(); ++a) {
          const std::string now = text_of(obj->get(static_cast<int>(a)));
          QVERIFY2(now == attrs[a].second && obj->getattrnamea(static_cast<int>(a)) == KxAtom(attrs[a].first.c_str()),
                   (std::string(obj->getname()) + ":" + attrs[a].first + " " + attrs[a].second + " -> " + now).c_str());
        }
        d->close();
        ++checked;
      }
    }
    QVERIFY(checked > 20);
    QVERIFY(notices_.empty());
  }

  void controlPropertiesApplyUnchanged() {
    kxset *props = control_props_set();
    const std::string before = text_of(props);
    QDialog *d = open_control_properties(w_.get());
    auto *categories = d->findChild<QComboBox *>("categories");
    QVERIFY(categories);
    QCOMPARE(categories->count(), 5);
    for (int i = 0; i < categories->count(); ++i) {
      categories->setCurrentIndex(i);
      d->findChild<QAbstractButton *>("apply")->click();
    }
    QCOMPARE(text_of(props), before);
    // A changed flag goes through the undo stack.
    categories->setCurrentIndex(0);
    auto *rip = d->findChild<QCheckBox *>("rip");
    QVERIFY(rip);
    rip->setChecked(!rip->isChecked());
    d->findChild<QAbstractButton *>("apply")->click();
    QVERIFY(text_of(props) != before);
    trigger(*w_, "undo");
    QCOMPARE(text_of(props), before);
    d->close();
  }

  void managerCreatesByNamingRulesAndUndoes() {
    ObjectManager *m = w_->manager(0);
    QDialog *d = m->open_or_create("gw-cisco", "default");
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("Router Properties"));
    d->findChild<QAbstractButton *>("apply")->click();
    QVERIFY(kxobj_member(kx_netobj, "gw-cisco"));
    QCOMPARE(QString(kxobj_get(kxobj_member(kx_netobj, "gw-cisco"), "alnum")), QString("101"));
    trigger(*w_, "undo");
    QVERIFY(!kxobj_member(kx_netobj, "gw-cisco"));
    QVERIFY(!m->open_or_create("smtp", "default"));
    QCOMPARE(QString::fromStdString(notices_.back()), QString("smtp: Already exists (tcp)"));
  }

  // "User Properties" over the demo's user database: a refused date writes
  // nothing, an applied change is one edit of the undo stack.
  void userPropertiesApplyRefuseUndo() {
    auto stored = [](const char *name) {
      KxSetRef u(kxa_fetchuser(name));
      return text_of(u.get());
    };
    ObjectManager *m = w_->manager(2);
    QDialog *d = m->open_or_create("alice", "default");
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("User Properties"));
    const std::string before = stored("alice");
    QVERIFY(before.find("Staff") != std::string::npos);
    d->findChild<QAbstractButton *>("apply")->click(); // unchanged: nothing written
    QCOMPARE(stored("alice"), before);
    QVERIFY(!kx_edits().can_undo());

    d->findChild<QLineEdit *>("comments")->setText("on call");
    d->findChild<QLineEdit *>("expiration_date")->setText("31-Feb-30");
    d->findChild<QAbstractButton *>("apply")->click();
    QVERIFY(QString::fromStdString(notices_.back()).startsWith("Illegal Date Format: '31-Feb-30'"));
    QCOMPARE(stored("alice"), before);

    d->findChild<QLineEdit *>("expiration_date")->setText("1-mar-31");
    d->findChild<QAbstractButton *>("apply")->click();
    QVERIFY(stored("alice").find("01-Mar-2031") != std::string::npos);
    QCOMPARE(d->findChild<QLineEdit *>("expiration_date")->text(), QString("01-Mar-2031"));
    trigger(*w_, "undo");
    QCOMPARE(stored("alice"), before);
    trigger(*w_, "redo");
    QVERIFY(stored("alice").find("on call") != std::string::npos);

    // The S/Key page: a generated chain is applied once saved.
    d->findChild<QTabWidget *>("pages")->setCurrentIndex(4);
    auto *scheme = d->findChild<QComboBox *>("auth_method");
    QVERIFY(!d->findChild<QAbstractButton *>("generate")->isVisibleTo(d));
    scheme->setCurrentText("S/Key");
    QVERIFY(d->findChild<QAbstractButton *>("generate")->isVisibleTo(d));
    d->findChild<QLineEdit *>("SKEY_seed")->setText("al99");
    d->findChild<QComboBox *>("SKEY_gateway")->setCurrentText("gw");
    d->findChild<QAbstractButton *>("generate")->click();
    QCOMPARE(d->findChild<QLineEdit *>("SKEY_number")->text(), QString("100"));
    unattended_.answer = 1; // Cancel: the chain was not saved
    d->findChild<QAbstractButton *>("ok")->click();
    QVERIFY(d->isVisible());
    QVERIFY(stored("alice").find("al99") == std::string::npos);
    unattended_.answer = 0;
    d->findChild<QAbstractButton *>("ok")->click();
    QVERIFY(stored("alice").find("al99") != std::string::npos);
  }

  // "SNMP Info ..." asks a real agent through the Qt event loop; the answer
  // is one edit of the object.
  void snmpInfoFetchesIntoTheObject() {
    kxtest::SnmpDaemon snmpd{"/usr/sbin/snmpd", "rocommunity public 127.0.0.1\npsysname gw-1\n"
                                                "psyscontact noc@example.com\npsyslocation rack 4\n"};
    QVERIFY2(snmpd.wait_for("NET-SNMP version"), snmpd.log().c_str());
    gui_device_options.port = snmpd.port();
    gui_device_options.timeout_ms = 500;
    kxset *gw = kxobj_member(kx_netobj, "gw");
    kxobj_put(gw, "ipaddr", "127.0.0.1");
    const std::string before = text_of(gw);
    QDialog *d = open_object_window(w_.get(), gw, kx_netobj, false);
    d->findChild<QAbstractButton *>("snmpinfo")->click();
    QTRY_VERIFY_WITH_TIMEOUT(QString(kxobj_get(gw, "info")).contains("rack 4"), 10000);
    auto *info = d->findChild<QLineEdit *>("info");
    QVERIFY(info && info->text().contains("rack 4"));
    trigger(*w_, "undo");
    QCOMPARE(text_of(gw), before);
    d->close();
  }

  void whereUsedJumpsToTheRule() {
    QDialog *d = show_where_used(w_.get(), "mail");
    auto *uses = d->findChild<QListWidget *>("uses");
    QVERIFY(uses && uses->count() > 0);
    QListWidgetItem *rule_item = nullptr;
    for (int i = 0; i < uses->count() && !rule_item; ++i)
      if (uses->item(i)->text().startsWith("rule 3")) rule_item = uses->item(i);
    QVERIFY(rule_item);
    emit uses->itemActivated(rule_item);
    QCOMPARE(w_->table()->currentIndex().row(), 2);
    QVERIFY(rmgr_selected(3));
  }
};

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  MainWindowTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "mainwindow_qtest.moc"
