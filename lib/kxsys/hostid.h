// Host identity: is a name or address this machine, official names, and
// every address of a host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kxsys {

// With this set even "localhost" is not local.
extern bool kx_noloopback;

bool kx_addr_is_local(uint32_t address);
bool kx_is_local(const std::string &name);
std::string kx_officialname(const std::string &name);
// Every IPv4 address of the host (host order), empty when unknown.
std::vector<uint32_t> kxhostaddrs(const std::string &name);
// This machine's host id (gethostid(), which may ask the resolver for the
// host's own address), taken once per process.
int32_t kx_hostid();
// This machine's interface addresses (at most 20, loopback excluded first).
std::vector<uint32_t> kx_local_addresses();

} // namespace kxsys
