#include "logaction.h"

#include "kxset/sio.h"
#include "kxu/report.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kxlogd {

LogAlerts::~LogAlerts() { wait_all(2000); }

// The properties are read again whenever the objects file changed size or
// modification time since they were last read.
int LogAlerts::load_properties() {
  struct stat st {};
  if (stat(objects_.c_str(), &st) != 0) {
    error(0, -1, "log_action: cannot stat '%s' (thus no configuration update)", objects_.c_str());
    return have_props_ ? 0 : -1;
  }
  if (have_props_ && st.st_size == size_ && st.st_mtime == mtime_) return 0;
  FILE *f = fopen(objects_.c_str(), "r");
  kxset *top = nullptr;
  if (f) {
    sio_setfile(objects_.c_str());
    top = sio_read(f);
    fclose(f);
  }
  if (!top || sio_errno()) {
    KxSetRef drop(top);
    error(0, 0, "cannot read '%s' (thus no alerts will be executed)", objects_.c_str());
    have_props_ = false;
    return -1;
  }
  KxSetRef objects(top);
  size_ = st.st_size;
  mtime_ = st.st_mtime;
  commands_.clear();
  kxset *props = objects->get("props");
  kxset *global = props && props->getnattr() > 0 ? props->get(0) : nullptr;
  have_props_ = global != nullptr;
  for (int i = 0; global && i < global->getnattr(); ++i) {
    kxset *value = global->get(i);
    const KxAtom name = global->getattrnamea(i);
    if (value && value->getname()) commands_[name.c_str()] = value->getname();
  }
  return 0;
}

int LogAlerts::log_action(const std::string &action_name, const std::string &line) {
  if (load_properties() < 0) return -1;
  const size_t open = action_name.find('[');
  if (open == std::string::npos) {
    error(0, 0, "alertd: Action hasn't got a name (no '[')");
    return -1;
  }
  const size_t close = action_name.find(']', open);
  if (close == std::string::npos) {
    error(0, 0, "alertd: Action name malformed (no ']')");
    return -1;
  }
  const std::string name = action_name.substr(open + 1, close - open - 1);
  if (name.empty()) {
    error(0, 0, "alertd: Action hasn't got a name");
    return -1;
  }
  if (!have_props_) {
    error(0, 0, "alertd: properties object NULL");
    return -1;
  }
  auto it = commands_.find(name + "cmd");
  if (it == commands_.end() || it->second.empty()) {
    error(0, 0, "alertd: action '%s' not found", name.c_str());
    return -1;
  }
  poll();
  if (running() < act_maxproc) return spawn({it->second, line}) ? 0 : -1;
  if (waiting_.size() >= kMaxWaiting) {
    error(0, 0, "alertd: %zu alerts waiting, '%s' dropped", waiting_.size(), name.c_str());
    return -1;
  }
  waiting_.push_back({it->second, line});
  return 0;
}

namespace {

// A command that exits before reading its line must not take the process
// down with SIGPIPE, whatever the program's own signal settings: the signal
// is blocked in this thread for the write and a pending one is taken back.
bool write_ignoring_sigpipe(int fd, const std::string &text) {
  sigset_t pipe_set, old;
  sigemptyset(&pipe_set);
  sigaddset(&pipe_set, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_set, &old);
  const bool ok = ::write(fd, text.data(), text.size()) >= 0;
  const int saved = errno;
  if (!ok && saved == EPIPE) {
    const timespec now{};
    while (sigtimedwait(&pipe_set, nullptr, &now) == SIGPIPE) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = saved;
  return ok;
}

} // namespace

bool LogAlerts::spawn(const Alert &a) {
  int in[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    error(0, -1, "Failed to execute '%s'", a.command.c_str());
    return false;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    // Only calls that are safe after fork in a threaded process.
    dup2(in[0], 0);
    syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC);
    signal(SIGPIPE, SIG_DFL);
    execl("/bin/sh", "sh", "-c", a.command.c_str(), static_cast<char *>(nullptr));
    _exit(127);
  }
  ::close(in[0]);
  if (pid < 0) {
    ::close(in[1]);
    error(0, -1, "Failed to execute '%s'", a.command.c_str());
    return false;
  }
  children_.insert(pid);
  const std::string text = a.line + "\n";
  // A line is far below a pipe's capacity; a command that does not read
  // does not hold us up.
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  if (!write_ignoring_sigpipe(in[1], text) && errno != EPIPE)
    error(0, -1, "Failed to execute '%s'", a.command.c_str());
  ::close(in[1]);
  return true;
}

int LogAlerts::poll() {
  for (auto it = children_.begin(); it != children_.end();) {
    int status = 0;
    const pid_t r = waitpid(*it, &status, WNOHANG);
    it = (r == *it || (r < 0 && errno == ECHILD)) ? children_.erase(it) : std::next(it);
  }
  while (!waiting_.empty() && running() < act_maxproc) {
    const Alert a = std::move(waiting_.front());
    waiting_.pop_front();
    spawn(a);
  }
  return running();
}

bool LogAlerts::wait_all(int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    if (poll() == 0 && waiting_.empty()) return true;
    usleep(10000);
  }
  return false;
}

} // namespace kxlogd
