// The alert mode without its window: the client that hands an alert to a
// running alert window (TCP port 7002 on this host), the server side that
// collects the lines of each connection for the window, and the console
// fall-back when there is no display.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kxui/status/event_loop.h"

constexpr int kx_alert_port = 7002;
// Longest line kept (longer lines are cut) and most lines kept per
// connection; beyond that a connection's lines are dropped, not stored.
constexpr size_t kx_alert_line_max = 1024;
constexpr size_t kx_alert_lines_max = 2000;

// A connection to 127.0.0.1:port, or -1.
int make_client(int port);
// A listening stream socket on any address (SO_REUSEADDR, backlog 64), or -1.
int make_server(int port);

// Writes each argument and a newline, then copies `in` to its end, to fd.
// 0, or -1 on a write error.
int alert_send(int fd, const std::vector<std::string> &args, int in);

// The console fall-back: three BELs, "<title>: ", each argument and a
// newline, then `in` to its end. -1 when the file cannot be opened
// ("Failed to open /dev/console" is the caller's message).
int alert_console(const std::string &path, const std::string &title,
                  const std::vector<std::string> &args, int in);

// The lines the window shows. Each line loses one trailing newline.
class KxAlertLines {
public:
  void add_strings(const std::vector<std::string> &lines);
  void clear() { lines_.clear(); }
  const std::vector<std::string> &lines() const { return lines_; }

private:
  std::vector<std::string> lines_;
};

// Accepts connections on the loop and reads each to its end; then all its
// lines go to `deliver` at once. close() stops accepting (the full window).
class KxAlertServer {
public:
  using Deliver = std::function<void(const std::vector<std::string> &)>;
  KxAlertServer(KxEventLoop &loop, Deliver deliver) : loop_(loop), deliver_(std::move(deliver)) {}
  ~KxAlertServer();
  KxAlertServer(const KxAlertServer &) = delete;
  KxAlertServer &operator=(const KxAlertServer &) = delete;

  // Listens on port: 0, or -1 ("Failed to create server at port %d" reported).
  int start(int port);
  void close();
  bool listening() const { return fd_ >= 0; }
  size_t connections() const { return conns_.size(); }

private:
  struct Conn {
    std::string partial;
    std::vector<std::string> lines;
  };
  void accept_one();
  void read_from(int fd);

  KxEventLoop &loop_;
  Deliver deliver_;
  int fd_ = -1;
  std::vector<std::pair<int, Conn>> conns_;
};

int alert_cmain(int argc, char **argv);
