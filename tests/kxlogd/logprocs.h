// Real kxlogd processes for the tests, records to feed them, and the lines a
// reader of the log prints.
#pragma once

#include "kxlog/logrec.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace kxtest {

// A kxlogd started with `args` (after the program name); waits for its
// "listening" line (server role) or `ready` text on standard output.
// Standard error goes to `errfile`. Stopped with SIGTERM (and waited for)
// when the object goes.
class Logd {
public:
  Logd() = default;
  Logd(const std::vector<std::string> &args, const std::string &errfile,
       const std::string &ready = "listening");
  ~Logd();
  Logd(Logd &&o) noexcept : pid_(o.pid_), port_(o.port_) { o.pid_ = -1; }
  Logd &operator=(Logd &&o) noexcept;

  bool ok() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int port() const { return port_; }
  // Sends `sig` and waits for the end; the exit status or -1.
  int stop(int sig = 15);

private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// A log server on 127.0.1.1 with a free port, writing `logfile`, with
// control.map in `confdir`.
Logd start_log_server(const std::string &logfile, const std::string &confdir,
                      const std::string &errfile, const std::vector<std::string> &extra = {});

// The format text of the test filter: format 1 "conn" with src, dst,
// service, proto, s_port and rule; actions 0 drop, 1 reject, 2 accept,
// 3 "![mailme]mail".
extern const char kTestFormats[];
kxid_t test_filter_id(uint32_t n = 1);

struct TestRecord {
  kxlogrec header;
  std::vector<uint8_t> data;
};
TestRecord info_record(uint32_t origin, uint8_t fid, const kxid_t &id);
TestRecord iflist_record(uint32_t origin);
// A connection record whose s_port and rule words carry `seq` (split in two
// 16-bit halves), so that a test can tell every record apart.
TestRecord conn_record(uint32_t origin, uint8_t fid, uint32_t seq, uint32_t action_word = 2);
std::vector<uint8_t> wire(const TestRecord &r);

// The lines `kxc log` would print for `path` (records waiting for their
// formats are shown at the end as "Format unavailable").
std::vector<std::string> log_lines(const std::string &path);

// Connects to 127.0.1.1:port as a log client (silly authentication); -1 on
// failure.
int log_client(int port, bool acks = false);
bool send_all(int fd, const std::vector<uint8_t> &bytes);
// Reads what the server wrote within `ms` milliseconds.
std::vector<uint8_t> read_for(int fd, int ms);

// Waits up to `ms` for `pred`, polling every 20 ms.
template <class F> bool eventually(F pred, int ms = 10000);

} // namespace kxtest

#include <unistd.h>
template <class F> bool kxtest::eventually(F pred, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (pred()) return true;
    usleep(20000);
  }
  return pred();
}

namespace kxtest {

// A module directory for a collector: "interfaces" (eth0, eth1) and an
// installed filter whose log formats are kTestFormats.
void make_module(const std::string &dir);
// One packet filter message: the words, then the trailer.
std::vector<uint8_t> message_bytes(const std::vector<uint32_t> &words, uint8_t format,
                                   uint8_t actif, uint8_t direction, uint8_t fid);
// A connection message of format 1 carrying `seq` (s_port and rule words).
std::vector<uint8_t> conn_message(uint32_t seq, uint32_t action_word = 2);
// Sends one datagram to a collector's socket (waiting a while for it to be
// there); false when it cannot be sent.
bool send_datagram(const std::string &socket_path, const std::vector<uint8_t> &bytes);
// Sends one packet filter message to a collector's message socket.
bool send_message(const std::string &socket_path, const std::vector<uint32_t> &words,
                  uint8_t format, uint8_t actif, uint8_t direction, uint8_t fid);
// A connection message of format 1 carrying `seq` (s_port and rule words).
bool send_conn(const std::string &socket_path, uint32_t seq, uint32_t action_word = 2);

// Per (origin, seq) of the format-1 records in a log file, how often it is
// there, in file order.
struct SeqRecord {
  uint32_t origin, seq;
};
std::vector<SeqRecord> seq_records(const std::string &path);

} // namespace kxtest
