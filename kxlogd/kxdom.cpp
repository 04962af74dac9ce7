#include "kxdom.h"

#include "kxsys/errors.h"
#include "kxu/report.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kxlogd {

dom_tables parse_domtables(const char *text, size_t length) {
  dom_tables tables;
  size_t at = 0;
  while (at < length) {
    const char *nl = static_cast<const char *>(std::memchr(text + at, '\n', length - at));
    if (!nl) break; // text after the last newline is ignored
    std::string line(text + at, nl);
    at = size_t(nl - text) + 1;
    const size_t colon = line.find(':');
    if (colon != std::string::npos) line.erase(0, colon + 1);
    std::vector<std::string> words;
    for (size_t i = 0; i < line.size();) {
      while (i < line.size() && isspace(static_cast<unsigned char>(line[i]))) ++i;
      const size_t start = i;
      while (i < line.size() && !isspace(static_cast<unsigned char>(line[i]))) ++i;
      if (i > start) words.push_back(line.substr(start, i - start));
    }
    // The number is a whole word of hexadecimal digits; a line without one
    // names no domain.
    if (words.empty() || words[0].size() > 8 ||
        !std::all_of(words[0].begin(), words[0].end(), [](char c) { return isxdigit(static_cast<unsigned char>(c)); }))
      continue;
    dom_entry e;
    e.number = uint32_t(std::stoul(words[0], nullptr, 16));
    e.names.assign(words.begin() + 1, words.end());
    tables.push_back(std::move(e));
  }
  return tables;
}

bool dom_match(std::string name, std::string domain) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  if (!domain.empty() && domain.back() == '.') domain.pop_back();
  if (domain.size() > name.size()) return domain.size() == name.size() + 1 && domain[0] == '.' &&
                                           strcasecmp(domain.c_str() + 1, name.c_str()) == 0;
  return strcasecmp(name.c_str() + (name.size() - domain.size()), domain.c_str()) == 0;
}

uint32_t dom_set(const dom_tables &tables, const std::vector<std::string> &names) {
  uint32_t set = 0;
  for (const auto &e : tables)
    for (const auto &name : names)
      if (e.number < 32 && std::any_of(e.names.begin(), e.names.end(),
                                       [&](const std::string &d) { return dom_match(name, d); }))
        set |= 1u << e.number;
  return set;
}

void DomainResolver::set_tables(const std::string &domain_text) {
  tables_ = parse_domtables(domain_text.data(), domain_text.size());
  // A running child works from the old tables: the next request starts one
  // with the new.
  if (pid_ > 0 && pending_.empty()) stop_server();
}

std::string DomainResolver::full_name(uint32_t address) {
  if (!lookups_.names) return "";
  const auto names = lookups_.names(address);
  return names.empty() ? "" : names[0];
}

void DomainResolver::kx_do_checkdom(uint32_t address) {
  const auto names = lookups_.names ? lookups_.names(address) : std::vector<std::string>{};
  if (names.empty()) kxsys::herror(0, 0, "host %x: not found", address);
  if (lookups_.table_update) lookups_.table_update("domain", {address, 1, dom_set(tables_, names)});
}

void DomainResolver::kx_do_checkpmap(uint32_t address) {
  if (!lookups_.table_update) return;
  const auto regs = lookups_.pmap ? lookups_.pmap(address) : std::nullopt;
  if (!regs) {
    lookups_.table_update("pmap_not_responding", {address});
    return;
  }
  for (const auto &r : *regs) lookups_.table_update("rpc_serv", r);
  lookups_.table_update("rpc_serv_hosts", {address});
}

void DomainResolver::domain_server(int fd) {
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int n = poll(&p, 1, idle_timeout * 1000);
    if (n == 0) {
      kxsys::herror(0, 0, "domserver: timedout");
      return;
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      error(0, -1, "kxdomserver: select failed");
      return;
    }
    uint32_t req[2];
    ssize_t got = 0;
    while (got < ssize_t(sizeof req)) {
      const ssize_t r = read(fd, reinterpret_cast<char *>(req) + got, sizeof req - size_t(got));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        error(0, -1, "kxdomserver: read failed");
        return;
      }
      if (r == 0) break;
      got += r;
    }
    if (got == 0) return; // the collector went away
    if (got != ssize_t(sizeof req)) {
      error(0, 0, "kxdomserver: Bad format %d bytes", int(got));
      return;
    }
    switch (req[0]) {
    case DOM_CHECK: kx_do_checkdom(req[1]); break;
    case DOM_PMAP: kx_do_checkpmap(req[1]); break;
    case DOM_HOSTNAME: {
      char reply[DOM_REPLY_SIZE] = {};
      std::memcpy(reply, &req[1], 4);
      const std::string name = full_name(req[1]);
      std::memcpy(reply + 4, name.data(), std::min<size_t>(name.size(), 255));
      if (write(fd, reply, sizeof reply) != ssize_t(sizeof reply))
        error(0, -1, "kx_do_gethostname: hostname writeback failed");
      break;
    }
    default: error(0, 0, "kxdomserver: unknown request type"); break;
    }
  }
}

