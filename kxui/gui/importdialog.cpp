#include "kxui/gui/importdialog.h"

#include "kxui/gui/mainwindow.h"
#include "kxui/gui/objmanager.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/tables.h"
#include "kxui/users/kxa.h"
#include "kxu/report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

enum Column { c_entry, c_kind, c_found, c_choice, c_new_name, ncolumns };

const char *kind_label(ImportKind k) {
  switch (k) {
  case ImportKind::host: return "host";
  case ImportKind::network: return "network";
  case ImportKind::netgroup: break;
  }
  return "netgroup";
}

// The choice cell is edited with a list of the choices its entry offers.
class ChoiceDelegate : public QStyledItemDelegate {
public:
  ChoiceDelegate(const ImportPlan &plan, QObject *parent) : QStyledItemDelegate(parent), plan_(plan) {}
  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override {
    auto *box = new QComboBox(parent);
    if (index.row() < static_cast<int>(plan_.items.size()))
      for (ImportChoice c : plan_.items[static_cast<size_t>(index.row())].choices()) box->addItem(import_choice_name(c));
    return box;
  }
  void setEditorData(QWidget *editor, const QModelIndex &index) const override {
    auto *box = static_cast<QComboBox *>(editor);
    box->setCurrentIndex(std::max(0, box->findText(index.data().toString())));
  }
  void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override {
    model->setData(index, static_cast<QComboBox *>(editor)->currentText());
  }

private:
  const ImportPlan &plan_;
};

// The user database's names, as the managers see them (records fetched are
// kept while the window lives).
UserNames user_names(std::shared_ptr<std::vector<KxSetRef>> kept) {
  UserNames u;
  if (!kxa_db()) return u;
  u.find = [kept](const std::string &name) -> kxset * {
    kxset *found = kxa_fetchuser(name);
    if (!found) found = kxa_fetchgroup(name);
    if (found) kept->emplace_back(found);
    return found;
  };
  return u;
}

} // namespace

ImportDialog::ImportDialog(QWidget *parent) : QDialog(parent), setup_(import_setup()) {
  setObjectName("import");
  setWindowTitle("Import");
  setAttribute(Qt::WA_DeleteOnClose);
  auto *layout = new QVBoxLayout(this);
  auto *files = new QGridLayout;
  const char *labels[3] = {"Hosts:", "Networks:", "Netgroups:"};
  const char *names[3] = {"hosts", "networks", "netgroup"};
  const std::string *paths[3] = {&setup_.hosts, &setup_.networks, &setup_.netgroup};
  for (int i = 0; i < 3; ++i) {
    use_[i] = new QCheckBox(labels[i]);
    use_[i]->setObjectName(QString("use_") + names[i]);
    use_[i]->setChecked(true);
    path_[i] = new QLineEdit(q(*paths[i]));
    path_[i]->setObjectName(names[i]);
    connect(use_[i], &QCheckBox::toggled, path_[i], &QLineEdit::setEnabled);
    files->addWidget(use_[i], i, 0);
    files->addWidget(path_[i], i, 1);
  }
  auto *read_button = new QPushButton("Read");
  read_button->setObjectName("read");
  connect(read_button, &QPushButton::clicked, this, [this] { read(); });
  files->addWidget(read_button, 2, 2);
  files->setColumnStretch(1, 1);
  layout->addLayout(files);

  entries_ = new QTableWidget(0, ncolumns);
  entries_->setObjectName("entries");
  entries_->setHorizontalHeaderLabels({"Entry", "Kind", "Found", "Choice", "New Name"});
  entries_->verticalHeader()->hide();
  entries_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  entries_->horizontalHeader()->setSectionResizeMode(c_found, QHeaderView::Stretch);
  entries_->setSelectionBehavior(QAbstractItemView::SelectRows);
  entries_->setItemDelegateForColumn(c_choice, new ChoiceDelegate(plan_, entries_));
  entries_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
  connect(entries_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
    if (item->column() != c_choice) return;
    QTableWidgetItem *name = entries_->item(item->row(), c_new_name);
    if (!name) return;
    const bool rename = item->text() == import_choice_name(ImportChoice::rename);
    name->setFlags(rename ? name->flags() | Qt::ItemIsEditable : name->flags() & ~Qt::ItemIsEditable);
    if (rename && name->text().isEmpty()) name->setText(entries_->item(item->row(), c_entry)->text() + "-imported");
    if (!rename) name->setText({});
  });
  layout->addWidget(entries_, 1);
  summary_ = new QLabel;
  summary_->setObjectName("summary");
  layout->addWidget(summary_);
  messages_ = new QPlainTextEdit;
  messages_->setObjectName("messages");
  messages_->setReadOnly(true);
  messages_->setMaximumBlockCount(1000);
  messages_->setFixedHeight(90);
  layout->addWidget(messages_);
  auto *box = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Close);
  box->button(QDialogButtonBox::Apply)->setObjectName("apply");
  box->button(QDialogButtonBox::Close)->setObjectName("close");
  connect(box->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { apply(); });
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(box);
  resize(820, 520);
}

