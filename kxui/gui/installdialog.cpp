// The install dialog: the targets of a request with their results, and the
// output of each command of the InstallChain, run one at a time as a child
// process through the event loop.
#include "kxui/gui/installdialog.h"

#include "kxui/gui/dialogs.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/gui/statuswindow.h"
#include "kxu/report.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The output pane keeps the last this many characters.
constexpr int kOutputLimit = 80000;

QString q(const std::string &s) { return QString::fromStdString(s); }

const char *mode_name(InstallMode mode) {
  switch (mode) {
  case InstallMode::install: return "install";
  case InstallMode::uninstall: return "uninstall";
  case InstallMode::download: break;
  }
  return "download";
}

} // namespace

InstallDialog::InstallDialog(const InstallRequest &request, QWidget *parent)
    : QDialog(parent), request_(request) {
  setObjectName(QString("install_") + mode_name(request.mode));
  setAttribute(Qt::WA_DeleteOnClose);
  auto *layout = new QVBoxLayout(this);
  label_ = new QLabel;
  layout->addWidget(label_);
  rows_ = new QTreeWidget;
  rows_->setObjectName("targets");
  rows_->setColumnCount(2);
  rows_->setHeaderLabels({"Target", "Result"});
  rows_->setRootIsDecorated(false);
  rows_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  rows_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  layout->addWidget(rows_, 1);
  auto *kinds = new QHBoxLayout;
  hosts_ = new QCheckBox("Hosts");
  hosts_->setObjectName("hosts");
  routers_ = new QCheckBox("Routers");
  routers_->setObjectName("routers");
  kinds->addWidget(hosts_);
  kinds->addWidget(routers_);
  kinds->addStretch(1);
  layout->addLayout(kinds);
  output_ = new QPlainTextEdit;
  output_->setObjectName("output");
  output_->setReadOnly(true);
  output_->setVisible(false);
  layout->addWidget(output_, 2);
  footer_ = new QLabel;
  footer_->setObjectName("footer");
  layout->addWidget(footer_);

  auto *box = new QDialogButtonBox;
  auto add = [&](const char *text, QDialogButtonBox::ButtonRole role, std::function<void()> fn) {
    QPushButton *b = box->addButton(text, role);
    b->setObjectName(QString(text).toLower());
    connect(b, &QPushButton::clicked, this, [fn = std::move(fn)] { fn(); });
  };
  add("Apply", QDialogButtonBox::ApplyRole, [this] { apply(); });
  add("Reset", QDialogButtonBox::ResetRole, [this] { show_request(); });
  add("Close", QDialogButtonBox::RejectRole, [this] { close(); });
  layout->addWidget(box);
  auto kinds_changed = [this] {
    const int kinds = (hosts_->isChecked() ? KXINST_HOSTS : 0) | (routers_->isChecked() ? KXINST_ROUTERS : 0);
    fill(install_rows(request_, kinds), selected_names());
  };
  connect(hosts_, &QCheckBox::toggled, this, kinds_changed);
  connect(routers_, &QCheckBox::toggled, this, kinds_changed);
  setTabOrder(rows_, hosts_);
  setTabOrder(hosts_, routers_);
  resize(420, 360);
  show_request();
}

InstallDialog::~InstallDialog() {
  if (process_) {
    process_->disconnect();
    process_->kill();
    process_->waitForFinished(2000);
  }
}

void InstallDialog::show_request() {
  const InstallView v = kxinst_initialize(request_);
  setWindowTitle(q(v.title));
  label_->setText(q(v.list_label));
  footer_->setText(q(v.footer));
  const QSignalBlocker bh(hosts_), br(routers_);
  hosts_->setChecked(v.kinds & KXINST_HOSTS);
  routers_->setChecked(v.kinds & KXINST_ROUTERS);
  hosts_->setEnabled(request_.mode != InstallMode::download);
  routers_->setEnabled(request_.mode != InstallMode::download);
  QStringList selected;
  for (const std::string &s : v.selected) selected << q(s);
  fill(v.rows, selected);
}

