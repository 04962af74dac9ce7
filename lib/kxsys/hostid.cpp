#include "kxsys/hostid.h"

#include "kxsys/conn.h"
#include "kxsys/errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <ctime>
#include <ifaddrs.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

namespace kxsys {

bool kx_noloopback = false;

namespace {
std::mutex cache_lock;
std::vector<uint32_t> cached;
time_t cached_at = 0;

std::vector<uint32_t> read_interfaces() {
  std::vector<uint32_t> out;
  ifaddrs *list = nullptr;
  if (getifaddrs(&list) != 0)
    return out;
  for (ifaddrs *i = list; i; i = i->ifa_next)
    if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET)
      out.push_back(ntohl(reinterpret_cast<sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr));
  freeifaddrs(list);
  return out;
}

std::string own_hostname() {
  static std::once_flag once;
  static std::string name;
  std::call_once(once, [] {
    char buf[256] = {};
    gethostname(buf, sizeof buf - 1);
    name = buf;
  });
  return name;
}
} // namespace

int32_t kx_hostid() {
  static const int32_t id = int32_t(gethostid());
  return id;
}

std::vector<uint32_t> kx_local_addresses() {
  std::lock_guard g(cache_lock);
  time_t now = time(nullptr);
  if (cached.empty() || now - cached_at > 100) {
    cached = read_interfaces();
    cached_at = now;
  }
  std::vector<uint32_t> out;
  for (uint32_t a : cached)
    if ((a >> 24) != 127)
      out.push_back(a);
  for (uint32_t a : cached)
    if ((a >> 24) == 127)
      out.push_back(a);
  if (out.size() > 20)
    out.resize(20);
  return out;
}

bool kx_addr_is_local(uint32_t address) {
  if (address == 0x7f000001u)
    return true;
  for (uint32_t a : kx_local_addresses())
    if (a == address)
      return true;
  return false;
}

bool kx_is_local(const std::string &name) {
  if (kx_noloopback)
    return false;
  if (name.empty() || name == own_hostname() || name == "localhost")
    return true;
  uint32_t addr = 0;
  return kx_resolve(name, addr) && kx_addr_is_local(addr);
}

std::string kx_officialname(const std::string &name) {
  std::string n = name == "localhost" ? own_hostname() : name;
  if (!n.empty() && n[0] >= '0' && n[0] <= '9')
    return n;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_CANONNAME;
  addrinfo *res = nullptr;
  if (getaddrinfo(n.c_str(), nullptr, &hints, &res) != 0 || !res)
    return n;
  std::string out = res->ai_canonname ? res->ai_canonname : n;
  freeaddrinfo(res);
  return out;
}

std::vector<uint32_t> kxhostaddrs(const std::string &name) {
  herror(0, 0, "kxhostaddrs for %s", name.c_str());
  std::vector<uint32_t> out;
  if (!name.empty() && name[0] >= '0' && name[0] <= '9') {
    uint32_t a = 0;
    if (kx_resolve(name, a))
      out.push_back(a);
    return out;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo *res = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0)
    return out;
  for (addrinfo *r = res; r; r = r->ai_next) {
    uint32_t a = ntohl(reinterpret_cast<sockaddr_in *>(r->ai_addr)->sin_addr.s_addr);
    if (std::find(out.begin(), out.end(), a) == out.end()) {
      herror(0, 0, "ipaddr[%zu]: %lx", out.size(), static_cast<unsigned long>(a));
      out.push_back(a);
    }
  }
  freeaddrinfo(res);
  return out;
}

} // namespace kxsys
