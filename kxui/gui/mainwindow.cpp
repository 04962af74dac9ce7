#include "kxui/gui/mainwindow.h"

#include "kxui/compiler/driver.h"
#include "kxui/editor/tutorial.h"
#include "kxui/gui/installdialog.h"
#include "kxui/install/logviewer.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/dialogs.h"
#include "kxui/gui/importdialog.h"
#include "kxui/gui/objmanager.h"
#include "kxui/gui/statuswindow.h"
#include "kxui/kx/quit.h"
#include "kxui/kxcisco/cisco.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxu/sym.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenuBar>
#include <QRegularExpression>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <set>

namespace {

MainWindow *basewin = nullptr;

// Rows of the presentation: the table model reads the rules, so a row view
// keeps only its selection; new rules start as "Any to Any, drop".
class TableRowViews : public RuleRowViews {
  struct View : RuleRowViewBase {
    void put(const kxset *) override {}
    void get(kxset *) override {}
    void openclose(bool) override {}
  };

public:
  std::unique_ptr<RuleRowView> create(int) override { return std::make_unique<View>(); }
  void defaults(kxset *rule) override {
    for (const char *cell : {RULE_SRC, RULE_DST, RULE_SERVICES}) rule_set_item(rule, cell, "Any");
    rule_set_item(rule, RULE_ACTION, "drop");
    rule_set_item(rule, RULE_INSTALL, "Gateways");
  }
  void arrange(const std::vector<RuleRowView *> &views) override {
    int y = 0;
    for (RuleRowView *v : views) v->move(0, y++);
  }
};

void show_text(const char *title, const char *text) {
  show_text_window(kx_basewin(), title, text);
}

} // namespace

MainWindow *kx_basewin() { return basewin; }

MainWindow::MainWindow() {
  basewin = this;
  setObjectName("mainWindow");
  rmgr_set_views(std::make_shared<TableRowViews>());
  model_ = new RuleModel(this);
  table_ = new RuleTable(this);
  table_->setModel(model_);
  table_->horizontalHeader()->resizeSection(0, 48);
  for (int c = 1; c < RuleModel::ncolumns; ++c) table_->horizontalHeader()->resizeSection(c, 150);
  setCentralWidget(table_);
  statusBar()->setObjectName("footer");
  frontend_ = std::make_unique<GuiFrontEnd>(statusBar());
  scoped_ = std::make_unique<kxu::ScopedFrontEnd>(frontend_.get());
  kx_show_text = show_text;

  model_->on_move_rows = [this](const std::vector<int> &rows, int before) { move_rows(rows, before); };
  model_->on_drop_objects = [this](int row, int column, const QStringList &names) {
    add_to_cell(row, column, names);
  };
  table_->open_cell = [this](const QModelIndex &i) { open_cell(i); };
  connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex &i) { open_cell(i); });
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { sync_selection_to_manager(); });
  kx_edits().changed = [this] {
    if (auto *u = findChild<QAction *>("undo")) {
      u->setEnabled(kx_edits().can_undo());
      u->setText(kx_edits().can_undo() ? "Undo " + QString::fromStdString(kx_edits().undo_label()) : "Undo");
    }
    if (auto *r = findChild<QAction *>("redo")) {
      r->setEnabled(kx_edits().can_redo());
      r->setText(kx_edits().can_redo() ? "Redo " + QString::fromStdString(kx_edits().redo_label()) : "Redo");
    }
    if (auto *u = findChild<QAction *>("rule_undo")) u->setEnabled(kx_edits().can_undo());
  };
  build_menus();
  kx_edits().changed();
  resize(1000, 560);
  refresh();
  statusBar()->showMessage("Ready");
}

MainWindow::~MainWindow() {
  kx_edits().changed = nullptr;
  kx_show_text = nullptr;
  scoped_.reset();
  rmgr_set_views(nullptr);
  if (basewin == this) basewin = nullptr;
}