int DomainResolver::make_dom_server() {
  if (pid_ > 0) return 0;
  int sv[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
    error(0, -1, "kxdom: Failed to create pipe");
    return -1;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    error(0, -1, "kxdom: fork failed");
    ::close(sv[0]);
    ::close(sv[1]);
    return -1;
  }
  if (pid == 0) {
    // Only the child's end of the pair stays open.
    const unsigned end = unsigned(sv[1]);
    if (end > 3) syscall(SYS_close_range, 3u, end - 1, 0u);
    syscall(SYS_close_range, end + 1, ~0u, 0u);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_IGN);
    if (child_main) child_main(sv[1]);
    else domain_server(sv[1]);
    _exit(0);
  }
  ::close(sv[1]);
  fcntl(sv[0], F_SETFL, fcntl(sv[0], F_GETFL) | O_NONBLOCK);
  fd_ = sv[0];
  pid_ = pid;
  return 0;
}

void DomainResolver::stop_server() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  pid_ = -1;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  replies_.clear();
  // Questions the child took with it get no name.
  std::deque<Pending> lost;
  lost.swap(pending_);
  for (auto &p : lost) p.callback(p.address, "");
}

int DomainResolver::server_req(uint32_t type, uint32_t address) {
  if (failures_ > 10) {
    error(0, 0, "kxdom: the resolver failed too often; request dropped");
    return -1;
  }
  const uint32_t req[2] = {type, address};
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (make_dom_server() < 0) return -1;
    const ssize_t w = send(fd_, req, sizeof req, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w == ssize_t(sizeof req)) return 0;
    if (w >= 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
      error(0, 0, "kxdom: Too many requests queued");
      return -1;
    }
    if (errno != EPIPE && errno != EBADF && errno != ECONNABORTED && errno != ECONNRESET) {
      error(0, -1, "kxdom: write to query server failed");
      return -1;
    }
    stop_server(); // the child is gone: start another and try once more
  }
  error(0, 0, "kxdom: Failed to send data");
  return -1;
}

int DomainResolver::kx_checkdom(uint32_t address) {
  if (!dom_fork) {
    kx_do_checkdom(address);
    return 0;
  }
  return server_req(DOM_CHECK, address);
}

int DomainResolver::kx_checkpmap(uint32_t address) {
  if (!dom_fork) {
    kx_do_checkpmap(address);
    return 0;
  }
  return server_req(DOM_PMAP, address);
}

int DomainResolver::kxd_gethostname(uint32_t address, HostCallback callback) {
  if (!dom_fork) {
    callback(address, full_name(address));
    return 0;
  }
  if (pending_.size() >= 4096 || server_req(DOM_HOSTNAME, address) < 0) {
    callback(address, "");
    return -1;
  }
  pending_.push_back({address, std::move(callback)});
  return 0;
}

void DomainResolver::kxd_hostname_reply() {
  if (fd_ < 0) return;
  char buf[4 * DOM_REPLY_SIZE];
  const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (n <= 0) {
    if (n < 0) {
      error(0, -1, "kxd_hostname reply: read returned %d", int(n));
      ++failures_;
    }
    stop_server();
    return;
  }
  replies_.append(buf, size_t(n));
  while (replies_.size() >= DOM_REPLY_SIZE) {
    uint32_t address = 0;
    std::memcpy(&address, replies_.data(), 4);
    std::string name(replies_.data() + 4, DOM_REPLY_SIZE - 4);
    name.resize(strnlen(name.c_str(), name.size()));
    replies_.erase(0, DOM_REPLY_SIZE);
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [&](const Pending &p) { return p.address == address; });
    if (it == pending_.end()) continue; // nobody asked
    Pending p = std::move(*it);
    pending_.erase(it);
    p.callback(address, name);
  }
}

} // namespace kxlogd
