#include "kxui/status/devinfo.h"

#include <cctype>
#include <cstring>
#include <memory>

#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/status/kxst.h"

const char *const kx_sys_vars[4] = {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.5.0",
                                    ".1.3.6.1.2.1.1.4.0", ".1.3.6.1.2.1.1.6.0"};
const char *const kx_wf_sys_vars[4] = {".1.3.6.1.4.1.32473.2.1.1.0", ".1.3.6.1.4.1.32473.2.1.2.0",
                                       ".1.3.6.1.4.1.32473.2.1.3.0", ".1.3.6.1.4.1.32473.2.1.4.0"};
static const char *const sys_attrs[4] = {"sysDescr", "sysName", "sysContact", "sysLocation"};

namespace {

const char *const ip_addr_table = ".1.3.6.1.2.1.4.20";
const char *const if_table = ".1.3.6.1.2.1.2.2";

KxSnmpTarget target(const kxset *object, const char *community_attr, const KxDeviceOptions &opt) {
  KxSnmpTarget t;
  t.address = kxobj_get(object, "ipaddr");
  t.port = opt.port;
  t.community = kx_snmp_community_set(community_attr, object);
  t.timeout_ms = opt.timeout_ms;
  t.retries = opt.retries;
  return t;
}

std::string text_of(const KxSnmpVar &v) {
  if (v.kind == KxSnmpVar::number) return (v.negative ? "-" : "") + std::to_string(v.count);
  std::string s = v.value.substr(0, v.value.find('\0'));
  return s.size() > 255 ? s.substr(0, 255) : s;
}

// A whole table by successive get-next requests, from the loop.
struct Walk {
  KxSnmpClient *client;
  KxSnmpTarget target;
  std::string table;
  std::function<void(const KxSnmpAnswer &)> done;
  KxSnmpAnswer rows;
  size_t limit = 100000; // variables; a device that never ends its table stops here
};

int walk_step(const std::shared_ptr<Walk> &w, const std::string &from) {
  return w->client->getnext(w->target, {from}, [w](const KxSnmpAnswer &a) {
    if (a.status != 0) {
      w->done(a);
      return;
    }
    if (a.vars.empty() || a.vars[0].kind == KxSnmpVar::exception ||
        !kx_oid_below(a.vars[0].name, w->table) || w->rows.vars.size() >= w->limit) {
      w->done(w->rows);
      return;
    }
    w->rows.vars.push_back(a.vars[0]);
    if (walk_step(w, a.vars[0].name) < 0) {
      KxSnmpAnswer failed;
      failed.status = -1;
      w->done(failed);
    }
  });
}

int walk(KxSnmpClient &client, const KxSnmpTarget &t, const std::string &table,
         std::function<void(const KxSnmpAnswer &)> done) {
  auto w = std::make_shared<Walk>(Walk{&client, t, table, std::move(done), {}});
  return walk_step(w, table);
}

// Column and index of a table variable: table.1.column.index...
bool column_of(const std::string &name, const std::string &table, int &column, std::string &index) {
  if (!kx_oid_below(name, table + ".1")) return false;
  const std::string rest = name.substr(table.size() + 3);
  const size_t dot = rest.find('.');
  if (dot == std::string::npos) return false;
  column = std::atoi(rest.substr(0, dot).c_str());
  index = rest.substr(dot + 1);
  return true;
}

std::vector<KxAddrRow> addr_rows(const KxSnmpAnswer &a) {
  std::vector<KxAddrRow> rows;
  std::vector<std::string> keys;
  for (const KxSnmpVar &v : a.vars) {
    int col = 0;
    std::string index;
    if (!column_of(v.name, ip_addr_table, col, index)) continue;
    size_t i = 0;
    while (i < keys.size() && keys[i] != index) ++i;
    if (i == keys.size()) {
      keys.push_back(index);
      rows.push_back({});
    }
    if (col == 1) rows[i].addr = v.value;
    else if (col == 2) rows[i].ifindex = static_cast<long>(v.count);
    else if (col == 3) rows[i].mask = v.value;
  }
  return rows;
}

std::vector<KxIfRow> if_rows(const KxSnmpAnswer &a) {
  std::vector<KxIfRow> rows;
  std::vector<std::string> keys;
  for (const KxSnmpVar &v : a.vars) {
    int col = 0;
    std::string index;
    if (!column_of(v.name, if_table, col, index) || (col != 1 && col != 2)) continue;
    size_t i = 0;
    while (i < keys.size() && keys[i] != index) ++i;
    if (i == keys.size()) {
      keys.push_back(index);
      rows.push_back({});
    }
    if (col == 1) rows[i].ifindex = static_cast<long>(v.count);
    else rows[i].descr = text_of(v);
  }
  return rows;
}

} // namespace

