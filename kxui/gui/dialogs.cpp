#include "kxui/gui/dialogs.h"

#include "kxui/analysis/where.h"
#include "kxui/compiler/driver.h"
#include "kxui/editor/control_props.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/iftable.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/qtloop.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"
#include "kxui/status/devinfo.h"
#include "kxu/report.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStackedWidget>
#include <QStringListModel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QDialog *new_window(QWidget *parent, const QString &title) {
  const QString name = window_file_name(title);
  if (parent)
    if (auto *old = parent->findChild<QDialog *>(name, Qt::FindDirectChildrenOnly)) delete old;
  auto *d = new QDialog(parent);
  d->setObjectName(name);
  d->setWindowTitle(title);
  d->setAttribute(Qt::WA_DeleteOnClose);
  return d;
}

QPushButton *button(QDialogButtonBox *box, const QString &text, QDialogButtonBox::ButtonRole role,
                    std::function<void()> fn) {
  QPushButton *b = box->addButton(text, role);
  b->setObjectName(text.toLower().remove(' ').remove('.'));
  QObject::connect(b, &QPushButton::clicked, b, [fn = std::move(fn)] { fn(); });
  return b;
}

void refresh_base() {
  if (MainWindow *w = kx_basewin()) w->refresh();
}

// A setup window of a router (Cisco or Wellfleet) over the same object.
void open_router_setup(QWidget *parent, kxset *router, ObjKind kind) {
  const Form &form = obj_form(kind);
  QDialog *d = new_window(parent, QString::fromStdString(form.title));
  auto *layout = new QVBoxLayout(d);
  auto *fw = new FormWidget(form, d);
  layout->addWidget(fw);
  KxSetRef held(router);
  auto reset = [fw, held, kind] { fw->set_values(form_read(fw->form(), obj_form_target(kind, held.get(), false))); };
  reset();
  auto *box = new QDialogButtonBox;
  button(box, "Apply", QDialogButtonBox::ApplyRole, [fw, held, kind] {
    std::optional<std::string> refused;
    edit_object(fw->form().title, held.get(), [&](kxset *obj) {
      refused = obj_apply(kind, obj, fw->values());
      return !refused;
    });
    if (refused) error(0, 0, "%s", refused->c_str());
  });
  button(box, "Reset", QDialogButtonBox::ResetRole, reset);
  button(box, "Close", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->show();
}

} // namespace

