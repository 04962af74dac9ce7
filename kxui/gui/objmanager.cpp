#include "kxui/gui/objmanager.h"

#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/rulemodel.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/users/group_props.h"
#include "kxui/users/kxa.h"
#include "kxu/report.h"
#include "kxu/text.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

// The members of a table (or the users), filtered by type, as a list.
class ObjectListModel : public QAbstractListModel {
public:
  explicit ObjectListModel(ObjList list, QObject *parent) : QAbstractListModel(parent), list_(list) {}

  int rowCount(const QModelIndex &parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  QVariant data(const QModelIndex &index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const kxset *obj = rows_[static_cast<size_t>(index.row())].get();
    if (role == Qt::DisplayRole) return QString::fromUtf8(kxobj_name(obj));
    if (role == Qt::ToolTipRole) return QString::fromUtf8(kxobj_get(obj, "type"));
    return {};
  }
  Qt::ItemFlags flags(const QModelIndex &index) const override {
    return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
  }
  QStringList mimeTypes() const override { return {KX_OBJECT_MIME}; }
  QMimeData *mimeData(const QModelIndexList &indexes) const override {
    QStringList names;
    for (const QModelIndex &i : indexes) names << data(i, Qt::DisplayRole).toString();
    auto *m = new QMimeData;
    m->setData(KX_OBJECT_MIME, names.join('\n').toUtf8());
    m->setText(names.join(' '));
    return m;
  }

  // `type` is a type to show, or empty for all; in the users list `group`
  // shows the members of that group instead.
  void reload(const QString &type, const QString &group = {}) {
    beginResetModel();
    rows_.clear();
    if (list_ == ObjList::users) {
      all_users_ = KxSetRef(kxa_db() ? kxa_fetch_all() : nullptr);
      KxSetRef shown(group.isEmpty() || !kxa_db() ? nullptr : kxa_fetchgroup(group.toStdString()));
      const std::vector<std::string> members = kxa_members_of(shown.get());
      for (const char *part : {"users", "groups"})
        if (kxset *l = all_users_ ? all_users_->get(KxAtom(part)) : nullptr)
          for (int i = 0, n = l->getnattr(); i < n; ++i) {
            kxset *obj = l->get(i);
            const bool in = group.isEmpty()
                                ? type.isEmpty() || kxu::ieq(kxobj_get(obj, "type"), type.toUtf8().constData())
                                : std::find(members.begin(), members.end(), obj->getname()) != members.end();
            if (in) rows_.emplace_back(obj);
          }
    } else {
      const kxset *table = list_ == ObjList::netobj ? kx_netobj : kx_services;
      for (int i = 0, n = table ? table->getnattr() : 0; i < n; ++i) {
        kxset *obj = table->get(i);
        if (table->getattrnamea(i) != KxAtom::null() || !obj) continue;
        if (type.isEmpty() || kxu::ieq(kxobj_get(obj, "type"), type.toUtf8().constData()))
          rows_.emplace_back(obj);
      }
    }
    endResetModel();
  }
  kxset *find(const std::string &name) const {
    for (const KxSetRef &r : rows_)
      if (kxu::ieq(kxobj_name(r.get()), name.c_str())) return r.get();
    return nullptr;
  }

private:
  ObjList list_;
  std::vector<KxSetRef> rows_;
  KxSetRef all_users_;
};

namespace {

const char *manager_title(ObjList list) {
  switch (list) {
  case ObjList::netobj:
    return "Network Objects";
  case ObjList::services:
    return "Services";
  case ObjList::users:
    break;
  }
  return "Users";
}

QStringList manager_types(ObjList list) {
  switch (list) {
  case ObjList::netobj:
    return {"host", "gateway", "router", "network", "domain", "group"};
  case ObjList::services:
    return {"tcp", "udp", "rpc", "icmp", "other", "group"};
  case ObjList::users:
    break;
  }
  return {"user", "usrgroup", "template"};
}

kxset *table_of(ObjList list) { return list == ObjList::services ? kx_services : kx_netobj; }

bool kept_group(const std::string &name) {
  return name == KXA_ALL_USERS || name == KXA_ALL_GROUPS || name == KXA_ALL_TEMPLATES;
}

// The user groups of the database, kept groups left out, in its order.
std::vector<std::string> user_group_names() {
  std::vector<std::string> out;
  KxSetRef all(kxa_db() ? kxa_fetch_all() : nullptr);
  const kxset *groups = all ? all->get(KxAtom("groups")) : nullptr;
  for (int i = 0; groups && i < groups->getnattr(); ++i)
    if (const std::string n = groups->get(i)->getname(); !kept_group(n)) out.push_back(n);
  return out;
}

// The same as a list the object chooser takes.
kxset *user_group_list() {
  kxset *list = kxset::make();
  for (const std::string &n : user_group_names()) list->append(KxAtom::null(), kxset::make(KxAtom(n)));
  return list;
}

} // namespace

ObjectManager::ObjectManager(ObjList list, QWidget *parent) : QDialog(parent), list_(list) {
  // The users manager works on the installation's user database (made when
  // there is none yet).
  if (list == ObjList::users && !kxa_db() && kxa_db_init(1) != 0)
    error(0, 0, "The user database %s cannot be opened", kxa_get_dbname(1).c_str());
  setObjectName(window_file_name(manager_title(list)));
  setWindowTitle(manager_title(list));
  auto *layout = new QVBoxLayout(this);
  filter_ = new QComboBox;
  filter_->setObjectName("filter");
  filter_->addItem("");
  filter_->addItems(manager_types(list));
  auto *top = new QHBoxLayout;
  top->addWidget(new QLabel("Show:"));
  top->addWidget(filter_, 1);
  layout->addLayout(top);

  model_ = new ObjectListModel(list, this);
  view_ = new QListView;
  view_->setObjectName("objects");
  view_->setModel(model_);
  view_->setUniformItemSizes(true);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setDragEnabled(true);
  view_->setDragDropMode(QAbstractItemView::DragOnly);
  layout->addWidget(view_, 1);

  name_ = new QLineEdit;
  name_->setObjectName("name");
  type_ = new QComboBox;
  type_->setObjectName("create");
  type_->addItem("default");
  type_->addItems(manager_types(list));
  auto *row = new QHBoxLayout;
  row->addWidget(new QLabel("Name:"));
  row->addWidget(name_, 1);
  row->addWidget(type_);
  layout->addLayout(row);

  auto *box = new QDialogButtonBox;
  auto add = [&](const char *text, std::function<void()> fn) {
    QPushButton *b = box->addButton(text, QDialogButtonBox::ActionRole);
    b->setObjectName(QString(text).toLower().remove(' ').remove('.'));
    connect(b, &QPushButton::clicked, this, [fn = std::move(fn)] { fn(); });
  };
  add("Open/Create", [this] { open_or_create(name_->text().trimmed(), type_->currentText()); });
  add("Add to Group ...", [this] {
    const QStringList names = selected_names();
    if (names.isEmpty()) return;
    KxSetRef group_list(list_ == ObjList::users ? user_group_list() : kxobj_getlist(table_of(list_), "type", "group"));
    const QStringList groups = choose_objects(this, group_list.get(), "Add to Group");
    if (!groups.isEmpty()) add_to_group(names, groups.front());
  });
  add("Remove", [this] {
    for (const QString &n : selected_names()) remove(n);
  });
  add("Where Used", [this] {
    const QStringList names = selected_names();
    show_where_used(parentWidget(), names.isEmpty() ? name_->text() : names.front());
  });
  add("Close", [this] { close(); });
  layout->addWidget(box);

  connect(name_, &QLineEdit::returnPressed, this,
          [this] { open_or_create(name_->text().trimmed(), type_->currentText()); });
  connect(view_, &QListView::activated, this, [this](const QModelIndex &i) {
    open_or_create(i.data().toString(), "default");
  });
  connect(filter_, &QComboBox::currentTextChanged, this, [this] { reload(); });
  setTabOrder(filter_, view_);
  setTabOrder(view_, name_);
  setTabOrder(name_, type_);
  resize(360, 480);
  reload();
}

void ObjectManager::reload() {
  if (list_ == ObjList::users) {
    // The filter offers the types, then each group (its members).
    const QString current = filter_->currentText();
    const bool was_group = filter_->currentData().toString() == "group";
    filter_->blockSignals(true);
    for (int i = filter_->count() - 1; i >= 0; --i)
      if (filter_->itemData(i).toString() == "group") filter_->removeItem(i);
    for (const std::string &g : user_group_names()) filter_->addItem(QString::fromStdString(g), "group");
    const int at = was_group ? filter_->findText(current) : filter_->currentIndex();
    filter_->setCurrentIndex(at < 0 ? 0 : at);
    filter_->blockSignals(false);
  }
  model_->reload(shown_group().isEmpty() ? filter_->currentText() : QString(), shown_group());
}

QString ObjectManager::shown_group() const {
  return filter_->currentData().toString() == "group" ? filter_->currentText() : QString();
}

QStringList ObjectManager::selected_names() const {
  QStringList out;
  for (const QModelIndex &i : view_->selectionModel()->selectedIndexes()) out << i.data().toString();
  return out;
}

UserNames ObjectManager::users() const {
  UserNames u;
  if (!kxa_db()) return u;
  // Fetched records are new sets: the manager keeps them while it lives.
  auto kept = fetched_;
  u.find = [kept](const std::string &name) -> kxset * {
    kxset *found = kxa_fetchuser(name);
    if (!found) found = kxa_fetchgroup(name);
    if (found) kept->emplace_back(found);
    return found;
  };
  u.is_template = [](const kxset *obj) { return is_template(obj) != 0; };
  return u;
}

QDialog *ObjectManager::open_or_create(const QString &name, const QString &requested) {
  const EditCreate r = kxobj_editcreate(name.toStdString(), requested.toStdString(), list_, users());
  if (r.kind == EditCreate::refuse) {
    error(0, 0, "%s", r.message.c_str());
    return nullptr;
  }
  if (list_ == ObjList::users) {
    KxSetRef held(r.obj);
    if (is_user(r.obj) || is_template(r.obj))
      return open_user_window(parentWidget(), r.obj, r.kind == EditCreate::create, users());
    return open_group_window(parentWidget(), r.obj, r.kind == EditCreate::create, users());
  }
  return open_object_window(parentWidget(), r.obj, table_of(list_), r.kind == EditCreate::create, users());
}

bool ObjectManager::add_to_group(const QStringList &names, const QString &group) {
  if (list_ == ObjList::users) {
    std::vector<std::string> chosen;
    for (const QString &n : names) chosen.push_back(n.toStdString());
    const std::string target = group.toStdString();
    auto change = usrgroup_add_members(target, chosen);
    if (!change) return false;
    push_users_change("Add to Group " + target, *change);
    reload();
    return true;
  }
  kxset *table = table_of(list_);
  kxset *target = kxobj_member(table, group.toUtf8().constData());
  if (!target || !is_group(target)) {
    error(0, 0, "%s: not a group", group.toUtf8().constData());
    return false;
  }
  std::vector<kxset *> chosen;
  for (const QString &n : names)
    if (kxset *o = kxobj_member(table, n.toUtf8().constData()); o && o != target) chosen.push_back(o);
  if (auto refused = check_add_objects(target, chosen, list_, users())) {
    error(0, 0, "%s", refused->c_str());
    return false;
  }
  edit_object("Add to Group", target, [&](kxset *g) { return !notify_add_objects(g, chosen, list_, users()); });
  reload();
  return true;
}

bool ObjectManager::remove(const QString &name) {
  if (list_ == ObjList::users) {
    const std::string n = name.toStdString(), group = shown_group().toStdString();
    std::optional<KxaChange> change;
    std::string label;
    if (!group.empty()) {
      if (kx_ask("Remove %s from group %s?", n.c_str(), group.c_str())) return false;
      change = usrgroup_remove_members(group, {n});
      label = "Remove " + n + " from " + group;
    } else {
      KxSetRef user(kxa_db() ? kxa_fetchuser(n) : nullptr);
      if (kx_ask(user ? "Remove %s?" : "Remove group %s?\nIts members stay in the user database.", n.c_str()))
        return false;
      change = users_remove(n);
      label = "Remove " + n;
    }
    if (change) push_users_change(label, *change);
    reload();
    return change.has_value();
  }
  kxset *table = table_of(list_);
  kxset *obj = kxobj_member(table, name.toUtf8().constData());
  if (!obj) return false;
  if (kx_ask("Remove %s?", kxobj_name(obj))) return false;
  const bool done = edit_remove_object(std::string("Remove ") + kxobj_name(obj), table, obj);
  reload();
  if (MainWindow *w = kx_basewin()) w->refresh();
  return done;
}
