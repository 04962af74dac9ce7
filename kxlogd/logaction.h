// The alert executor: a record whose action name begins with "!" runs the
// command the global properties name for it, with the record's printed line
// on its standard input. The action "![mail]..." runs the property "mailcmd"
// of the properties in the objects file (reloaded whenever the file
// changes). At most act_maxproc commands run at once; the others wait in a
// bounded queue, so that the caller never waits for a command.
#pragma once

#include <cstddef>
#include <ctime>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <sys/types.h>

namespace kxlogd {

class LogAlerts {
public:
  explicit LogAlerts(std::string objects_path) : objects_(std::move(objects_path)) {}
  ~LogAlerts();
  LogAlerts(const LogAlerts &) = delete;
  LogAlerts &operator=(const LogAlerts &) = delete;

  int act_maxproc = 1;
  static constexpr size_t kMaxWaiting = 1000;

  // Runs (or queues) the command of `action_name` with `line`. 0 when it was
  // started or queued, -1 when the action or its command is not usable (the
  // reason is reported).
  int log_action(const std::string &action_name, const std::string &line);
  // Reaps the commands that ended and starts waiting ones; the number
  // running after.
  int poll();
  int running() const { return int(children_.size()); }
  size_t waiting() const { return waiting_.size(); }
  // Waits up to `ms` for every command, waiting ones included, to end.
  bool wait_all(int ms);

private:
  struct Alert {
    std::string command, line;
  };
  int load_properties();
  bool spawn(const Alert &a);

  std::string objects_;
  off_t size_ = -1;
  time_t mtime_ = 0;
  bool have_props_ = false;
  std::map<std::string, std::string> commands_; // property name -> its text
  std::set<pid_t> children_;
  std::deque<Alert> waiting_;
};

} // namespace kxlogd
