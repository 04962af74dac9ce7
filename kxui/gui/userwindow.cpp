// "User Properties": the pages of a user or template over UserWindow, which
// holds the values, the S/Key chain and "Apply"; an applied change is one
// edit of the undo stack.
#include "kxui/gui/dialogs.h"

#include "kxui/editor/edits.h"
#include "kxui/editor/form.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/objmanager.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/users/kxa.h"
#include "kxui/users/user_props.h"
#include "kxu/report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

QLineEdit *line(const char *name) {
  auto *e = new QLineEdit;
  e->setObjectName(name);
  return e;
}

// A list of checkable names: the user's groups.
QListWidget *check_list(const char *name, const std::vector<std::string> &names) {
  auto *l = new QListWidget;
  l->setObjectName(name);
  for (const std::string &n : names) {
    auto *item = new QListWidgetItem(q(n), l);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  return l;
}

void set_checked(QListWidget *l, const std::vector<std::string> &names) {
  for (int i = 0; i < l->count(); ++i) {
    auto *item = l->item(i);
    const bool on = std::find(names.begin(), names.end(), item->text().toStdString()) != names.end();
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  for (const std::string &n : names) // a name the list lacks is shown, not lost
    if (l->findItems(q(n), Qt::MatchExactly).isEmpty()) {
      auto *item = new QListWidgetItem(q(n), l);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Checked);
    }
}

std::vector<std::string> checked(const QListWidget *l) {
  std::vector<std::string> out;
  for (int i = 0; i < l->count(); ++i)
    if (l->item(i)->checkState() == Qt::Checked) out.push_back(l->item(i)->text().toStdString());
  return out;
}

std::vector<std::string> items(const QListWidget *l) {
  std::vector<std::string> out;
  for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
  return out;
}

// "Allowed Sources" / "Allowed Destinations": network objects, none = Any.
QWidget *object_list(QWidget *parent, const char *title, QListWidget *&list) {
  auto *box = new QWidget;
  auto *layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(title));
  list = new QListWidget;
  list->setObjectName(QString(title).toLower().replace(' ', '_'));
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  layout->addWidget(list, 1);
  auto *row = new QHBoxLayout;
  auto *add = new QPushButton("Add ...");
  auto *remove = new QPushButton("Remove");
  row->addWidget(add);
  row->addWidget(remove);
  layout->addLayout(row);
  QListWidget *l = list;
  QObject::connect(add, &QPushButton::clicked, box, [parent, l, title] {
    for (const QString &n : choose_objects(parent, kx_netobj, title))
      if (n != "Any" && l->findItems(n, Qt::MatchExactly).isEmpty()) l->addItem(n);
  });
  QObject::connect(remove, &QPushButton::clicked, box, [l] { qDeleteAll(l->selectedItems()); });
  return box;
}

std::vector<std::string> user_groups() {
  std::vector<std::string> out;
  KxSetRef all(kxa_db() ? kxa_fetch_all() : nullptr);
  const kxset *groups = all ? all->get(KxAtom("groups")) : nullptr;
  for (int i = 0; groups && i < groups->getnattr(); ++i) {
    const std::string n = groups->get(i)->getname();
    if (n != KXA_ALL_USERS && n != KXA_ALL_GROUPS && n != KXA_ALL_TEMPLATES) out.push_back(n);
  }
  return out;
}

std::vector<std::string> user_templates() {
  KxSetRef g(kxa_db() ? kxa_fetchgroup(KXA_ALL_TEMPLATES) : nullptr);
  return kxa_members_of(g.get());
}

// The controls of every page.
struct UserPages {
  QLineEdit *name, *comments, *expiration, *from, *to;
  QComboBox *colour, *templ = nullptr, *scheme, *gateway;
  QListWidget *groups, *sources, *destinations;
  std::vector<QCheckBox *> days;
  QStackedWidget *scheme_pages;
  QLineEdit *seed, *secret, *number, *passwd;

  void show(const UserValues &v) {
    name->setText(q(v.name));
    comments->setText(q(v.comments));
    expiration->setText(q(v.expiration_date));
    from->setText(q(v.fromhour));
    to->setText(q(v.tohour));
    select_choice(colour, q(v.color));
    set_checked(groups, v.groups);
    sources->clear();
    for (const std::string &s : v.sources) sources->addItem(q(s));
    destinations->clear();
    for (const std::string &s : v.destinations) destinations->addItem(q(s));
    for (size_t i = 0; i < days.size(); ++i) {
      const std::string &d = user_day_names()[i];
      days[i]->setChecked(std::find(v.days.begin(), v.days.end(), d) != v.days.end());
    }
    select_choice(scheme, q(v.auth_method)); // kept as stored; "Apply" names it unknown
    seed->setText(q(v.skey_seed));
    secret->setText(q(v.secret));
    number->setText(q(v.skey_number));
    passwd->setText(q(v.skey_passwd));
    select_choice(gateway, q(v.skey_gateway));
  }