std::string kx_snmp_community_set(const char *attribute, const kxset *object) {
  const char *c = kxobj_get(object, attribute);
  if (*c) return c;
  return std::strstr(attribute, "read") ? "public" : "private";
}

int kx_snmp_getvars(KxSnmpClient &client, const kxset *object, const std::vector<std::string> &vars,
                    bool report, std::function<void(const KxSnmpAnswer &)> callback,
                    KxSnmpAnswer *out, const KxDeviceOptions &opt) {
  const KxSnmpTarget t = target(object, "read_community", opt);
  if (callback) return client.get(t, vars, std::move(callback));
  // Synchronous: a loop of its own, so that nothing else runs meanwhile.
  KxPollLoop loop;
  KxSnmpClient own(loop, 1);
  KxSnmpAnswer answer;
  bool done = false;
  if (own.get(t, vars, [&](const KxSnmpAnswer &a) {
        answer = a;
        done = true;
      }) < 0) {
    if (report) error(0, 0, "%s: SNMP Get failed", t.address.c_str());
    return -1;
  }
  loop.run_until([&] { return done; }, std::chrono::milliseconds(opt.timeout_ms * (opt.retries + 1) + 5000));
  if (out) *out = answer;
  if (!done || answer.status != 0) {
    if (report) {
      if (answer.error.empty()) error(0, 0, "%s: SNMP Get failed", t.address.c_str());
      else error(0, 0, "%s: SNMP Get failed: %s", t.address.c_str(), answer.error.c_str());
    }
    return -1;
  }
  for (const KxSnmpVar &v : answer.vars)
    if (v.kind == KxSnmpVar::exception || v.kind == KxSnmpVar::null) {
      if (report) error(0, 0, "%s: SNMP Get failed (empty value)", t.address.c_str());
      return -1;
    }
  return 0;
}

void kx_fetch_info(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                   const KxDeviceOptions &opt) {
  KxSetRef keep(object);
  const std::vector<std::string> vars(kx_sys_vars, kx_sys_vars + 4);
  auto fail = [keep, done](const std::string &why) {
    error(0, 0, "%s: %s", keep->getname(), why.empty() ? "SNMP Get Failed" : why.c_str());
    done(keep.get(), 1);
  };
  const int rc = kx_snmp_getvars(client, object, vars, false, [keep, done, fail](const KxSnmpAnswer &a) {
    if (a.status != 0 || a.vars.size() != 4) {
      fail(a.error);
      return;
    }
    for (int i = 0; i < 4; ++i) {
      if (a.vars[i].kind != KxSnmpVar::text) {
        fail("");
        return;
      }
    }
    for (int i = 0; i < 4; ++i) kxobj_put(keep.get(), sys_attrs[i], text_of(a.vars[i]).c_str());
    done(keep.get(), 0);
  }, nullptr, opt);
  if (rc < 0) fail("");
}

void kx_snmp_download(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                      const KxDeviceOptions &opt) {
  KxSetRef keep(object);
  const bool wf = kxst_is_wellfleet(object);
  const char *const *vars = wf ? kx_wf_sys_vars : kx_sys_vars;
  std::vector<std::pair<std::string, std::string>> sets;
  for (int i = 1; i < 4; ++i) sets.emplace_back(vars[i], kxobj_get(object, sys_attrs[i]));
  const KxSnmpTarget t = target(object, "write_community", opt);
  const std::string addr = t.address;
  const int rc = client.set(t, sets, [keep, done, addr](const KxSnmpAnswer &a) {
    if (a.status != 0) {
      if (a.error.empty()) error(0, 0, "%s: SNMP Set failed", addr.c_str());
      else error(0, 0, "%s: SNMP Set failed: %s", addr.c_str(), a.error.c_str());
      done(keep.get(), 1);
      return;
    }
    done(keep.get(), 0);
  });
  if (rc < 0) {
    error(0, 0, "%s: SNMP Set failed", addr.c_str());
    done(keep.get(), 1);
  }
}