void InstallDialog::fill(const std::vector<InstallRow> &rows, const QStringList &selected) {
  rows_->clear();
  for (const InstallRow &r : rows) {
    auto *item = new QTreeWidgetItem(rows_, {q(r.name), ""});
    item->setData(0, Qt::UserRole, r.router);
    item->setToolTip(0, r.router ? "router" : "host");
    item->setSelected(selected.contains(q(r.name)));
  }
}

QStringList InstallDialog::selected_names() const {
  QStringList out;
  for (QTreeWidgetItem *i : rows_->selectedItems()) out << i->text(0);
  return out;
}

void InstallDialog::apply() {
  if (process_) {
    error(0, 0, "a process is still running (pid=%lld)", static_cast<long long>(process_->processId()));
    return;
  }
  std::vector<InstallRow> selected;
  for (int i = 0; i < rows_->topLevelItemCount(); ++i)
    if (QTreeWidgetItem *item = rows_->topLevelItem(i); item->isSelected())
      selected.push_back({item->text(0).toStdString(), item->data(0, Qt::UserRole).toBool()});
  chain_ = InstallChain::start(request_.mode, selected);
  if (!chain_) return;
  for (int i = 0; i < rows_->topLevelItemCount(); ++i) rows_->topLevelItem(i)->setText(1, "");
  run_next();
}

void InstallDialog::append(const QString &text) {
  if (!output_->isVisible()) {
    output_->setVisible(true);
    resize(width(), height() + 200);
  }
  output_->moveCursor(QTextCursor::End);
  output_->insertPlainText(text);
  const QString all = output_->toPlainText();
  if (all.size() > kOutputLimit) output_->setPlainText(all.right(kOutputLimit));
  output_->moveCursor(QTextCursor::End);
}

void InstallDialog::show_results() {
  if (!chain_) return;
  for (int i = 0; i < rows_->topLevelItemCount(); ++i) {
    QTreeWidgetItem *item = rows_->topLevelItem(i);
    auto at = chain_->results().find(item->text(0).toStdString());
    if (at != chain_->results().end()) item->setText(1, q(at->second));
  }
}

void InstallDialog::run_next() {
  std::optional<InstallCommand> c = chain_ ? chain_->next() : std::nullopt;
  show_results();
  if (!c) {
    footer_->setText("Done");
    kx_message("%s done", windowTitle().toUtf8().constData());
    if (done) done();
    return;
  }
  running_ = *c;
  footer_->setText(q(c->shown));
  append(q(c->shown) + "\n");
  process_ = new QProcess(this);
  process_->setProcessChannelMode(QProcess::MergedChannels);
  connect(process_, &QProcess::readyRead, this, [this] {
    append(QString::fromLocal8Bit(process_->read(4096)));
    while (process_->bytesAvailable()) append(QString::fromLocal8Bit(process_->read(4096)));
  });
  connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    ended(status == QProcess::NormalExit ? code : -1);
  });
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    append(QString("exec '%1' failed\n").arg(q(running_.argv[0])));
    ended(-1);
  });
  QStringList args;
  for (size_t i = 1; i < running_.argv.size(); ++i) args << q(running_.argv[i]);
  process_->start(q(running_.argv[0]), args);
}

void InstallDialog::ended(int status) {
  if (!process_) return;
  process_->deleteLater();
  process_ = nullptr;
  append(QString("[%1: exit %2]\n").arg(q(running_.argv[0])).arg(status));
  chain_->finished(running_, status);
  if (running_.refresh_status) {
    if (MainWindow *w = kx_basewin()) w->refresh();
    kxst_update();
  }
  run_next();
}

QDialog *open_install_dialog(QWidget *parent, const InstallRequest &request) {
  const QString name = QString("install_") + mode_name(request.mode);
  if (parent)
    if (auto *old = parent->findChild<InstallDialog *>(name, Qt::FindDirectChildrenOnly)) {
      old->raise();
      return old;
    }
  auto *d = new InstallDialog(request, parent);
  d->show();
  return d;
}