QAction *MainWindow::act(const char *name, const QString &text, std::function<void()> fn, QKeySequence key) {
  auto *a = new QAction(text, this);
  a->setObjectName(name);
  if (!key.isEmpty()) a->setShortcut(key);
  connect(a, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
  return a;
}

void MainWindow::build_menus() {
  auto placements = [this](QMenu *parent, const char *prefix, const QString &title,
                           std::function<void(rule_place)> fn) {
    QMenu *m = parent->addMenu(title);
    const std::pair<const char *, rule_place> items[] = {{"Before", rule_place::before},
                                                         {"After", rule_place::after},
                                                         {"Top", rule_place::top},
                                                         {"Bottom", rule_place::bottom}};
    for (const auto &[label, where] : items) {
      const QString name = QString(prefix) + "_" + QString(label).toLower();
      m->addAction(act(name.toUtf8().constData(), label, [fn, where = where] { fn(where); }));
    }
    return m;
  };

  QMenu *file = menuBar()->addMenu("File");
  file->addAction(act("file_load", "Load ...", [this] {
    const QString p = QFileDialog::getOpenFileName(this, "Load Rule Base", ".", "Rule bases (*.W)");
    if (!p.isEmpty()) load(p);
  }, QKeySequence::Open));
  file->addAction(act("file_save", "Save", [this] { save(); }, QKeySequence::Save));
  file->addAction(act("file_saveas", "Save As ...", [this] {
    const QString p = QFileDialog::getSaveFileName(this, "Save Rule Base As", ".", "Rule bases (*.W)");
    if (!p.isEmpty()) save_as(p);
  }, QKeySequence::SaveAs));
  file->addAction(act("file_close", "Close", [this] { close_rulebase(); }));
  file->addSeparator();
  file->addAction(act("file_quit", "Quit", [this] { close(); }, QKeySequence::Quit));

  QMenu *edit = menuBar()->addMenu("Edit");
  edit->addAction(act("undo", "Undo", [this] { undo(); }, QKeySequence::Undo));
  edit->addAction(act("redo", "Redo", [this] { redo(); }, QKeySequence::Redo));
  edit->addSeparator();
  edit->addAction(act("where_used", "Where Used ...", [this] {
    const QModelIndex i = table_->currentIndex();
    QString name;
    if (i.isValid() && RuleModel::cell_name(i.column()))
      name = model_->data(i, Qt::DisplayRole).toString().remove(QRegularExpression("^Not ")).section(' ', 0, 0);
    where_used(name);
  }, QKeySequence(Qt::CTRL | Qt::Key_U)));

  QMenu *rule = menuBar()->addMenu("Rule");
  rule->addAction(act("rule_undo", "Undo", [this] { undo(); }));
  rule->addAction(act("rule_cut", "Cut", [this] { cut(); }, QKeySequence::Cut));
  rule->addAction(act("rule_copy", "Copy", [this] { copy(); }, QKeySequence::Copy));
  QMenu *paste_menu = placements(rule, "paste", "Paste", [this](rule_place w) { paste(w); });
  placements(rule, "new", "New", [this](rule_place w) { new_rule(w); });
  rule->addAction(act("rule_delete", "Delete", [this] { delete_rules(); }, QKeySequence::Delete));
  rule->addAction(act("rule_select_all", "Select All", [this] { table_->selectAll(); }));
  rule->addAction(act("rule_arrange", "Arrange", [this] { rmgr_arrange(); refresh(); }));
  rule->addSeparator();
  rule->addAction(act("rule_up", "Move Up", [this] { move_selection(-1); }, QKeySequence(Qt::CTRL | Qt::Key_Up)));
  rule->addAction(act("rule_down", "Move Down", [this] { move_selection(1); }, QKeySequence(Qt::CTRL | Qt::Key_Down)));
  findChild<QAction *>("paste_after")->setShortcut(QKeySequence::Paste);
  findChild<QAction *>("new_after")->setShortcut(QKeySequence::New);
  connect(rule, &QMenu::aboutToShow, this, [paste_menu] { paste_menu->setEnabled(rmgr_npaste() > 0); });

  QMenu *filter = menuBar()->addMenu("Filter");
  filter->addAction(act("filter_verify", "Verify ...", [this] { verify(); }));
  filter->addAction(act("filter_view", "View ...", [this] { compile(); }));
  filter->addAction(act("filter_cisco", "View Cisco Access Lists ...", [this] { view_cisco(); }));
  filter->addAction(act("filter_install", "Install ...",
                        [this] { open_install_dialog(this, install_request_all(InstallMode::install)); }));
  filter->addAction(act("filter_uninstall", "Uninstall ...",
                        [this] { open_install_dialog(this, install_request_all(InstallMode::uninstall)); }));

  QMenu *objects = menuBar()->addMenu("Manage");
  objects->addAction(act("manage_network", "Network ...", [this] { manager(0)->show(); manager(0)->raise(); }));
  objects->addAction(act("manage_services", "Services ...", [this] { manager(1)->show(); manager(1)->raise(); }));
  objects->addAction(act("manage_users", "Users ...", [this] { manager(2)->show(); manager(2)->raise(); }));
  objects->addAction(act("control_properties", "Control Properties ...", [this] { control_properties(); }));
  objects->addAction(act("manage_view", "View ...", [this] { open_status_window(this); }));
  objects->addAction(act("manage_log", "Log ...", [] { kxlog_show(true); }));

  QMenu *util = menuBar()->addMenu("Utilities");
  util->addAction(act("util_arrange", "Arrange", [this] { rmgr_arrange(); refresh(); }));
  util->addAction(act("util_save_layout", "Save Layout", [this] { save_layout(); }));
  util->addAction(act("util_save_objects", "Save Objects", [] {
    if (save_objects(nullptr) == 0) kx_message("Objects saved");
  }));
  util->addAction(act("util_refresh", "Refresh Network Databases", [] {
    sym_reset();
    kx_message("Network databases will be read again");
  }));
  util->addAction(act("util_import", "Import...", [this] { open_import_dialog(this); }));

  QMenu *help = menuBar()->addMenu("Help");
  help->addAction(act("help_tutorial", "Tutorial ...", [this] {
    if (auto text = tutorial_text()) show_text_window(this, "Tutorial", QString::fromStdString(*text));
  }));
  help->addAction(act("help_info", "Info ...", [this] {
    QMessageBox::about(this, "Brenmark", "Brenmark Rule Base Editor\nthe management station of the firewall");
  }));

  QToolBar *bar = addToolBar("Rules");
  bar->setObjectName("buttons");
  for (const char *name : {"new_after", "rule_cut", "rule_copy", "paste_after", "rule_delete", "undo",
                           "redo", "filter_verify", "filter_view", "manage_network", "manage_services"})
    bar->addAction(findChild<QAction *>(name));
  findChild<QAction *>("new_after")->setIconText("New");
  findChild<QAction *>("paste_after")->setIconText("Paste");
}

void MainWindow::update_title() {
  const char *name = file_getname();
  setWindowTitle(QString("Brenmark Rule Base Editor:  %1%2")
                     .arg(name ? name : "")
                     .arg(rule_modified ? " (modified)" : ""));
}

QString MainWindow::footer_text() const { return statusBar()->currentMessage(); }

void MainWindow::sync_selection_to_manager() {
  if (syncing_) return;
  const int n = rmgr_count();
  std::vector<char> on(static_cast<size_t>(n), 0);
  for (const QItemSelectionRange &r : table_->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom() && row < n; ++row) on[static_cast<size_t>(row)] = 1;
  for (int i = 0; i < n; ++i)
    if (RuleRowView *v = rmgr_view(i + 1)) v->set_selected(on[static_cast<size_t>(i)]);
}

void MainWindow::sync_selection_from_manager() {
  syncing_ = true;
  QItemSelection sel;
  const int n = rmgr_count();
  for (int i = 1; i <= n;) {
    if (!rmgr_selected(i)) {
      ++i;
      continue;
    }
    int j = i;
    while (j < n && rmgr_selected(j + 1)) ++j;
    sel.select(model_->index(i - 1, 0), model_->index(j - 1, RuleModel::ncolumns - 1));
    i = j + 1;
  }
  table_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
}

void MainWindow::refresh() {
  const QModelIndex cur = table_->currentIndex();
  model_->reload();
  sync_selection_from_manager();
  if (cur.isValid() && cur.row() < rmgr_count()) {
    syncing_ = true;
    table_->selectionModel()->setCurrentIndex(model_->index(cur.row(), cur.column()),
                                              QItemSelectionModel::NoUpdate);
    syncing_ = false;
  }
  update_title();
}

bool MainWindow::load(const QString &path) {
  if (rule_modified && kx_ask("Modified Rulebase not saved.\n\nLoad '%s' anyway?", path.toUtf8().constData()))
    return false;
  if (file_load(path.toUtf8().constData()) < 0) return false;
  kx_edits().clear();
  refresh();
  return true;
}

bool MainWindow::save_as(const QString &path) {
  const bool ok = file_save(path.toUtf8().constData()) > 0;
  update_title();
  return ok;
}

bool MainWindow::save() {
  if (!file_getname()) {
    const QString p = QFileDialog::getSaveFileName(this, "Save Rule Base As", ".", "Rule bases (*.W)");
    return !p.isEmpty() && save_as(p);
  }
  const bool ok = file_save(nullptr) > 0;
  update_title();
  return ok;
}

void MainWindow::close_rulebase() {
  if (rule_modified && kx_ask("Modified Rulebase not saved.\n\nClose anyway?")) return;
  file_close();
  kx_edits().clear();
  refresh();
}

void MainWindow::new_rule(rule_place where) {
  edit_rules("New Rule", [&] { return rule_menu_new(where) != nullptr; });
  refresh();
}

void MainWindow::cut() {
  edit_rules("Cut", [] {
    rmgr_cut();
    return true;
  });
  refresh();
}

void MainWindow::copy() { rmgr_copy(1); }

void MainWindow::paste(rule_place where) {
  edit_rules("Paste", [&] { return rule_menu_paste(where) > 0; });
  refresh();
}

void MainWindow::delete_rules() {
  edit_rules("Delete", [] {
    rmgr_del_selected();
    return true;
  });
  refresh();
}

void MainWindow::move_rows(const std::vector<int> &rows, int before) {
  edit_rules("Move", [&] {
    RuleTableState s = rule_table_state();
    const int n = static_cast<int>(s.rules.size());
    std::set<int> moving;
    for (int r : rows)
      if (r >= 1 && r <= n) moving.insert(r);
    if (moving.empty()) return false;
    std::vector<KxSetRef> kept, moved;
    int insert_at = 0;
    for (int i = 1; i <= n; ++i) {
      if (i - 1 < before && !moving.count(i)) ++insert_at;
      (moving.count(i) ? moved : kept).push_back(s.rules[static_cast<size_t>(i - 1)]);
    }
    kept.insert(kept.begin() + std::clamp(insert_at, 0, static_cast<int>(kept.size())), moved.begin(),
                moved.end());
    RuleTableState after{std::move(kept), {}};
    for (size_t k = 0; k < moved.size(); ++k) after.selected.push_back(insert_at + static_cast<int>(k) + 1);
    rule_table_restore(after);
    return true;
  });
  refresh();
}

void MainWindow::move_selection(int by) {
  std::vector<int> rows;
  for (int i = 1; i <= rmgr_count(); ++i)
    if (rmgr_selected(i)) rows.push_back(i);
  if (rows.empty()) return;
  const int first = rows.front(), last = rows.back();
  // Before which 0-based position the block goes, counted in the full table.
  const int before = by < 0 ? std::max(0, first - 2) : std::min(rmgr_count(), last + 1);
  move_rows(rows, before);
  if (!rows.empty()) {
    const int cur = std::clamp(table_->currentIndex().row() + by, 0, std::max(0, rmgr_count() - 1));
    syncing_ = true;
    table_->selectionModel()->setCurrentIndex(model_->index(cur, std::max(0, table_->currentIndex().column())),
                                              QItemSelectionModel::NoUpdate);
    syncing_ = false;
  }
}

void MainWindow::undo() {
  kx_edits().undo();
  refresh();
  for (auto &m : managers_)
    if (m) m->reload();
}

void MainWindow::redo() {
  kx_edits().redo();
  refresh();
  for (auto &m : managers_)
    if (m) m->reload();
}

bool MainWindow::verify() {
  const rule_list rules = rmgr_collect();
  if (std::optional<std::string> warnings = check_rulebase(rules_of(rules))) {
    show_text_window(this, "Filter Verify Warnings:", warnings->c_str());
    return false;
  }
  kx_message("Filter Verified");
  return true;
}

bool MainWindow::compile() {
  const rule_list rules = rmgr_collect();
  std::optional<std::string> script = dump_rulebase(rules_of(rules), nullptr);
  if (!script) return false;
  const char *name = filter_getname();
  show_text_window(this, QString("Filter: %1").arg(name ? name : "(no file)"), QString::fromStdString(*script));
  kx_message("Filter compiled: %zu bytes", script->size());
  return true;
}

void MainWindow::view_cisco() {
  const rule_list rules = rmgr_collect();
  const char *text = cisco_rulebase(rules, nullptr, 1);
  if (!text) return;
  show_text_window(this, "Cisco Access Lists", *text ? text : "No Cisco router in the objects database\n");
}

void MainWindow::where_used(const QString &name) { show_where_used(this, name); }

void MainWindow::jump_to_rule(int row) {
  if (row < 1 || row > rmgr_count()) return;
  table_->selectionModel()->setCurrentIndex(model_->index(row - 1, 1),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->scrollTo(model_->index(row - 1, 1));
  raise();
  activateWindow();
}

ObjectManager *MainWindow::manager(int list) {
  if (list < 0 || list > 2) return nullptr;
  if (!managers_[list]) managers_[list] = new ObjectManager(static_cast<ObjList>(list), this);
  return managers_[list];
}

void MainWindow::control_properties() { open_control_properties(this); }

void MainWindow::closeEvent(QCloseEvent *e) {
  if (!kx_quit_allowed(rule_modified != 0, obj_modified != 0, false)) {
    e->ignore();
    return;
  }
  e->accept();
}