void kx_snmp_makeinfo(kxset *object) {
  const std::string d = kxobj_get(object, "sysDescr"), l = kxobj_get(object, "sysLocation");
  const std::string info = d.substr(0, 16) + "," + l.substr(0, 16) + "," +
                           kxobj_get(object, "sysContact");
  kxobj_put(object, "info", info.c_str());
}

int kx_build_interfaces(kxset *object, const std::vector<KxAddrRow> &addrs,
                        const std::vector<KxIfRow> &ifs, const std::string &address) {
  int k = 0;
  for (const KxAddrRow &row : addrs) {
    const KxIfRow *iface = nullptr;
    for (const KxIfRow &r : ifs)
      if (r.ifindex == row.ifindex) iface = &r;
    if (!iface) {
      error(0, 0, "%s: Interface %ld not found", address.c_str(), row.ifindex);
      continue;
    }
    const std::string &descr = iface->descr;
    if (descr.empty() || descr == "lo0") continue;
    size_t end = 0;
    while (end < descr.size() && descr[end] != ' ' && !std::isdigit(static_cast<unsigned char>(descr[end])))
      ++end;
    const std::string ifname = descr.substr(0, end);
    long num = iface->ifindex;
    if (descr.find(' ') == std::string::npos && end < descr.size()) {
      num = 0;
      for (size_t i = end; i < descr.size() && std::isdigit(static_cast<unsigned char>(descr[i])) &&
                           num < 100000000;
           ++i)
        num = num * 10 + (descr[i] - '0');
    }
    const std::string value = std::to_string(num) + "." + std::to_string(k);
    kxset *entry = kxset::make(KxAtom(value));
    kxobj_put(entry, "iffullname", descr.c_str());
    kxobj_put(entry, "ipaddr", row.addr.c_str());
    kxobj_put(entry, "netmask", row.mask.c_str());
    kxobj_put(entry, "ifname", ifname.c_str());
    kxobj_put(entry, "ifnum", std::to_string(num).c_str());
    const kxset *def = kx_netobj ? kxobj_obj(kx_netobj, "default") : nullptr;
    if (def) kxobj_putobj(entry, "netaccess", kxobj_makeref(def));
    else kxobj_put(entry, "netaccess", "default");
    object->set(KxAtom("if-" + std::to_string(k)), entry);
    ++k;
  }
  for (int j = k; kxobj_remove(object, ("if-" + std::to_string(j)).c_str()) == 0; ++j) {
  }
  return k;
}

void kx_fetch_interfaces(KxSnmpClient &client, kxset *object, KxDeviceDone done,
                         const KxDeviceOptions &opt) {
  KxSetRef keep(object);
  const KxSnmpTarget t = target(object, "read_community", opt);
  const std::string addr = t.address;
  KxSnmpClient *c = &client;
  const int rc = walk(client, t, ip_addr_table, [keep, done, addr, t, c](const KxSnmpAnswer &a) {
    if (a.status != 0) {
      error(0, 0, "%s: SNMP Fetch: Failed to get IP address table%s%s", addr.c_str(),
            a.error.empty() ? "" : ": ", a.error.c_str());
      done(keep.get(), 1);
      return;
    }
    const std::vector<KxAddrRow> addrs = addr_rows(a);
    const int rc2 = walk(*c, t, if_table, [keep, done, addr, addrs](const KxSnmpAnswer &b) {
      if (b.status != 0) {
        error(0, 0, "SNMP Fetch: Failed to get Interface table%s%s", b.error.empty() ? "" : ": ",
              b.error.c_str());
        done(keep.get(), 1);
        return;
      }
      kx_build_interfaces(keep.get(), addrs, if_rows(b), addr);
      done(keep.get(), 0);
    });
    if (rc2 < 0) {
      error(0, 0, "%s: SNMP Fetch: Interface table get failed", addr.c_str());
      done(keep.get(), 1);
    }
  });
  if (rc < 0) {
    error(0, 0, "%s: SNMP Fetch: Failed to get IP address table", addr.c_str());
    done(keep.get(), 1);
  }
}
