// The address-to-name service of a collector. Lookups can block for long,
// so they run in a resolver child joined by a socket pair; the collector
// only writes 8-byte requests and reads 260-byte host name replies, never
// waiting for either.
//
// Domain tables come with each log-info record: one line per entry, an
// optional "word:" prefix, the domain number in hexadecimal and the domain
// names. A domain check tells the packet filter which of the tables' domains
// an address's names fall in.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kxlogd {

struct dom_entry {
  uint32_t number = 0;
  std::vector<std::string> names;
};
using dom_tables = std::vector<dom_entry>;

// Parses a domain text; text after the last newline is ignored.
dom_tables parse_domtables(const char *text, size_t length);
// The matching rule: trailing dots ignored; a domain longer than the name
// matches only as "." followed by exactly the name; otherwise the name's
// tail equals the domain without regard to case.
bool dom_match(std::string name, std::string domain);
// The set of domain numbers (bit n for number n below 32) that any of
// `names` matches.
uint32_t dom_set(const dom_tables &tables, const std::vector<std::string> &names);

enum dom_request_type : uint32_t { DOM_CHECK = 1, DOM_PMAP = 2, DOM_HOSTNAME = 3 };
inline constexpr size_t DOM_REQUEST_SIZE = 8;
inline constexpr size_t DOM_REPLY_SIZE = 260;

// What the child does for each request; the defaults ask the system's
// resolver and the host's port mapper and hand results to `table_update`.
struct DomainLookups {
  // The host's name and aliases; empty when it has none.
  std::function<std::vector<std::string>(uint32_t address)> names;
  // A filter table update: table name and values ("domain": address, 1,
  // the set of domain numbers; "rpc_serv", "rpc_serv_hosts",
  // "pmap_not_responding" for port-map checks).
  std::function<void(const std::string &table, const std::vector<uint32_t> &values)> table_update;
  // The registrations of the host's port mapper (host, protocol, port,
  // program), or nullopt when it does not answer.
  std::function<std::optional<std::vector<std::vector<uint32_t>>>(uint32_t address)> pmap;
};
DomainLookups default_lookups(const std::string &tables_file);

class DomainResolver {
public:
  using HostCallback = std::function<void(uint32_t address, const std::string &name)>;

  explicit DomainResolver(DomainLookups lookups) : lookups_(std::move(lookups)) {}
  ~DomainResolver() { stop_server(); }
  DomainResolver(const DomainResolver &) = delete;
  DomainResolver &operator=(const DomainResolver &) = delete;

  int dom_fork = 1;          // 0: look up in the calling process
  int idle_timeout = 60;     // seconds a child waits for a request

  // Replaces the domain tables (a child that runs is restarted with them).
  void set_tables(const std::string &domain_text);
  const dom_tables &tables() const { return tables_; }

  // 0 when the request was handed over, -1 when not (reported).
  int kx_checkdom(uint32_t address);
  int kx_checkpmap(uint32_t address);
  // The callback gets the full host name ("" when there is none) later, from
  // replies(); without a child it is called at once.
  int kxd_gethostname(uint32_t address, HostCallback callback);

  // The parent's end of the pair, to wait on for replies (-1: no child).
  int fd() const { return fd_; }
  pid_t child() const { return pid_; }
  // Reads one reply when fd() is readable and calls its callback; a reply
  // for an address nobody asked about is dropped.
  void kxd_hostname_reply();
  size_t pending() const { return pending_.size(); }

  int make_dom_server();
  void stop_server();

  // The child's work, exposed for the tests: serves requests on `fd` until
  // the stream ends, a request is malformed or none comes for idle_timeout.
  void domain_server(int fd);
  // Replaces the child's serving loop (tests put a misbehaving child here).
  std::function<void(int fd)> child_main;

private:
  int server_req(uint32_t type, uint32_t address);
  void kx_do_checkdom(uint32_t address);
  void kx_do_checkpmap(uint32_t address);
  std::string full_name(uint32_t address);

  DomainLookups lookups_;
  dom_tables tables_;
  pid_t pid_ = -1;
  int fd_ = -1;
  int failures_ = 0;
  struct Pending {
    uint32_t address;
    HostCallback callback;
  };
  std::deque<Pending> pending_;
  std::string replies_; // reply bytes not yet taken
};

} // namespace kxlogd
