#include "kxui/gui/statuswindow.h"

#include "kxui/gui/installdialog.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/qtloop.h"
#include "kxui/install/logviewer.h"
#include "kxui/obj/tables.h"
#include "kxu/report.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

QPointer<StatusWindow> the_window;

QString q(const std::string &s) { return QString::fromStdString(s); }

// The palette colours of the state table.
QColor palette_colour(int index) {
  switch (index) {
  case 15: return QColor(170, 0, 0);     // down
  case 61: return QColor(120, 120, 120); // disconnected
  case 26: return QColor(230, 150, 0);   // not installed, unprotected
  case 38: return QColor(0, 150, 60);    // installed, protected
  case 16: return QColor(190, 190, 190); // unknown
  case 41: return QColor(0, 130, 0);     // accepted
  case 23: return QColor(200, 30, 30);   // rejected
  case 57: return QColor(40, 80, 200);   // logged
  default: return {};
  }
}

// The state's picture: a disc in its colour (a square for the counters);
// none for a state not in the table.
QIcon state_icon(const std::string &name) {
  const KxStateLook look = kxst_state_look(name);
  if (!look.icon) return {};
  QPixmap pm(14, 14);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(palette_colour(look.colour));
  p.setPen(Qt::black);
  if (look.icon == 6) p.drawRect(2, 2, 9, 9);
  else p.drawEllipse(1, 1, 11, 11);
  return QIcon(pm);
}

enum Column { c_name, c_state, c_policy, c_date, c_accepted, c_rejected, c_logged, ncolumns };

} // namespace

KxStatusOptions &gui_status_options() {
  static KxStatusOptions *opt = [] {
    auto *o = new KxStatusOptions;
    if (const char *agent = std::getenv("KX_STATUS_AGENT"); agent && *agent) {
      const QString a = agent;
      bool ok = false;
      const int port = a.section(':', -1).toInt(&ok);
      if (ok && port > 0 && port < 65536 && a.contains(':')) {
        o->address = a.section(':', 0, -2).toStdString();
        o->module_port = o->router_port = port;
      }
    }
    return o;
  }();
  return *opt;
}

StatusWindow::StatusWindow(QWidget *parent) : QDialog(parent) {
  setObjectName("status_window");
  setWindowTitle("System Status");
  auto *layout = new QVBoxLayout(this);

  auto *buttons = new QHBoxLayout;
  auto *update = new QPushButton("Update");
  update->setObjectName("update");
  auto *update_menu = new QMenu(update);
  update_menu->addAction("All", this, [this] { update_all(); })->setObjectName("update_all");
  update_menu->addAction("Selected", this, [this] { update_selected(); })->setObjectName("update_selected");
  update->setMenu(update_menu);
  auto *show = new QPushButton("Show");
  show->setObjectName("show");
  auto *show_menu = new QMenu(show);
  show_menu->addAction("Selected", this, [this] { show_selected(); })->setObjectName("show_selected");
  show_menu->addAction("All", this, [this] { show_all(); })->setObjectName("show_all");
  show->setMenu(show_menu);
  auto *select_all = new QPushButton("Select All");
  select_all->setObjectName("select_all");
  connect(select_all, &QPushButton::clicked, this, [this] { display_.select_all(); });
  auto *clear = new QPushButton("Clear Selections");
  clear->setObjectName("clear_selections");
  connect(clear, &QPushButton::clicked, this, [this] { display_.clear_selections(); });
  interval_ = new QSpinBox;
  interval_->setObjectName("interval");
  interval_->setRange(0, 24 * 60);
  auto *interval_label = new QLabel("Update Interval (min):");
  interval_label->setBuddy(interval_);
  connect(interval_, &QSpinBox::valueChanged, this, [this](int m) { set_interval_minutes(m); });
  for (QWidget *w : std::initializer_list<QWidget *>{update, show, select_all, clear}) buttons->addWidget(w);
  buttons->addStretch(1);
  buttons->addWidget(interval_label);
  buttons->addWidget(interval_);
  layout->addLayout(buttons);

  auto *times = new QHBoxLayout;
  last_update_ = new QLabel;
  last_update_->setObjectName("last_update");
  now_ = new QLabel;
  now_->setObjectName("now");
  times->addWidget(new QLabel("Last Update:"));
  times->addWidget(last_update_);
  times->addSpacing(24);
  times->addWidget(new QLabel("Now:"));
  times->addWidget(now_);
  times->addStretch(1);
  layout->addLayout(times);

  rows_ = new QTreeWidget;
  rows_->setObjectName("boxes");
  rows_->setColumnCount(ncolumns);
  rows_->setHeaderLabels({"Module", "State", "Policy", "Date", "Accepted", "Rejected", "Logged"});
  rows_->setRootIsDecorated(false);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows_->setContextMenuPolicy(Qt::CustomContextMenu);
  rows_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  connect(rows_, &QTreeWidget::itemSelectionChanged, this, [this] { take_selection(); });
  connect(rows_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem *item) { run_item(item->text(c_name), KxBoxItem::log); });
  connect(rows_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &at) {
    QTreeWidgetItem *item = rows_->itemAt(at);
    if (!item) return;
    std::unique_ptr<QMenu> menu(box_menu(item->text(c_name)));
    menu->exec(rows_->viewport()->mapToGlobal(at));
  });
  layout->addWidget(rows_, 1);

  footer_ = new QLabel;
  footer_->setObjectName("footer");
  layout->addWidget(footer_);
  auto *box = new QDialogButtonBox(QDialogButtonBox::Close);
  box->button(QDialogButtonBox::Close)->setObjectName("close");
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(box);

  clock_ = new QTimer(this);
  clock_->setInterval(1000);
  connect(clock_, &QTimer::timeout, this, [this] { tick(); });

  display_.objects = [] { return static_cast<const kxset *>(kx_netobj); };
  display_.is_shown = [this] { return isVisible(); };
  display_.changed = [this] { redraw(); };
  passes_ = std::make_unique<KxStatusPasses>(gui_loop(), gui_snmp(), display_, gui_status_options());
  resize(760, 320);
}

