// The "Network Interfaces" table of the host, gateway and router windows:
// editable cells over the rows of if_read, written back by the window's
// "Apply" through if_check and if_write.
#include "kxui/gui/iftable.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {

QString q(const std::string &s) { return QString::fromStdString(s); }

// Columns: name, address, mask, [number,] valid addresses, spoof track.
int columns(bool router) { return router ? 6 : 5; }

void put_row(QTableWidget *t, const IfEntry &e, bool router) {
  const int r = t->rowCount();
  t->insertRow(r);
  int c = 0;
  auto put = [&](const std::string &text) { t->setItem(r, c++, new QTableWidgetItem(q(text))); };
  put(e.name);
  put(e.ipaddr);
  put(e.netmask);
  if (router) put(e.ifnum);
  put(e.valid);
  put(e.spoof);
  t->item(r, 0)->setData(Qt::UserRole, e.source);
  // A host's number is kept as it was.
  t->item(r, 0)->setData(Qt::UserRole + 1, q(e.ifnum));
}

} // namespace

void fill_interfaces(QTableWidget *t, const kxset *obj, bool router) {
  t->setRowCount(0);
  for (const IfEntry &e : if_read(obj)) put_row(t, e, router);
  t->resizeColumnsToContents();
}

QTableWidget *interface_table(const kxset *obj, bool router) {
  QStringList heads{router ? "Interface" : "Name", "Net Address", "Net Mask"};
  if (router) heads << "Num.";
  heads << "Valid\nAddresses" << "Spoof\nTrack";
  auto *t = new QTableWidget(0, columns(router));
  t->setObjectName("interfaces");
  t->setHorizontalHeaderLabels(heads);
  t->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                     QAbstractItemView::AnyKeyPressed);
  QStringList valid, spoof;
  for (const std::string &l : if_valid_labels()) valid << q(l);
  for (const std::string &l : if_spoof_labels()) spoof << q(l);
  t->setToolTip("Valid Addresses: " + valid.join(", ") + " or a network object\nSpoof Track: " + spoof.join(", "));
  t->verticalHeader()->hide();
  t->setTabKeyNavigation(false); // Tab leaves the table for the next control
  fill_interfaces(t, obj, router);
  return t;
}

std::vector<IfEntry> interface_rows(const QTableWidget *t, bool router) {
  std::vector<IfEntry> rows;
  for (int r = 0; r < t->rowCount(); ++r) {
    auto cell = [&](int c) { return t->item(r, c) ? t->item(r, c)->text().trimmed().toStdString() : std::string(); };
    IfEntry e;
    int c = 0;
    e.name = cell(c++);
    e.ipaddr = cell(c++);
    e.netmask = cell(c++);
    e.ifnum = router ? cell(c++) : t->item(r, 0)->data(Qt::UserRole + 1).toString().toStdString();
    e.valid = cell(c++);
    e.spoof = cell(c++);
    const QVariant source = t->item(r, 0) ? t->item(r, 0)->data(Qt::UserRole) : QVariant();
    e.source = source.isValid() ? source.toInt() : -1;
    rows.push_back(e);
  }
  return rows;
}

QWidget *interface_buttons(QTableWidget *t, bool router) {
  auto *w = new QWidget;
  auto *row = new QHBoxLayout(w);
  row->setContentsMargins(0, 0, 0, 0);
  auto *add = new QPushButton("Add Interface");
  add->setObjectName("addinterface");
  auto *remove = new QPushButton("Remove Interface");
  remove->setObjectName("removeinterface");
  row->addWidget(add);
  row->addWidget(remove);
  row->addStretch(1);
  QObject::connect(add, &QPushButton::clicked, t, [t, router] {
    IfEntry e;
    e.valid = "Others";
    e.spoof = "No Log";
    if (router) e.ifnum = "0";
    put_row(t, e, router);
    t->setCurrentCell(t->rowCount() - 1, 0);
    t->editItem(t->item(t->rowCount() - 1, 0));
  });
  QObject::connect(remove, &QPushButton::clicked, t, [t] {
    if (t->currentRow() >= 0) t->removeRow(t->currentRow());
  });
  return w;
}
