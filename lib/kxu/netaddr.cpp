#include "kxu/netaddr.h"

#include "kxu/report.h"
#include "kxu/sym.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

std::string netmasks_path = "/etc/netmasks";

std::string ipaddr(uint32_t addr) {
  char buf[INET_ADDRSTRLEN];
  struct in_addr in;
  in.s_addr = addr;
  return inet_ntop(AF_INET, &in, buf, sizeof buf) ? buf : "0.0.0.0";
}

uint32_t hostaddr(const char *name) {
  if (!name || !*name)
    return 0;
  if (std::isdigit(static_cast<unsigned char>(name[0]))) {
    struct in_addr in;
    if (inet_aton(name, &in) && in.s_addr != 0)
      return in.s_addr;
  }
  long addr = 0;
  return getsym(name, SYM_HOSTS, &addr) == 0 ? static_cast<uint32_t>(addr) : 0;
}

int hostcmp(const char *a, const char *b) {
  if (!a || !b)
    return 1;
  if (std::strcmp(a, b) == 0)
    return 0;
  uint32_t x = hostaddr(a);
  return (x != 0 && x == hostaddr(b)) ? 0 : 1;
}

int host_in(const char *name, const char *const *list) {
  if (!name || std::strcmp(name, "all") == 0 || !list)
    return 1;
  for (; *list; list++)
    if (std::strcmp(*list, "all") == 0 || hostcmp(name, *list) == 0)
      return 1;
  return 0;
}

int host_in(const char *name, const std::vector<std::string> &list) {
  std::vector<const char *> ptrs;
  for (const std::string &s : list)
    ptrs.push_back(s.c_str());
  ptrs.push_back(nullptr);
  return host_in(name, ptrs.data());
}

uint32_t getmyipaddr() {
  static uint32_t mine = 0;
  if (mine)
    return mine;
  std::string host(256, '\0');
  if (gethostname(host.data(), host.size() - 1) != 0) {
    error(0, 0, "getmyipaddr:sysinfo failed");
    return 0;
  }
  host.resize(std::strlen(host.c_str()));
  long addr = 0;
  if (getsym(host.c_str(), SYM_HOSTS, &addr) != 0 || addr == 0) {
    error(0, 0, "getmyipaddr: gethostbyname failed");
    return 0;
  }
  mine = static_cast<uint32_t>(addr);
  return mine;
}

uint32_t netmask(uint32_t addr) {
  if ((addr & 0x80000000u) == 0)
    return 0xff000000u;
  if ((addr & 0xc0000000u) == 0x80000000u)
    return 0xffff0000u;
  if ((addr & 0xe0000000u) == 0xc0000000u)
    return 0xffffff00u;
  return addr;
}

uint32_t net_normalize(uint32_t n) {
  if (n == 0)
    return 0;
  while (n < (1u << 24))
    n <<= 8;
  return n;
}

// NIS is not available to this program, so the "netmasks.byaddr" map is not
// consulted: only the netmasks file is read.
int init_netmasks(const char *path) {
  std::ifstream in(path ? path : netmasks_path.c_str());
  if (!in)
    return -1;
  int recorded = 0;
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string net, mask;
    if (!(words >> net >> mask))
      continue;
    in_addr_t n = inet_network(net.c_str()); // "10" or "172.16" are networks too
    struct in_addr m;
    if (n == INADDR_NONE || !inet_aton(mask.c_str(), &m))
      continue;
    sym_add(SYM_NETMASKS, ipaddr(htonl(net_normalize(n))).c_str(),
            static_cast<long>(ntohl(m.s_addr)));
    recorded++;
  }
  return recorded;
}
