// Builders of objects-database and rule-base text for the router tests.
#pragma once

#include <string>
#include <vector>

namespace kxtest {

inline std::string iface(const std::string &name, const std::string &ifname,
                         const std::string &ifnum, const std::string &addr,
                         const std::string &mask, const std::string &netaccess) {
  return " :" + name + " (" + name + " :ifname (" + ifname + ") :ifnum (" + ifnum + ") :ipaddr (" +
         addr + ") :netmask (" + mask + ")" +
         (netaccess.empty() ? "" : " :netaccess " + netaccess) + ")\n";
}

struct RouterSetup {
  std::string name = "r1";
  std::string vendor = "cisco";
  std::string version = "10.3";
  std::string alnum = "101";
  std::string rules_dir = "eitherbound";
  std::string spoof_dir = "eitherbound";
  std::string ipaddr = "192.9.200.1";
  std::vector<std::string> ifaces;
};

inline std::string router(const RouterSetup &r) {
  std::string s = " : (" + r.name + " :type (router) :vendor (" + r.vendor + ") :ipaddr (" +
                  r.ipaddr + ")";
  if (!r.version.empty()) s += " :version (" + r.version + ")";
  if (!r.alnum.empty()) s += " :alnum (" + r.alnum + ")";
  if (!r.rules_dir.empty()) s += " :rules_dir (" + r.rules_dir + ")";
  if (!r.spoof_dir.empty()) s += " :spoof_dir (" + r.spoof_dir + ")";
  s += "\n";
  for (const std::string &i : r.ifaces) s += i;
  return s + " )\n";
}

inline std::string objects(const std::string &netobj, const std::string &servobj,
                           const std::string &props = "") {
  return "(objects\n :netobj (\n" + netobj + " )\n :servobj (\n" + servobj +
         " )\n :props ( : (props " + props + ") )\n)\n";
}

struct RuleCells {
  std::string src = "Any";
  std::string dst = "Any";
  std::string services = "Any";
  std::string action = "accept";
  std::string install = "Routers";
  std::string src_op = "", dst_op = "", srv_op = "";
  std::string track = "";
};

inline std::string cell(const std::string &items, const std::string &op) {
  std::string s = "(";
  if (!op.empty()) s += " :op (\"" + op + "\")";
  size_t b = 0;
  while (b < items.size()) {
    size_t e = items.find(' ', b);
    if (e == std::string::npos) e = items.size();
    if (e > b) s += " : " + items.substr(b, e - b);
    b = e + 1;
  }
  return s + " )";
}

inline std::string rule(const RuleCells &r) {
  return " :rule (\n  :src " + cell(r.src, r.src_op) + "\n  :dst " + cell(r.dst, r.dst_op) +
         "\n  :services " + cell(r.services, r.srv_op) + "\n  :action " + cell(r.action, "") +
         "\n  :track " + cell(r.track, "") + "\n  :install " + cell(r.install, "") + "\n )\n";
}

inline std::string rulebase(const std::vector<RuleCells> &rules) {
  std::string s = "(policy\n";
  for (const RuleCells &r : rules) s += rule(r);
  return s + ")\n";
}

} // namespace kxtest