  UserValues values() const {
    UserValues v;
    v.name = name->text().trimmed().toStdString();
    v.comments = comments->text().toStdString();
    v.color = colour->currentText().toStdString();
    v.expiration_date = expiration->text().toStdString();
    v.fromhour = from->text().toStdString();
    v.tohour = to->text().toStdString();
    v.groups = checked(groups);
    v.sources = items(sources);
    v.destinations = items(destinations);
    for (size_t i = 0; i < days.size(); ++i)
      if (days[i]->isChecked()) v.days.push_back(user_day_names()[i]);
    v.auth_method = scheme->currentText().toStdString();
    v.skey_seed = seed->text().toStdString();
    v.secret = secret->text().toStdString();
    v.skey_number = number->text().toStdString();
    v.skey_passwd = passwd->text().trimmed().toStdString();
    v.skey_gateway = gateway->currentText().toStdString();
    return v;
  }
};

QWidget *general_page(UserPages &p, bool offer_templates) {
  auto *page = new QWidget;
  auto *form = new QFormLayout(page);
  p.name = line("name");
  p.comments = line("comments");
  p.colour = new QComboBox;
  p.colour->setObjectName("color");
  p.colour->addItem("");
  for (const std::string &c : colour_labels()) p.colour->addItem(q(c));
  p.expiration = line("expiration_date");
  p.expiration->setPlaceholderText("never (dd-mmm-yy)");
  form->addRow("Name:", p.name);
  if (offer_templates) {
    p.templ = new QComboBox;
    p.templ->setObjectName("template");
    p.templ->addItem("");
    for (const std::string &t : user_templates()) p.templ->addItem(q(t));
    form->addRow("Template:", p.templ);
  }
  form->addRow("Comments", p.comments);
  form->addRow("Color:", p.colour);
  form->addRow("Expiration Date:", p.expiration);
  return page;
}

QWidget *time_page(UserPages &p) {
  auto *page = new QWidget;
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("<b>Active Days & Hours</b>"));
  auto *days = new QHBoxLayout;
  for (const std::string &d : user_day_names()) {
    auto *c = new QCheckBox(q(d));
    c->setObjectName("day_" + q(d).toLower());
    p.days.push_back(c);
    days->addWidget(c);
  }
  layout->addLayout(days);
  auto *form = new QFormLayout;
  p.from = line("fromhour");
  p.to = line("tohour");
  form->addRow("From:", p.from);
  form->addRow("To:", p.to);
  layout->addLayout(form);
  layout->addStretch(1);
  return page;
}

QWidget *skey_page(UserPages &p) {
  auto *page = new QWidget;
  auto *form = new QFormLayout(page);
  form->addRow(new QLabel("<b>S/Key Authentication</b>"));
  p.seed = line("SKEY_seed");
  p.secret = line("secret");
  p.secret->setEchoMode(QLineEdit::Password);
  p.number = line("SKEY_number");
  p.passwd = line("SKEY_passwd");
  p.gateway = new QComboBox;
  p.gateway->setObjectName("SKEY_gateway");
  p.gateway->addItem("");
  KxSetRef gateways(kxobj_getlist(kx_netobj, "type", "gateway"));
  for (const std::string &g : kxobj_names(gateways.get())) p.gateway->addItem(q(g));
  form->addRow("Seed:", p.seed);
  form->addRow("Secret Key:", p.secret);
  form->addRow("Chain Length:", p.number);
  form->addRow("S/Key Password:", p.passwd);
  form->addRow("Installed On:", p.gateway);
  return page;
}

QWidget *auth_page(UserPages &p, QWidget *&skey_buttons) {
  auto *page = new QWidget;
  auto *layout = new QVBoxLayout(page);
  auto *form = new QFormLayout;
  p.scheme = new QComboBox;
  p.scheme->setObjectName("auth_method");
  for (const std::string &s : user_schemes()) p.scheme->addItem(q(s));
  form->addRow("Scheme:", p.scheme);
  layout->addLayout(form);
  p.scheme_pages = new QStackedWidget;
  p.scheme_pages->setObjectName("scheme_pages");
  for (const std::string &s : user_schemes()) {
    if (s == "S/Key") {
      p.scheme_pages->addWidget(skey_page(p));
      continue;
    }
    auto *l = new QLabel("<b>" + q(user_scheme_page(s)) + "</b>");
    l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    p.scheme_pages->addWidget(l);
  }
  layout->addWidget(p.scheme_pages, 1);
  skey_buttons = new QWidget;
  layout->addWidget(skey_buttons);
  QStackedWidget *pages = p.scheme_pages;
  QWidget *buttons = skey_buttons;
  QObject::connect(p.scheme, &QComboBox::currentIndexChanged, page, [pages, buttons](int i) {
    const bool known = i < pages->count();
    pages->setCurrentIndex(known ? i : 0);
    buttons->setVisible(i == 1);
  });
  return page;
}

