// The users manager and "User Group Properties" on Qt's offscreen platform, over
// a copy of the demo's user database: a group edited (members added and
// removed, renamed), undone and redone, and found again in the reopened
// file; the manager's "Add to Group" and "Remove" with their refusals and
// confirmations.
#include "kxu/kxdir.h"
#include "kxset/sio.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/mainwindow.h"
#include "demo_station.h"
#include "kxui/gui/objmanager.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxui/users/kxa.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>

namespace {

using V = std::vector<std::string>;

V members(const char *group) {
  KxSetRef g(kxa_fetchgroup(group));
  return kxa_members_of(g.get());
}

V groups_of(const char *user) {
  KxSetRef u(kxa_fetchuser(user));
  return kxa_groups_of(u.get());
}

// Every record of the database, in file order.
std::string dump() {
  std::string out;
  ndb_iter *it = ndb_iter_create(kxa_db(), -1);
  ndb_datum d;
  while (const char *key = ndb_iter_next(it, &d)) out += std::string(key) + " => " + std::string(d.dptr, d.dsize) + "\n";
  ndb_iter_free(it);
  return out;
}

QStringList texts(const QListWidget *l) {
  QStringList out;
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}

void select(QListWidget *l, const QString &name) {
  l->clearSelection();
  const auto found = l->findItems(name, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(name));
  found.front()->setSelected(true);
}

void click(QWidget *w, const char *name) {
  auto *b = w->findChild<QAbstractButton *>(name);
  QVERIFY2(b, name);
  b->click();
}

} // namespace

class UsersTest : public DemoStationTest {
  Q_OBJECT


  void trigger(const char *action) {
    QAction *a = w_->findChild<QAction *>(action);
    QVERIFY2(a, action);
    a->trigger();
  }
  QString last() const { return notices_.empty() ? QString() : QString::fromStdString(notices_.back()); }

private slots:
  void init() {
    QVERIFY(open_demo());
  }
  void cleanup() { close_station(); }

  void groupWindowEditsUndoRedoReopen() {
    ObjectManager *m = w_->manager(2);
    QDialog *d = m->open_or_create("Admins", "default");
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("User Group Properties"));
    auto *in = d->findChild<QListWidget *>("members");
    auto *choices = d->findChild<QListWidget *>("choices");
    QCOMPARE(texts(in), (QStringList{"bob", "carol"}));
    QVERIFY(!texts(choices).contains("bob"));
    QVERIFY(!texts(choices).contains("Admins"));
    QVERIFY(texts(choices).contains("Staff"));
    const std::string before = dump();
    click(d, "apply"); // unchanged: nothing written, nothing to undo
    QCOMPARE(dump(), before);
    QVERIFY(!kx_edits().can_undo());

    select(choices, "dave");
    click(d, "addmember");
    select(in, "carol");
    click(d, "removemember");
    QCOMPARE(texts(in), (QStringList{"bob", "dave"}));
    QVERIFY(texts(choices).contains("carol"));
    d->findChild<QLineEdit *>("name")->setText("Managers");
    d->findChild<QLineEdit *>("comments")->setText("who signs");
    click(d, "apply");
    QVERIFY2(members("Managers") == (V{"bob", "dave"}), qPrintable(last()));
    QVERIFY(!KxSetRef(kxa_fetchgroup("Admins")));
    QCOMPARE(groups_of("bob"), (V{"Staff", "Managers"})); // in Admins' place
    QCOMPARE(groups_of("carol"), V{});
    QCOMPARE(kxa_check(), std::string());
    QVERIFY(kx_edits().can_undo());
    const std::string after = dump();

    trigger("undo");
    QCOMPARE(dump(), before);
    QCOMPARE(members("Admins"), (V{"bob", "carol"}));
    trigger("redo");
    QCOMPARE(dump(), after);

    // A refused member writes nothing: a loop made through another group.
    QDialog *staff = m->open_or_create("Staff", "default");
    QVERIFY(staff);
    select(staff->findChild<QListWidget *>("choices"), "Managers");
    click(staff, "addmember");
    click(staff, "ok");
    QCOMPARE(members("Staff").back(), std::string("Managers"));
    QVERIFY(!m->add_to_group({"Staff"}, "Managers"));
    QCOMPARE(last(), QString("Membership loop: Group Managers contained in group Staff"));
    trigger("undo");
    QCOMPARE(dump(), after);

    // A new group, stored by its first "Apply".
    QDialog *night = m->open_or_create("Night", "default");
    QVERIFY(night);
    select(night->findChild<QListWidget *>("choices"), "alice");
    click(night, "addmember");
    click(night, "ok");
    QVERIFY(!night->isVisible());
    QCOMPARE(members("Night"), (V{"alice"}));
    QVERIFY(members(KXA_ALL_GROUPS).back() == "Night");

    // The file holds every applied change.
    const std::string last_state = dump();
    kxa_db_close();
    QCOMPARE(kxa_db_init(1), 0);
    QCOMPARE(dump(), last_state);
    QCOMPARE(kxa_check(), std::string());
  }

  void managerAddToGroupAndRemove() {
    ObjectManager *m = w_->manager(2);
    KxSetRef tmpl(kxset::make(KxAtom("standard")));
    kxa_put(tmpl.get(), "type", "template");
    QCOMPARE(kxa_store(tmpl.get()), 0);
    const std::string before = dump();
    QVERIFY(m->add_to_group({"carol", "Admins"}, "Staff"));
    QCOMPARE(members("Staff"), (V{"alice", "bob", "dave", "carol", "Admins"}));
    QCOMPARE(groups_of("carol"), (V{"Admins", "Staff"}));
    const std::string added = dump();
    QVERIFY(!m->add_to_group({"dave", "standard"}, "Staff"));
    QCOMPARE(last(), QString("User Templates may not be added to groups"));
    QCOMPARE(dump(), added);
    trigger("undo");
    QCOMPARE(dump(), before);

    // Shown by group, "Remove" takes the member out of the group.
    auto *filter = m->findChild<QComboBox *>("filter");
    filter->setCurrentText("Admins");
    QCOMPARE(m->view()->model()->rowCount(), 2);
    unattended_.answer = 1; // Cancel
    QVERIFY(!m->remove("bob"));
    QCOMPARE(dump(), before);
    unattended_.answer = 0;
    QVERIFY(m->remove("bob"));
    QCOMPARE(members("Admins"), (V{"carol"}));
    QVERIFY(KxSetRef(kxa_fetchuser("bob")));
    QCOMPARE(m->view()->model()->rowCount(), 1);

    // Shown whole, "Remove" takes the user out of the database.
    filter->setCurrentIndex(0);
    QVERIFY(m->remove("carol"));
    QVERIFY(!KxSetRef(kxa_fetchuser("carol")));
    QCOMPARE(members("Admins"), V{});
    QCOMPARE(kxa_check(), std::string());
    trigger("undo");
    trigger("undo");
    QCOMPARE(dump(), before);
    trigger("redo");
    QCOMPARE(members("Admins"), (V{"carol"}));
  }
};

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  UsersTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "users_qtest.moc"