StatusWindow::~StatusWindow() {
  display_.changed = nullptr;
  passes_.reset();
}

void StatusWindow::show_selected() {
  display_.restrict_to(display_.selected());
  update_all();
}

void StatusWindow::show_all() {
  display_.restrict_to({});
  update_all();
}

void StatusWindow::set_interval_minutes(int minutes) {
  passes_->kxst_set_update_interval(minutes * 60);
  if (interval_->value() != minutes) interval_->setValue(minutes);
}

QMenu *StatusWindow::box_menu(const QString &node) {
  const kxhostbox *b = display_.box(node.toStdString());
  const auto enabled = kxst_menu_enabled(b ? b->get_state() : "unknown");
  auto *menu = new QMenu(this);
  menu->setObjectName("box_menu");
  for (int i = 0; i < kxst_menu_size; ++i) {
    QAction *a = menu->addAction(kxst_menu_labels[i], this,
                                 [this, node, i] { run_item(node, static_cast<KxBoxItem>(i)); });
    a->setEnabled(enabled[static_cast<size_t>(i)]);
  }
  return menu;
}

void StatusWindow::run_item(const QString &node, KxBoxItem item) {
  const std::string name = node.toStdString();
  switch (item) {
  case KxBoxItem::log:
    kxlog_show(true);
    return;
  case KxBoxItem::xterm: {
    const KxXterm x = kxst_xterm(name, std::getenv("DISPLAY"));
    if (!x.error.empty()) {
      error(0, 0, "%s", x.error.c_str());
      return;
    }
    QStringList args;
    for (size_t i = 1; i < x.argv.size(); ++i) args << q(x.argv[i]);
    kx_message("%s %s", x.argv[0].c_str(), args.join(' ').toUtf8().constData());
    if (!QProcess::startDetached(q(x.argv[0]), args)) error(0, 0, "Cannot open xterm on %s", name.c_str());
    return;
  }
  case KxBoxItem::install:
  case KxBoxItem::uninstall: {
    InstallRequest r = install_request_all(item == KxBoxItem::install ? InstallMode::install
                                                                      : InstallMode::uninstall);
    r.preselected = {name};
    r.kinds = 0; // a firewalled host, else a router
    open_install_dialog(kx_basewin() ? static_cast<QWidget *>(kx_basewin()) : this, r);
    return;
  }
  case KxBoxItem::tables:
  case KxBoxItem::status:
    error(0, 0, "%s", kxst_unimplemented(item).c_str());
    return;
  }
}

void StatusWindow::take_selection() {
  if (redrawing_) return;
  for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
    QTreeWidgetItem *item = rows_->topLevelItem(i);
    display_.select(item->text(c_name).toStdString(), item->isSelected());
  }
}

void StatusWindow::redraw() {
  redrawing_ = true;
  const auto &boxes = display_.boxes();
  while (rows_->topLevelItemCount() > static_cast<int>(boxes.size())) delete rows_->takeTopLevelItem(rows_->topLevelItemCount() - 1);
  while (rows_->topLevelItemCount() < static_cast<int>(boxes.size())) rows_->addTopLevelItem(new QTreeWidgetItem);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const kxhostbox &b = boxes[i];
    QTreeWidgetItem *item = rows_->topLevelItem(static_cast<int>(i));
    item->setText(c_name, q(b.get_name()));
    item->setIcon(c_name, state_icon(b.get_state()));
    item->setText(c_state, q(b.get_state()));
    item->setText(c_policy, q(b.get_filt()));
    item->setText(c_date, q(b.get_date()));
    item->setText(c_accepted, q(b.get_accepted()));
    item->setText(c_rejected, q(b.get_rejected()));
    item->setText(c_logged, q(b.get_logged()));
    for (const auto &[icon, text] : b.counters()) {
      const int c = icon == "naccept" ? c_accepted : icon == "nreject" ? c_rejected : c_logged;
      item->setIcon(c, state_icon(icon));
    }
    for (int c : {c_accepted, c_rejected, c_logged})
      if (item->text(c).isEmpty()) item->setIcon(c, {});
    item->setSelected(b.selected);
  }
  last_update_->setText(q(display_.last_update()));
  footer_->setText(display_.busy() ? "Updating ..." : QString("%1 modules").arg(boxes.size()));
  rows_->setCursor(display_.busy() ? Qt::BusyCursor : Qt::ArrowCursor);
  redrawing_ = false;
}

void StatusWindow::tick() { now_->setText(q(kxst_clock_text(time(nullptr)))); }

void StatusWindow::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  tick();
  clock_->start();
  passes_->kxst_set_update_interval(interval_->value() * 60);
  update_all();
}

void StatusWindow::hideEvent(QHideEvent *e) {
  clock_->stop();
  passes_->kxst_done(); // the interval is kept for the next opening
  QDialog::hideEvent(e);
}

StatusWindow *open_status_window(QWidget *parent) {
  if (!the_window) the_window = new StatusWindow(parent);
  if (the_window->isVisible()) {
    the_window->raise();
    the_window->update_all();
  } else {
    the_window->show();
  }
  return the_window;
}

void kxst_update() {
  if (the_window && the_window->isVisible()) the_window->update_all();
}
