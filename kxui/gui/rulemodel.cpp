#include "kxui/gui/rulemodel.h"

#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rmgr.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace {
constexpr const char kRowsMime[] = "application/x-kx-rule-rows";

QString cell_text(const kxset *rule, const char *cell) {
  std::string items = rule_get(rule, cell, "");
  if (items.empty()) items = "Any";
  if (rule_negated(rule, cell)) items = "Not " + items;
  return QString::fromStdString(items);
}
} // namespace

const char *RuleModel::cell_name(int column) {
  static const char *const names[] = {nullptr,     RULE_SRC,   RULE_DST,    RULE_SERVICES,
                                      RULE_ACTION, RULE_TRACK, RULE_INSTALL};
  return column > 0 && column < ncolumns ? names[column] : nullptr;
}

int RuleModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rmgr_count(); }
int RuleModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ncolumns; }

QVariant RuleModel::data(const QModelIndex &index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const kxset *rule = rmgr_rule(index.row() + 1);
  if (!rule) return {};
  if (index.column() == number) return QString("%1.").arg(index.row() + 1);
  const char *cell = cell_name(index.column());
  if (index.column() == source || index.column() == destination || index.column() == services)
    return cell_text(rule, cell);
  return QString::fromStdString(rule_get(rule, cell, ""));
}

QVariant RuleModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
  static const char *const titles[] = {"No.", "Source", "Destination", "Services",
                                       "Action", "Track", "Install On"};
  return section >= 0 && section < ncolumns ? titles[section] : QVariant();
}

Qt::ItemFlags RuleModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled;
  if (index.isValid()) f |= Qt::ItemIsDragEnabled;
  return f;
}

QStringList RuleModel::mimeTypes() const { return {kRowsMime, KX_OBJECT_MIME}; }

QMimeData *RuleModel::mimeData(const QModelIndexList &indexes) const {
  std::vector<int> rows;
  for (const QModelIndex &i : indexes) rows.push_back(i.row() + 1);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  QStringList words;
  for (int r : rows) words << QString::number(r);
  auto *m = new QMimeData;
  m->setData(kRowsMime, words.join(' ').toUtf8());
  return m;
}

bool RuleModel::dropMimeData(const QMimeData *data, Qt::DropAction, int row, int column,
                             const QModelIndex &parent) {
  if (data->hasFormat(KX_OBJECT_MIME)) {
    if (!parent.isValid() || !on_drop_objects) return false;
    const QStringList names = QString::fromUtf8(data->data(KX_OBJECT_MIME)).split('\n', Qt::SkipEmptyParts);
    on_drop_objects(parent.row() + 1, parent.column(), names);
    return true;
  }
  if (!data->hasFormat(kRowsMime) || !on_move_rows) return false;
  std::vector<int> rows;
  for (const QString &w : QString::fromUtf8(data->data(kRowsMime)).split(' ', Qt::SkipEmptyParts))
    rows.push_back(w.toInt());
  const int before = row >= 0 ? row : parent.isValid() ? parent.row() : rmgr_count();
  (void)column;
  on_move_rows(rows, before);
  return false; // the move is done; the view must not remove the dragged rows
}

void RuleModel::reload() {
  beginResetModel();
  endResetModel();
}

RuleTable::RuleTable(QWidget *parent) : QTableView(parent) {
  setObjectName("ruleTable");
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setAlternatingRowColors(true);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
  horizontalHeader()->setStretchLastSection(true);
  setTabKeyNavigation(false);
}

void RuleTable::keyPressEvent(QKeyEvent *e) {
  const int k = e->key();
  if ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_F2) && open_cell &&
      currentIndex().isValid()) {
    open_cell(currentIndex());
    return;
  }
  QTableView::keyPressEvent(e);
}