void ImportDialog::read() {
  ImportRead r;
  const ImportKind kinds[3] = {ImportKind::host, ImportKind::network, ImportKind::netgroup};
  for (int i = 0; i < 3; ++i)
    if (use_[i]->isChecked() && !path_[i]->text().isEmpty())
      import_read_file(kinds[i], path_[i]->text().toStdString(), r);
  auto kept = std::make_shared<std::vector<KxSetRef>>();
  plan_ = import_plan(r, kx_netobj, user_names(kept));
  show_plan();
  show_messages(plan_.messages, plan_.more_messages);
}

void ImportDialog::show_plan() {
  const QSignalBlocker quiet(entries_);
  entries_->setRowCount(static_cast<int>(plan_.items.size()));
  for (size_t i = 0; i < plan_.items.size(); ++i) {
    const ImportItem &item = plan_.items[i];
    const int row = static_cast<int>(i);
    auto cell = [&](int column, const QString &text, bool editable) {
      auto *it = new QTableWidgetItem(text);
      it->setFlags(editable ? it->flags() | Qt::ItemIsEditable : it->flags() & ~Qt::ItemIsEditable);
      entries_->setItem(row, column, it);
    };
    cell(c_entry, q(item.entry.name), false);
    cell(c_kind, kind_label(item.entry.kind), false);
    cell(c_found, q(item.describe()), false);
    cell(c_choice, import_choice_name(item.choice), item.choices().size() > 1);
    cell(c_new_name, q(item.new_name), item.choice == ImportChoice::rename);
    if (item.clash != ImportClash::none && item.clash != ImportClash::same)
      for (int c = 0; c < ncolumns; ++c) entries_->item(row, c)->setBackground(QColor(255, 240, 200));
  }
  entries_->resizeColumnToContents(c_entry);
  summary_->setText(QString("%1 new, %2 unchanged, %3 clashes")
                        .arg(plan_.count(ImportClash::none))
                        .arg(plan_.count(ImportClash::same))
                        .arg(plan_.items.size() - plan_.count(ImportClash::none) - plan_.count(ImportClash::same)));
}

void ImportDialog::show_messages(const std::vector<std::string> &messages, size_t more) {
  QString text;
  for (const std::string &m : messages) text += q(m) + "\n";
  if (more) text += QString("... and %1 more\n").arg(more);
  messages_->setPlainText(text);
}

bool ImportDialog::choose(const QString &entry, ImportChoice choice, const QString &new_name) {
  for (int row = 0; row < entries_->rowCount(); ++row) {
    if (entries_->item(row, c_entry)->text() != entry) continue;
    entries_->item(row, c_choice)->setText(import_choice_name(choice));
    if (!new_name.isEmpty()) entries_->item(row, c_new_name)->setText(new_name);
    return true;
  }
  return false;
}

bool ImportDialog::apply() {
  ImportPlan plan = plan_;
  for (size_t i = 0; i < plan.items.size(); ++i) {
    ImportItem &item = plan.items[i];
    const QString choice = entries_->item(static_cast<int>(i), c_choice)->text();
    for (ImportChoice c : item.choices())
      if (choice == import_choice_name(c)) item.choice = c;
    item.new_name = entries_->item(static_cast<int>(i), c_new_name)->text().trimmed().toStdString();
  }
  auto kept = std::make_shared<std::vector<KxSetRef>>();
  const ImportResult r = import_apply(plan, kx_netobj, setup_, user_names(kept));
  if (r.refused) {
    error(0, 0, "%s", r.refused->c_str());
    return false;
  }
  kx_message("Imported: %d added, %d renamed, %d replaced, %d merged, %d kept", r.added, r.renamed, r.replaced,
             r.merged, r.kept);
  if (MainWindow *w = kx_basewin()) {
    w->refresh();
    // (no meta-object of its own: findChildren<ObjectManager *> would take any dialog)
    for (QDialog *d : w->findChildren<QDialog *>())
      if (auto *m = dynamic_cast<ObjectManager *>(d)) m->reload();
  }
  read(); // what the tables meet now
  if (!r.messages.empty()) show_messages(r.messages, 0);
  return true;
}

ImportDialog *open_import_dialog(QWidget *parent) {
  if (auto *old = parent->findChild<ImportDialog *>("import", Qt::FindDirectChildrenOnly)) {
    old->raise();
    return old;
  }
  auto *d = new ImportDialog(parent);
  d->show();
  d->read();
  return d;
}
