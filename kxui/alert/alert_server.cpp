#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "kxu/report.h"
#include "kxui/alert/alert.h"

KxAlertServer::~KxAlertServer() {
  close();
  for (auto &[fd, c] : conns_) {
    loop_.unwatch_fd(fd);
    ::close(fd);
  }
}

int KxAlertServer::start(int port) {
  close();
  fd_ = make_server(port);
  if (fd_ < 0) {
    error(0, 0, "Failed to create server at port %d", port);
    return -1;
  }
  loop_.watch_fd(fd_, [this] { accept_one(); });
  return 0;
}

void KxAlertServer::close() {
  if (fd_ < 0) return;
  loop_.unwatch_fd(fd_);
  ::close(fd_);
  fd_ = -1;
}

void KxAlertServer::accept_one() {
  const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (c < 0) {
    if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) return;
    error(0, -1, "Failed to accept");
    close();
    return;
  }
  conns_.emplace_back(c, Conn{});
  loop_.watch_fd(c, [this, c] { read_from(c); });
}

void KxAlertServer::read_from(int fd) {
  auto it = std::find_if(conns_.begin(), conns_.end(), [fd](auto &p) { return p.first == fd; });
  if (it == conns_.end()) return;
  Conn &conn = it->second;
  char buf[4096];
  const ssize_t r = ::read(fd, buf, sizeof buf);
  if (r < 0 && (errno == EINTR || errno == EAGAIN)) return;
  auto keep = [&conn](std::string line) {
    if (conn.lines.size() < kx_alert_lines_max) conn.lines.push_back(std::move(line));
  };
  if (r > 0) {
    for (ssize_t i = 0; i < r; ++i) {
      conn.partial += buf[i];
      // A line ends at its newline or at the length limit.
      if (buf[i] == '\n' || conn.partial.size() >= kx_alert_line_max) {
        keep(std::move(conn.partial));
        conn.partial.clear();
      }
    }
    return;
  }
  // End of input (or an error): the lines go to the window at once.
  if (!conn.partial.empty()) keep(std::move(conn.partial));
  std::vector<std::string> lines = std::move(conn.lines);
  loop_.unwatch_fd(fd);
  ::close(fd);
  conns_.erase(it);
  if (deliver_ && !lines.empty()) deliver_(lines);
}
