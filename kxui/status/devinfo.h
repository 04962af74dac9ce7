// Device information and interfaces by SNMP: the system texts of hosts,
// gateways and routers, written back on request, and the interface entries
// if-0, if-1, ... built from the device's address and interface tables.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kxset/kxset.h"
#include "kxui/status/snmp_client.h"

using KxDeviceDone = std::function<void(kxset *object, int failed)>;

// The community of the object's attribute `attribute` ("read_community" or
// "write_community"); when empty, "public" for a name containing "read",
// else "private".
std::string kx_snmp_community_set(const char *attribute, const kxset *object);

// The standard and the Wellfleet system variables, in the order sysDescr,
// sysName, sysContact, sysLocation.
extern const char *const kx_sys_vars[4];
extern const char *const kx_wf_sys_vars[4];

// Where devices are asked: the port (161; tests move it) and the time-outs.
struct KxDeviceOptions {
  int port = 161;
  int timeout_ms = 1000;
  int retries = 1;
};

// Get of `vars` from the object's address with its read community. With a
// callback it returns at once (0, or -1 when the request cannot start);
// without one it waits and returns the answer's status (0 or -1), with the
// report "%s: SNMP Get failed", "... (empty value)" or "...: %s" when
// `report` is set.
int kx_snmp_getvars(KxSnmpClient &client, const kxset *object, const std::vector<std::string> &vars,
                    bool report, std::function<void(const KxSnmpAnswer &)> callback,
                    KxSnmpAnswer *out = nullptr, const KxDeviceOptions &opt = {});

void kx_fetch_info(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                   const KxDeviceOptions &opt = {});
void kx_snmp_download(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                      const KxDeviceOptions &opt = {});
void kx_snmp_makeinfo(kxset *object);
void kx_fetch_interfaces(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                         const KxDeviceOptions &opt = {});

// Rows of the two tables as the fetch reads them.
struct KxAddrRow {
  std::string addr, mask;
  long ifindex = 0;
};
struct KxIfRow {
  long ifindex = 0;
  std::string descr;
};
// Fills if-0, if-1, ... of the object from the rows and removes the entries
// left over from an earlier fetch; missing interfaces are reported with the
// device's address. Returns the number of entries built.
int kx_build_interfaces(kxset *object, const std::vector<KxAddrRow> &addrs,
                        const std::vector<KxIfRow> &ifs, const std::string &address);