QDialog *show_text_window(QWidget *parent, const QString &title, const QString &text) {
  QDialog *d = new_window(parent, title);
  auto *layout = new QVBoxLayout(d);
  auto *edit = new QPlainTextEdit(text);
  edit->setObjectName("text");
  edit->setReadOnly(true);
  edit->setFont(QFont("Monospace"));
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(edit);
  auto *box = new QDialogButtonBox;
  button(box, "Close", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->resize(760, 520);
  d->show();
  return d;
}

QDialog *open_control_properties(QWidget *parent) {
  QDialog *d = new_window(parent, "Brenmark Control Properties");
  auto *layout = new QVBoxLayout(d);
  auto *categories = new QComboBox;
  categories->setObjectName("categories");
  auto *pages = new QStackedWidget;
  std::vector<FormWidget *> forms;
  for (const Form &page : control_pages()) {
    categories->addItem(QString::fromStdString(page.title));
    auto *fw = new FormWidget(page);
    fw->setObjectName(window_file_name(QString::fromStdString(page.title)));
    fw->set_values(form_read(page, control_props_set()));
    pages->addWidget(fw);
    forms.push_back(fw);
  }
  auto *top = new QHBoxLayout;
  top->addWidget(new QLabel("Categories:"));
  top->addWidget(categories, 1);
  layout->addLayout(top);
  layout->addWidget(pages);
  QObject::connect(categories, &QComboBox::currentIndexChanged, pages, &QStackedWidget::setCurrentIndex);
  auto *box = new QDialogButtonBox;
  button(box, "Apply", QDialogButtonBox::ApplyRole, [pages] {
    auto *fw = static_cast<FormWidget *>(pages->currentWidget());
    std::optional<std::string> refused;
    edit_object("Control Properties", control_props_set(), [&](kxset *props) {
      refused = control_page_apply(fw->form(), props, fw->values());
      return !refused;
    });
    if (refused) error(0, 0, "%s", refused->c_str());
    else kx_message("%s applied", fw->form().title.c_str());
  });
  button(box, "Reset", QDialogButtonBox::ResetRole, [pages] {
    auto *fw = static_cast<FormWidget *>(pages->currentWidget());
    fw->set_values(form_read(fw->form(), control_props_set()));
  });
  button(box, "Close", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->show();
  return d;
}

QDialog *open_object_window(QWidget *parent, kxset *obj, kxset *table, bool is_new, const UserNames &users) {
  const std::optional<ObjKind> kind = obj_kind(obj);
  if (!kind) {
    error(0, 0, "%s: no property window for type '%s'", kxobj_name(obj), kxobj_get(obj, "type"));
    return nullptr;
  }
  const Form &form = obj_form(*kind);
  QDialog *d = new_window(parent, QString::fromStdString(form.title));
  auto *layout = new QVBoxLayout(d);
  auto *fw = new FormWidget(form, d);
  layout->addWidget(fw);
  KxSetRef held(obj), tab(table);
  auto fresh = std::make_shared<bool>(is_new);
  const ObjKind k = *kind;
  auto reset = [fw, held, k] { fw->set_values(form_read(fw->form(), obj_form_target(k, held.get(), false))); };
  reset();

  QListWidget *members = nullptr;
  if (k == ObjKind::group) {
    members = new QListWidget;
    members->setObjectName("members");
    members->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const std::string &m : kxobj_names(obj)) members->addItem(QString::fromStdString(m));
    layout->addWidget(new QLabel("Members:"));
    layout->addWidget(members);
  }
  QTableWidget *ifs = nullptr;
  if (k == ObjKind::host || k == ObjKind::router) {
    layout->addWidget(new QLabel("Network Interfaces"));
    ifs = interface_table(obj, k == ObjKind::router);
    layout->addWidget(ifs);
    layout->addWidget(interface_buttons(ifs, k == ObjKind::router));
  }
  auto *box = new QDialogButtonBox;
  if (k == ObjKind::host || k == ObjKind::router || k == ObjKind::network || k == ObjKind::rpc ||
      k == ObjKind::tcp || k == ObjKind::udp)
    button(box, "Get Address", QDialogButtonBox::ActionRole, [fw, k] {
      FormValues v = fw->values();
      std::string err;
      const int name_field = form_field(fw->form(), "");
      auto found = obj_lookup(k, v[static_cast<size_t>(name_field)], &err);
      if (!found) {
        error(0, 0, "%s", err.c_str());
        return;
      }
      for (const auto &[attr, value] : *found)
        if (int i = form_field(fw->form(), attr); i >= 0) v[static_cast<size_t>(i)] = value;
      fw->set_values(v);
    })->setText(k == ObjKind::host || k == ObjKind::router || k == ObjKind::network ? "Get Address" : "Get Number");
  if (k == ObjKind::router)
    button(box, "Router Setup ...", QDialogButtonBox::ActionRole, [d, fw, held] {
      const std::string vendor = fw->values()[static_cast<size_t>(form_field(fw->form(), "vendor"))];
      if (vendor == "Wellfleet") open_router_setup(d, held.get(), ObjKind::wellfleet);
      else if (vendor == "Cisco" || vendor.empty()) open_router_setup(d, held.get(), ObjKind::cisco);
      else error(0, 0, "No setup for routers of type %s", vendor.c_str());
    });
  if (ifs) {
    // The device is asked on a copy; its answer becomes one edit of the object.
    QPointer<QDialog> guard(d);
    auto fetch = [guard, held, ifs, k, reset](bool interfaces) {
      KxSetRef scratch(kxsetcopy(held.get(), 1));
      kx_message("%s: asking the device ...", kxobj_name(held.get()));
      auto done = [guard, held, scratch, ifs, k, reset, interfaces](kxset *, int failed) {
        if (failed) {
          kx_message("%s: SNMP %s failed", kxobj_name(held.get()), interfaces ? "Fetch" : "Info");
          return;
        }
        if (!interfaces) kx_snmp_makeinfo(scratch.get());
        edit_object(interfaces ? "SNMP Fetch" : "SNMP Info", held.get(), [&](kxset *obj) {
          kxobj_copyback(obj, scratch.get());
          return true;
        });
        if (guard) {
          reset();
          fill_interfaces(ifs, held.get(), k == ObjKind::router);
        }
        refresh_base();
        kx_message("%s: %s", kxobj_name(held.get()), interfaces ? "interfaces fetched" : "information fetched");
      };
      if (interfaces)
        kx_fetch_interfaces(gui_snmp(), scratch.get(), done, gui_device_options);
      else
        kx_fetch_info(gui_snmp(), scratch.get(), done, gui_device_options);
    };
    button(box, "SNMP Info ...", QDialogButtonBox::ActionRole, [fetch] { fetch(false); });
    button(box, "SNMP Fetch", QDialogButtonBox::ActionRole, [fetch] { fetch(true); });
  }
  if (members)
    button(box, "Remove From Group", QDialogButtonBox::ActionRole, [members, held] {
      const auto chosen = members->selectedItems();
      if (chosen.isEmpty()) return;
      edit_object("Remove From Group", held.get(), [&](kxset *group) {
        for (QListWidgetItem *item : chosen)
          if (kxset *m = kxobj_obj(group, item->text().toUtf8().constData())) kxobj_delete(group, m);
        return true;
      });
      for (QListWidgetItem *item : chosen) delete item;
      refresh_base();
    });
  button(box, "Apply", QDialogButtonBox::ApplyRole, [fw, held, tab, fresh, k, users, ifs] {
    const NameTaken taken = [users](const std::string &name, const kxset *self) {
      return name_in_use(name, self, users);
    };
    // The interface rows are checked with the form, before anything is written.
    const bool router = k == ObjKind::router;
    const std::vector<IfEntry> if_rows = ifs ? interface_rows(ifs, router) : std::vector<IfEntry>{};
    if (auto bad = ifs ? if_check(if_rows, router) : std::nullopt) {
      error(0, 0, "%s", bad->c_str());
      return;
    }
    std::optional<std::string> refused;
    if (*fresh) {
      refused = obj_apply(k, held.get(), fw->values(), taken);
      if (!refused && ifs) if_write(held.get(), if_rows);
      if (!refused) {
        edit_insert_object(std::string("New ") + kxobj_name(held.get()), tab.get(), held.get());
        *fresh = false;
      }
    } else {
      edit_object(fw->form().title, held.get(), [&](kxset *obj) {
        refused = obj_apply(k, obj, fw->values(), taken);
        if (!refused && ifs) if_write(obj, if_rows);
        return !refused;
      });
    }
    if (refused) {
      error(0, 0, "%s", refused->c_str());
      return;
    }
    if (ifs) fill_interfaces(ifs, held.get(), router);
    kx_message("%s applied", kxobj_name(held.get()));
    refresh_base();
  });
  button(box, "Reset", QDialogButtonBox::ResetRole, [reset, ifs, held, k] {
    reset();
    if (ifs) fill_interfaces(ifs, held.get(), k == ObjKind::router);
  });
  button(box, "Where Used", QDialogButtonBox::ActionRole, [d, held] {
    show_where_used(d, QString::fromUtf8(kxobj_name(held.get())));
  });
  button(box, "Close", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->show();
  return d;
}

QDialog *show_where_used(QWidget *parent, const QString &name) {
  QDialog *d = new_window(parent, "Where Used");
  auto *layout = new QVBoxLayout(d);
  auto *field = new QLineEdit(name);
  field->setObjectName("name");
  auto *list = new QListWidget;
  list->setObjectName("uses");
  layout->addWidget(new QLabel("Object or service:"));
  layout->addWidget(field);
  layout->addWidget(list);
  auto fill = [field, list] {
    list->clear();
    const std::string n = field->text().trimmed().toStdString();
    if (n.empty()) return;
    const rule_list rules = rmgr_collect();
    const char *file = file_getname();
    std::string err;
    auto w = kxan::where_used(n, {{file ? file : "rule base", rules_of(rules)}}, &err);
    if (!w) {
      list->addItem(QString::fromStdString(err));
      return;
    }
    for (const kxan::GroupUse &g : w->groups) {
      auto *item = new QListWidgetItem(QString("group %1 (%2)").arg(QString::fromStdString(g.group),
                                                                  QString::fromStdString(g.table)));
      item->setData(Qt::UserRole, QString::fromStdString(g.group));
      item->setData(Qt::UserRole + 1, QString::fromStdString(g.table));
      list->addItem(item);
    }
    for (const kxan::RuleUse &r : w->rules) {
      QString text = QString("rule %1, %2: %3").arg(r.rule).arg(QString::fromStdString(r.cell),
                                                                  QString::fromStdString(r.item));
      auto *item = new QListWidgetItem(text);
      item->setData(Qt::UserRole + 2, r.rule);
      list->addItem(item);
    }
    if (list->count() == 0) list->addItem("not used");
  };
  fill();
  QObject::connect(field, &QLineEdit::returnPressed, list, fill);
  auto jump = [d](QListWidgetItem *item) {
    if (int rule = item->data(Qt::UserRole + 2).toInt(); rule > 0) {
      if (MainWindow *w = kx_basewin()) w->jump_to_rule(rule);
      return;
    }
    const QString group = item->data(Qt::UserRole).toString();
    if (group.isEmpty()) return;
    kxset *table = item->data(Qt::UserRole + 1).toString() == "servobj" ? kx_services : kx_netobj;
    if (kxset *g = kxobj_member(table, group.toUtf8().constData())) open_object_window(d->parentWidget(), g, table, false);
  };
  QObject::connect(list, &QListWidget::itemActivated, list, jump);
  auto *box = new QDialogButtonBox;
  button(box, "Find", QDialogButtonBox::ActionRole, fill);
  button(box, "Close", QDialogButtonBox::RejectRole, [d] { d->close(); });
  layout->addWidget(box);
  d->resize(480, 360);
  d->show();
  return d;
}

QStringList choose_objects(QWidget *parent, const kxset *table, const QString &title) {
  QDialog d(parent);
  d.setObjectName("chooser");
  d.setWindowTitle(title);
  auto *layout = new QVBoxLayout(&d);
  auto *filter = new QLineEdit;
  filter->setPlaceholderText("Filter");
  QStringList names{"Any"};
  for (const std::string &n : kxobj_names(table)) names << QString::fromStdString(n);
  auto *model = new QStringListModel(names, &d);
  auto *proxy = new QSortFilterProxyModel(&d);
  proxy->setSourceModel(model);
  proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
  auto *view = new QListView;
  view->setModel(proxy);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setUniformItemSizes(true);
  QObject::connect(filter, &QLineEdit::textChanged, proxy, &QSortFilterProxyModel::setFilterFixedString);
  layout->addWidget(filter);
  layout->addWidget(view);
  auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(box, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  QObject::connect(view, &QListView::activated, &d, &QDialog::accept);
  layout->addWidget(box);
  if (d.exec() != QDialog::Accepted) return {};
  QStringList out;
  for (const QModelIndex &i : view->selectionModel()->selectedIndexes()) out << i.data().toString();
  if (out.isEmpty() && view->currentIndex().isValid()) out << view->currentIndex().data().toString();
  return out;
}
