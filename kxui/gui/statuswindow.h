// "System Status": one row per status node with its state, policy, date and
// counters, filled by status passes over the SNMP client on Qt's loop. The
// boxes, the menu rules and the passes live in kxui/status; this window
// shows them and forwards the user's commands.
#pragma once

#include "kxui/status/kxst.h"
#include "kxui/status/kxst_display.h"

#include <QDialog>

#include <memory>

class QLabel;
class QMenu;
class QSpinBox;
class QTimer;
class QTreeWidget;

class StatusWindow : public QDialog {
public:
  explicit StatusWindow(QWidget *parent);
  ~StatusWindow() override;

  // "Update" > "All" / "Selected"; "Show" > "Selected" / "All".
  void update_all() { passes_->kxst_array_show(true); }
  void update_selected() { passes_->kxst_array_show(false); }
  void show_selected();
  void show_all();
  // "Update Interval (min):".
  void set_interval_minutes(int minutes);
  // A box menu item on the node's row.
  void run_item(const QString &node, KxBoxItem item);
  // The box menu of a node, enabled by its state (the caller owns it).
  QMenu *box_menu(const QString &node);

  KxStatusDisplay &display() { return display_; }
  const KxStatusPasses &passes() const { return *passes_; }
  QTreeWidget *rows() const { return rows_; }

protected:
  void showEvent(QShowEvent *e) override;
  void hideEvent(QHideEvent *e) override;

private:
  void redraw();
  void take_selection();
  void tick();

  KxStatusDisplay display_;
  std::unique_ptr<KxStatusPasses> passes_;
  QTreeWidget *rows_;
  QLabel *last_update_, *now_, *footer_;
  QSpinBox *interval_;
  QTimer *clock_;
  bool redrawing_ = false;
};

// Opens (or raises) the status window of the main window; a pass over all
// nodes starts as it is shown.
StatusWindow *open_status_window(QWidget *parent);
// After an install chain: a pass over all nodes when the window is open.
void kxst_update();
// How nodes are asked: the module and router ports and the time-outs. With
// KX_STATUS_AGENT=ADDRESS:PORT in the environment every node is asked at
// that one agent (the demo's stand-in agent, the screenshots).
KxStatusOptions &gui_status_options();
