// "User Group Properties": a user group of the user database over GroupWindow,
// which holds the values and "Apply"; the members are chosen from the users
// and groups of the database. An applied change is one edit of the undo
// stack.
#include "kxui/gui/dialogs.h"

#include "kxui/editor/edits.h"
#include "kxui/editor/form.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/objmanager.h"
#include "kxui/users/group_props.h"
#include "kxui/users/kxa.h"
#include "kxu/report.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

void users_changed() {
  if (MainWindow *w = kx_basewin()) w->manager(static_cast<int>(ObjList::users))->reload();
}

std::vector<std::string> names_of(const QListWidget *l) {
  std::vector<std::string> out;
  for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
  return out;
}

// The controls of the window.
struct GroupPage {
  QLineEdit *name, *comments;
  QComboBox *colour;
  QListWidget *choices, *members;
  std::vector<std::string> offered; // what may join, in the database's order

  // The choices are what may join and is not a member yet.
  void fill_choices() {
    const std::vector<std::string> in = names_of(members);
    choices->clear();
    for (const std::string &n : offered)
      if (std::find(in.begin(), in.end(), n) == in.end()) choices->addItem(q(n));
  }

  void show(const GroupValues &v, const std::string &stored_name) {
    name->setText(q(v.name));
    comments->setText(q(v.comments));
    select_choice(colour, q(v.color));
    members->clear();
    for (const std::string &m : v.members) members->addItem(q(m));
    offered = group_member_choices(stored_name);
    fill_choices();
  }

  GroupValues values() const {
    GroupValues v;
    v.name = name->text().trimmed().toStdString();
    v.comments = comments->text().toStdString();
    v.color = colour->currentText().toStdString();
    v.members = names_of(members);
    return v;
  }

  void add_selected() {
    for (QListWidgetItem *item : choices->selectedItems()) members->addItem(item->text());
    fill_choices();
  }
  void remove_selected() {
    qDeleteAll(members->selectedItems());
    fill_choices();
  }
};

QWidget *member_lists(GroupPage &p, QPushButton *&add, QPushButton *&remove) {
  auto *box = new QWidget;
  auto *row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  auto column = [&](const char *title, const char *name, QListWidget *&list) {
    auto *col = new QVBoxLayout;
    col->addWidget(new QLabel(title));
    list = new QListWidget;
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    col->addWidget(list, 1);
    row->addLayout(col, 1);
  };
  column("Users and Groups", "choices", p.choices);
  auto *middle = new QVBoxLayout;
  add = new QPushButton("Add >");
  add->setObjectName("addmember");
  remove = new QPushButton("< Remove");
  remove->setObjectName("removemember");
  middle->addStretch(1);
  middle->addWidget(add);
  middle->addWidget(remove);
  middle->addStretch(1);
  row->addLayout(middle);
  column("In Group", "members", p.members);
  return box;
}

} // namespace

void push_users_change(const std::string &label, const KxaChange &change) {
  if (change.empty()) return;
  kx_edits().push({label,
                   [change] {
                     kxa_change_put(change, false);
                     users_changed();
                   },
                   [change] {
                     kxa_change_put(change, true);
                     users_changed();
                   }});
}

QDialog *open_group_window(QWidget *parent, kxset *record, bool is_new, const UserNames &users) {
  auto *d = new QDialog(parent);
  d->setObjectName("user_group_properties");
  d->setWindowTitle("User Group Properties");
  d->setAttribute(Qt::WA_DeleteOnClose);
  auto model = std::make_shared<GroupWindow>(record, is_new);
  auto p = std::make_shared<GroupPage>();

  auto *layout = new QVBoxLayout(d);
  auto *form = new QFormLayout;
  p->name = new QLineEdit;
  p->name->setObjectName("name");
  p->comments = new QLineEdit;
  p->comments->setObjectName("comments");
  p->colour = new QComboBox;
  p->colour->setObjectName("color");
  p->colour->addItem("");
  for (const std::string &c : colour_labels()) p->colour->addItem(q(c));
  form->addRow("Name:", p->name);
  form->addRow("Comments", p->comments);
  form->addRow("Color:", p->colour);
  layout->addLayout(form);
  QPushButton *add = nullptr, *remove = nullptr;
  layout->addWidget(member_lists(*p, add, remove), 1);
  QObject::connect(add, &QPushButton::clicked, d, [p] { p->add_selected(); });
  QObject::connect(remove, &QPushButton::clicked, d, [p] { p->remove_selected(); });
  QObject::connect(p->choices, &QListWidget::itemActivated, d, [p] { p->add_selected(); });
  QObject::connect(p->members, &QListWidget::itemActivated, d, [p] { p->remove_selected(); });

  GroupHooks hooks;
  KxSetRef held(record);
  hooks.name_taken = [users, held](const std::string &name) { return name_in_use(name, held.get(), users); };
  auto apply = [p, model, hooks]() -> bool {
    if (model->apply(p->values(), hooks) != GroupWindow::Outcome::applied) return false;
    if (model->change().empty()) return true; // nothing changed
    push_users_change("Group " + model->stored_name(), model->change());
    p->show(model->shown(), model->stored_name());
    kx_message("%s applied", model->stored_name().c_str());
    users_changed();
    return true;
  };
  auto *box = new QDialogButtonBox;
  auto button = [&](const QString &text, QDialogButtonBox::ButtonRole role, std::function<void()> fn) {
    QPushButton *b = box->addButton(text, role);
    b->setObjectName(text.toLower());
    QObject::connect(b, &QPushButton::clicked, d, [fn = std::move(fn)] { fn(); });
  };
  button("OK", QDialogButtonBox::AcceptRole, [d, apply] {
    if (apply()) d->close();
  });
  button("Apply", QDialogButtonBox::ApplyRole, [apply] { apply(); });
  button("Cancel", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);

  p->show(model->shown(), is_new ? "" : model->stored_name());
  QWidget::setTabOrder(p->name, p->comments);
  QWidget::setTabOrder(p->comments, p->colour);
  QWidget::setTabOrder(p->colour, p->choices);
  QWidget::setTabOrder(p->choices, add);
  QWidget::setTabOrder(add, remove);
  QWidget::setTabOrder(remove, p->members);
  d->resize(460, 420);
  d->show();
  return d;
}
