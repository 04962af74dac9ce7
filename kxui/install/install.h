// Putting the rule base into force without a toolkit: the install dialog's
// request and rows, and the chain of commands that "Apply" runs one at a
// time (kx for the modules, kxcisco per Cisco router, kxell per batch of
// Wellfleet routers). The window runs each command as a child process,
// shows its output and hands its exit status back; everything else (the
// questions, saving and compiling, the router files, which command comes
// next, the result of each target) happens here.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

enum class InstallMode { install = 1, uninstall = 2, download = 3 };

// Kinds of rows: bit 1 the firewalled hosts, bit 2 the routers.
enum { KXINST_HOSTS = 1, KXINST_ROUTERS = 2 };

// What the dialog is opened with.
struct InstallRequest {
  InstallMode mode = InstallMode::install;
  std::vector<std::string> hosts, preselected, routers;
  int kinds = 0; // 0: worked out from the preselected names
};

// The request of the Policy menu's "Install ..." and "Uninstall ..." (every
// firewalled host preselected, every router listed) and of the users
// window's database download (hosts only).
InstallRequest install_request_all(InstallMode mode);

struct InstallRow {
  std::string name;
  bool router = false;
};

// The dialog as a request shows it.
struct InstallView {
  std::string title, list_label, footer;
  int kinds = 0;
  std::vector<InstallRow> rows;        // hosts, then routers
  std::vector<std::string> selected;   // the preselected names among the rows
};
InstallView kxinst_initialize(const InstallRequest &request);
// The rows of `request` for other kinds (the dialog's "Hosts"/"Routers").
std::vector<InstallRow> install_rows(const InstallRequest &request, int kinds);

// One child process of the chain.
struct InstallCommand {
  std::vector<std::string> argv;
  std::string shown;                // the footer line: never a password
  std::vector<std::string> targets; // the rows it acts on
  bool module_step = false;         // kx load / unload / dbload
  bool refresh_status = false;      // the status display is refreshed after it
};

class InstallChain {
public:
  // "Apply" on the selected rows: "No targets specified" for none, then the
  // mode's questions. Nothing when there is nothing to run.
  static std::optional<InstallChain> start(InstallMode mode, const std::vector<InstallRow> &selected);

  // The next command, after doing the steps that need no child (saving and
  // compiling the rule base, writing the router files); nothing when the
  // chain is over. Failures are reported as they happen.
  std::optional<InstallCommand> next();
  // The end of the command `next` gave last, with its exit status (-1 when
  // it could not be started or did not exit normally).
  void finished(const InstallCommand &command, int status);

  // Per target: "installed", "uninstalled", "downloaded", "failed" or why
  // it was skipped; targets not reached yet have no entry.
  const std::map<std::string, std::string> &results() const { return results_; }
  InstallMode mode() const { return mode_; }

private:
  InstallChain(InstallMode mode, const std::vector<InstallRow> &selected);
  std::optional<InstallCommand> module_step();
  std::optional<InstallCommand> cisco_step();
  std::optional<InstallCommand> wellfleet_step();
  bool routers_init();

  enum class Stage { modules, routers, cisco, wellfleet, done };
  InstallMode mode_;
  Stage stage_ = Stage::modules;
  std::vector<std::string> hosts_, routers_, vendors_;
  size_t next_router_ = 0;
  std::string wellfleet_file_;
  std::map<std::string, std::string> results_;
};

// The rule base compiled into its filter file (next to the rule base, ".pf",
// replaced safely); the file's name, or nothing (reported).
std::optional<std::string> filter_save();

// The Cisco router's login and enable passwords in clear, or nothing
// ("Cannot get password for '%s'").
std::optional<std::pair<std::string, std::string>> router_passwords(const std::string &router);

// The most Wellfleet routers one kxell command takes.
inline constexpr size_t wellfleet_coinstall = 16;
