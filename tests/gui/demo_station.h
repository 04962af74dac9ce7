// The station on a fresh copy of the demo installation, for the window tests:
// each test function starts from the demo's objects with notices collected
// and questions answered "no", and leaves nothing behind for the next.
#pragma once

#include "kxu/kxdir.h"
#include "kxui/editor/edits.h"
#include "kxui/gui/gui.h"
#include "kxui/gui/mainwindow.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxui/users/kxa.h"

#include <QObject>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class DemoStationTest : public QObject {
protected:
  QTemporaryDir dir_;
  std::unique_ptr<MainWindow> w_;
  std::vector<std::string> notices_;
  GuiUnattended unattended_;

  // Copies the demo installation into this test's directory and loads its
  // objects; false when they do not load.
  bool load_demo() {
    std::filesystem::copy(KX_SOURCE_DIR "/demo", dir_.path().toStdString(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    kxdir = dir_.path().toStdString();
    if (load_objects(nullptr) != 0) return false;
    obj_modified = 0;
    rule_init();
    return true;
  }

  // Shows the main window with notices going to notices_.
  void open_window() {
    notices_.clear();
    unattended_.notice = [this](const std::string &n) { notices_.push_back(n); };
    unattended_.answer = 0;
    gui_set_unattended(&unattended_);
    w_ = std::make_unique<MainWindow>();
    w_->show();
  }

  bool open_demo_rule_base() { return w_->load(dir_.path() + "/conf/Standard.W"); }

  // The demo with its window and rule base open.
  bool open_demo() {
    if (!load_demo()) return false;
    open_window();
    return open_demo_rule_base();
  }

  void close_station() {
    rule_modified = 0;
    obj_modified = 0;
    w_.reset();
    kx_edits().clear();
    file_close();
    gui_set_unattended(nullptr);
    destruct_objects();
    kxa_db_close();
  }
};