// Shows the other managers' lists again after the database changed.
void users_changed() {
  if (MainWindow *w = kx_basewin()) w->manager(static_cast<int>(ObjList::users))->reload();
}

} // namespace

QDialog *open_user_window(QWidget *parent, kxset *record, bool is_new, const UserNames &users) {
  auto *d = new QDialog(parent);
  d->setObjectName("user_properties");
  d->setWindowTitle(is_template(record) ? "Template Properties" : "User Properties");
  d->setAttribute(Qt::WA_DeleteOnClose);
  auto model = std::make_shared<UserWindow>(record, is_new);
  auto p = std::make_shared<UserPages>();

  auto *layout = new QVBoxLayout(d);
  auto *tabs = new QTabWidget;
  tabs->setObjectName("pages");
  tabs->addTab(general_page(*p, is_new && !is_template(record)), "General");
  p->groups = check_list("groups", user_groups());
  tabs->addTab(p->groups, "Groups");
  auto *location = new QWidget;
  auto *loc = new QHBoxLayout(location);
  loc->addWidget(object_list(d, "Allowed Sources", p->sources));
  loc->addWidget(object_list(d, "Allowed Destinations", p->destinations));
  tabs->addTab(location, "Location");
  tabs->addTab(time_page(*p), "Time");
  QWidget *skey_buttons = nullptr;
  tabs->addTab(auth_page(*p, skey_buttons), "Authentication");
  layout->addWidget(tabs, 1);

  auto *sk = new QHBoxLayout(skey_buttons);
  sk->setContentsMargins(0, 0, 0, 0);
  auto *generate = new QPushButton("Generate");
  generate->setObjectName("generate");
  auto *save = new QPushButton("Save Chain...");
  save->setObjectName("savechain");
  sk->addWidget(generate);
  sk->addWidget(save);
  sk->addStretch(1);
  QObject::connect(generate, &QPushButton::clicked, d, [p, model] {
    UserValues v = p->values();
    model->generate(v);
    p->secret->setText(q(v.secret));
    p->number->setText(q(v.skey_number));
    p->passwd->setText(q(v.skey_passwd));
    p->passwd->setCursorPosition(0);
  });
  QObject::connect(save, &QPushButton::clicked, d, [d, p, model] {
    const UserValues v = p->values();
    if (model->chain().empty()) { // the model says why
      model->save_chain("");
      return;
    }
    const QString path = QFileDialog::getSaveFileName(
        d, QString("Saving S/Key Chain for %1").arg(q(v.name)),
        q(model->chain_directory() + "/" + model->chain_file_name(v)));
    if (!path.isEmpty()) model->save_chain(path.toStdString());
  });

  p->show(model->shown());
  skey_buttons->setVisible(p->scheme->currentIndex() == 1);
  if (p->templ)
    QObject::connect(p->templ, &QComboBox::currentTextChanged, d, [p, record](const QString &t) {
      KxSetRef templ(t.isEmpty() ? nullptr : kxa_fetchuser(t.toStdString()));
      if (!templ) return;
      KxSetRef filled(kxsetcopy(record, -1));
      user_from_template(filled.get(), templ.get());
      UserValues v = user_values(filled.get());
      v.name = p->values().name;
      p->show(v);
    });

  UserHooks hooks;
  KxSetRef held(record);
  hooks.name_taken = [users, held](const std::string &name) { return name_in_use(name, held.get(), users); };
  hooks.gateway_exists = [](const std::string &name) {
    return kxobj_member(kx_netobj, name.c_str()) != nullptr;
  };
  auto apply = [p, model, hooks]() -> bool {
    if (!kxa_db()) {
      error(0, 0, "No user database is open");
      return false;
    }
    const UserWindow::Outcome o = model->apply(p->values(), hooks);
    if (o != UserWindow::Outcome::applied) return false;
    KxSetRef before = model->before(), after = model->after();
    if (before && after && before.get() == after.get()) return true; // nothing changed
    kx_edits().push({std::string("User ") + after->getname(),
                     [before, after] {
                       user_record_replace(after.get(), before.get());
                       users_changed();
                     },
                     [before, after] {
                       user_record_replace(before.get(), after.get());
                       users_changed();
                     }});
    p->show(model->shown());
    kx_message("%s applied", after->getname());
    users_changed();
    return true;
  };
  auto *box = new QDialogButtonBox;
  auto add = [&](const QString &text, QDialogButtonBox::ButtonRole role, std::function<void()> fn) {
    QPushButton *b = box->addButton(text, role);
    b->setObjectName(text.toLower().remove(' '));
    QObject::connect(b, &QPushButton::clicked, d, [fn = std::move(fn)] { fn(); });
  };
  add("OK", QDialogButtonBox::AcceptRole, [d, apply] {
    if (apply()) d->close();
  });
  add("Apply", QDialogButtonBox::ApplyRole, [apply] { apply(); });
  add("Cancel", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->resize(460, 420);
  d->show();
  return d;
}
