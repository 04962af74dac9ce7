// Utilities > "Import..." on Qt's offscreen platform, over the demo's sample
// tables (lib/import.C names them): the entries and their clashes, choices
// applied as one edit that Edit > Undo takes back, a refused choice that
// changes nothing, and the window's Tab order.
#include "kxu/kxdir.h"
#include "kxset/sio.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/importdialog.h"
#include "kxui/gui/mainwindow.h"
#include "demo_station.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
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

QStringList column(QTableWidget *t, int c) {
  QStringList out;
  for (int r = 0; r < t->rowCount(); ++r) out << t->item(r, c)->text();
  return out;
}

} // namespace

class ImportTest : public DemoStationTest {
  Q_OBJECT


  ImportDialog *open() {
    w_->findChild<QAction *>("util_import")->trigger();
    return w_->findChild<ImportDialog *>("import");
  }

private slots:
  void init() {
    QVERIFY(load_demo());
    open_window();
  }
  void cleanup() { close_station(); }

  void choicesAppliedAsOneEditThatUndoTakesBack() {
    ImportDialog *d = open();
    QVERIFY(d && d->isVisible());
    auto *entries = d->findChild<QTableWidget *>("entries");
    QCOMPARE(column(entries, 0), (QStringList{"localhost", "gw", "mail", "dns", "printer", "www", "ftp", "labpc1",
                                              "labpc2", "loopback", "office", "dmz", "lab", "labhosts", "servers"}));
    QCOMPARE(d->findChild<QLabel *>("summary")->text(), QString("6 new, 3 unchanged, 6 clashes"));
    QCOMPARE(entries->item(3, 2)->text(), QString("192.168.10.3 is host ns, not dns"));
    QCOMPARE(entries->item(3, 3)->text(), QString("Keep"));
    QVERIFY(!(entries->item(1, 3)->flags() & Qt::ItemIsEditable)); // unchanged: nothing to choose

    // The choice cell offers the entry's choices.
    std::unique_ptr<QWidget> editor(entries->itemDelegateForColumn(3)->createEditor(
        entries->viewport(), QStyleOptionViewItem(), entries->model()->index(6, 3)));
    auto *box = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(box);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), QString("Rename"));

    const std::string before = text_of(kx_netobj);
    kxset *inside = kxobj_member(kx_netobj, "net-inside");
    QVERIFY(d->choose("dns", ImportChoice::merge));
    QVERIFY(d->choose("ftp", ImportChoice::rename));
    QCOMPARE(entries->item(6, 4)->text(), QString("ftp-imported")); // suggested
    QVERIFY(d->choose("office", ImportChoice::replace));
    QVERIFY(d->choose("servers", ImportChoice::replace));
    QVERIFY(d->apply());
    QCOMPARE(w_->footer_text(), QString("Imported: 6 added, 1 renamed, 2 replaced, 1 merged, 5 kept"));
    QCOMPARE(kxobj_member(kx_netobj, "office"), inside);
    QVERIFY(kxobj_member(kx_netobj, "ftp-imported"));
    QCOMPARE(kxobj_names(kxobj_member(kx_netobj, "labhosts")), (std::vector<std::string>{"labpc1", "labpc2"}));
    QCOMPARE(kxobj_names(kxobj_member(kx_netobj, "servers")), (std::vector<std::string>{"mail", "www"}));
    QCOMPARE(QString::fromStdString(d->findChild<QPlainTextEdit *>("messages")->toPlainText().toStdString()),
             QString("netgroup servers: dns is no network object, left out\n"));
    // Read again: what was imported is there now.
    QCOMPARE(d->findChild<QLabel *>("summary")->text(), QString("0 new, 10 unchanged, 5 clashes"));
    const std::string after = text_of(kx_netobj);

    w_->findChild<QAction *>("undo")->trigger();
    QCOMPARE(text_of(kx_netobj), before);
    w_->findChild<QAction *>("redo")->trigger();
    QCOMPARE(text_of(kx_netobj), after);
  }

  void refusedChoiceChangesNothingAndTablesAreChosen() {
    ImportDialog *d = open();
    const std::string before = text_of(kx_netobj);
    QVERIFY(d->choose("ftp", ImportChoice::rename, "gw"));
    QVERIFY(!d->apply());
    QCOMPARE(QString::fromStdString(notices_.back()), QString("ftp: gw is taken by gw"));
    QCOMPARE(text_of(kx_netobj), before);
    QCOMPARE(kx_edits().size(), size_t(0));

    // Another hosts file, and no networks.
    const QString hosts = dir_.path() + "/hosts.test";
    QFile f(hosts);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("10.7.7.7 seven\n10.7.7.300 bad\n");
    f.close();
    d->findChild<QLineEdit *>("hosts")->setText(hosts);
    d->findChild<QCheckBox *>("use_networks")->setChecked(false);
    d->findChild<QPushButton *>("read")->click();
    auto *entries = d->findChild<QTableWidget *>("entries");
    QCOMPARE(column(entries, 0), (QStringList{"seven", "labhosts", "servers"}));
    QCOMPARE(d->findChild<QPlainTextEdit *>("messages")->toPlainText(),
             hosts + ", line 2: bad address '10.7.7.300', left out\n");
  }

  void tabOrder() {
    ImportDialog *d = open();
    QStringList chain;
    QWidget *it = d;
    for (int guard = 0; guard < 200; ++guard) {
      it = it->nextInFocusChain();
      if (it == d) break;
      if (it->window() == d && it->isVisibleTo(d) && it->isEnabled() && (it->focusPolicy() & Qt::TabFocus))
        chain << it->objectName();
    }
    // The buttons last, in the order the style lays the button box out.
    QCOMPARE(chain.mid(0, 9), (QStringList{"use_hosts", "hosts", "use_networks", "networks", "use_netgroup",
                                           "netgroup", "read", "entries", "messages"}));
    chain = chain.mid(9);
    chain.sort();
    QCOMPARE(chain, (QStringList{"apply", "close"}));
  }
};

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ImportTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "import_qtest.moc"
