// Real net-snmp daemons for the tests: snmpd and snmptrapd started on
// 127.0.0.1 with their own configuration on a free port, stopped (and
// waited for) when the object goes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/tempdir.h"

namespace kxtest {

// A UDP port on 127.0.0.1 that was free a moment ago.
inline int free_udp_port() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

inline std::string slurp(const std::string &path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// An agent that answers as a module with the filter "Standard" installed
// (state, filter, install time, counters) and one Wellfleet filter name.
inline const char *const module_agent_conf = R"(rocommunity public 127.0.0.1
override .1.3.6.1.4.1.32473.1.1.0 octet_str "installed"
override .1.3.6.1.4.1.32473.1.2.0 octet_str "Standard"
override .1.3.6.1.4.1.32473.1.3.0 octet_str "11Dec126  0:20:00"
override .1.3.6.1.4.1.32473.1.4.0 counter 100
override .1.3.6.1.4.1.32473.1.5.0 counter 10
override .1.3.6.1.4.1.32473.1.6.0 counter 5
override .1.3.6.1.4.1.32473.1.7.0 counter 7
override .1.3.6.1.4.1.32473.2.2.1.1.2.1 octet_str "JIIIIIIIStandard.wf"
)";

class SnmpDaemon {
public:
  // program: "/usr/sbin/snmpd" or "/usr/sbin/snmptrapd"; config: the
  // configuration text; extra: more arguments before the address.
  SnmpDaemon(const std::string &program, const std::string &config,
             std::vector<std::string> extra = {})
      : port_(free_udp_port()) {
    const std::string conf = dir_.write("daemon.conf", config);
    log_ = dir_.file("daemon.log");
    std::vector<std::string> args = {program, "-f", "-C", "-c", conf, "-Lf", log_};
    for (auto &e : extra) args.push_back(e);
    args.push_back("udp:127.0.0.1:" + std::to_string(port_));
    pid_ = fork();
    if (pid_ == 0) {
      setenv("SNMP_PERSISTENT_DIR", dir_.path().c_str(), 1);
      setenv("SNMPCONFPATH", dir_.path().c_str(), 1);
      setenv("MIBS", "", 1);
      std::vector<char *> argv;
      for (auto &a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~SnmpDaemon() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int st = 0;
      waitpid(pid_, &st, 0);
    }
  }
  SnmpDaemon(const SnmpDaemon &) = delete;
  SnmpDaemon &operator=(const SnmpDaemon &) = delete;

  int port() const { return port_; }
  std::string log() const { return slurp(log_); }
  const std::string &dir() const { return dir_.path(); }
  // Waits until the log holds `text` (at most 10 s).
  bool wait_for(const std::string &text) const {
    for (int i = 0; i < 200; ++i) {
      if (log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

private:
  TempDir dir_;
  int port_;
  std::string log_;
  pid_t pid_ = -1;
};

} // namespace kxtest
