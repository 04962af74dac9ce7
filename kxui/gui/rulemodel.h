// The rule table: a table model over the rule manager's rows (one row per
// rule, the cells of the rule as columns) and the view that edits it.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include <functional>

class RuleModel : public QAbstractTableModel {
public:
  enum Column { number, source, destination, services, action, track, install, ncolumns };
  static const char *cell_name(int column); // "src", ..., null for the number

  using QAbstractTableModel::QAbstractTableModel;
  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;

  // Drag and drop: rows move within the table; object names dropped on a
  // cell are added to it (see on_drop).
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }
  QStringList mimeTypes() const override;
  QMimeData *mimeData(const QModelIndexList &indexes) const override;
  bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                    const QModelIndex &parent) override;

  // The rows changed: shows them again.
  void reload();

  std::function<void(const std::vector<int> &rows, int before)> on_move_rows; // 1-based rows, 0-based position
  std::function<void(int row, int column, const QStringList &names)> on_drop_objects;
};

// Mime type of object names dragged from the object managers.
inline constexpr const char KX_OBJECT_MIME[] = "application/x-kx-objects";

class RuleTable : public QTableView {
public:
  explicit RuleTable(QWidget *parent = nullptr);
  // Enter, Return and F2 open the current cell's menu.
  std::function<void(const QModelIndex &)> open_cell;

protected:
  void keyPressEvent(QKeyEvent *e) override;
};
