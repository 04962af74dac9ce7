#include "kxui/editor/control_props.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"

namespace {

const std::vector<std::string> kDirections{"Inbound", "Outbound", "Eitherbound"};
const std::vector<std::string> kResolvers{"None", "SYS (Current System Settings)",
                                          "BIND (Domain Name Service)", "NIS (Yellow Pages)",
                                          "HOSTS (/etc/hosts file)"};

// An implied rule: its flag and, beside it, the position of the rule.
void implied(std::vector<FormField> &out, const char *attr, const char *label) {
  out.push_back({attr, FieldKind::flag, label});
  out.push_back({std::string(attr) + "_p", FieldKind::position, ""});
}

Form security_page() {
  Form f{"Security Policy", {}};
  f.fields.push_back({"gatewaydir", FieldKind::choice,
                      "Apply Gateway Rules to Interface Direction", kDirections});
  implied(f.fields, "kx1enable", "Enable KX-1 Control Connections  [Essential]");
  implied(f.fields, "udpreply", "Enable UDP Replies  [Essential for NIS,DNS,RPC]");
  f.fields.push_back({"udptimeout", FieldKind::number, "Reply Timeout:"});
  implied(f.fields, "established", "Enable Established TCP Connections  [Essential]");
  implied(f.fields, "ftpdata", "Enable Response of FTP Data Connections");
  implied(f.fields, "rip", "Enable RIP  [Common]");
  implied(f.fields, "domain_udp", "Enable Domain Name Queries (UDP)  [Essential]");
  implied(f.fields, "domain_tcp", "Enable Domain Name Download (TCP)");
  implied(f.fields, "loopudp", "Enable Loopback UDP packets  [Essential for NIS/RPC]");
  implied(f.fields, "looptcp", "Enable Loopback TCP connections");
  implied(f.fields, "rpcenable", "Enable RPC Control");
  implied(f.fields, "icmpenable", "Enable ICMP  [Common]");
  implied(f.fields, "outgoing", "Enable Outgoing Packets  [Common]");
  return f;
}

Form logging_page() {
  return {"Logging and Alerting",
          {
              {"loggrace", FieldKind::slider, "Excessive Log Grace Period:"},
              {"mailcmd", FieldKind::text, "Mail Alert Command:", {}, "Mail -s 'Brenmark Alert'  root"},
              {"alertcmd", FieldKind::text, "PopUp Alert Command:", {}, "alert -display localhost:0"},
              {"snmptrapcmd", FieldKind::text, "Snmp Trap Alert Command:", {}, "snmp_trap localhost"},
              {"useralertcmd", FieldKind::text, "User Defined Alert Command:", {}, "alert"},
              {"spoofalertcmd", FieldKind::text, "Anti Spoof Alert Command:", {}, "alert"},
              {"userauthalertcmd", FieldKind::text, "User Authentication Alert Command:", {}, "alert"},
              {"ipoptslog", FieldKind::object, "IP Options Drop track:", {}, {}, "trackobj"},
          }};
}

Form names_page() {
  Form f{"Names Resolving", {}};
  for (int i = 1; i <= 4; ++i)
    f.fields.push_back({"resolver_" + std::to_string(i), FieldKind::choice,
                        i == 1 ? "Lookup Priorities:" : "", kResolvers});
  f.fields.push_back({"timeout", FieldKind::number, "BIND Timeout:"});
  f.fields.push_back({"retries", FieldKind::number, "BIND Retries:"});
  f.fields.push_back({"pagetimeout", FieldKind::number, "Page Timeout:", {}, {}, {},
                      "Log Viewer Resolver Properties:"});
  return f;
}

Form routers_page() {
  Form f{"Routers", {}};
  implied(f.fields, "established_router", "Enable Established TCP Connections  [Essential]");
  implied(f.fields, "rip_router", "Enable RIP  [Common]");
  implied(f.fields, "domain_udp_router", "Enable Domain Name Queries (UDP)  [Essential]");
  implied(f.fields, "domain_tcp_router", "Enable Domain Name Download (TCP)");
  implied(f.fields, "icmpenable_router", "Enable ICMP  [Common]");
  return f;
}

Form auth_page() {
  return {"User Authentication",
          {
              {"telnet_msg", FieldKind::text, "Telnet welcome message file:"},
              {"ftp_msg", FieldKind::text, "FTP welcome message file:"},
              {"au_timeout", FieldKind::number, "Session Timeout (minutes):"},
              {"maxprocess", FieldKind::number, "Max. Concurrent Sessions:"},
              {"default_track", FieldKind::object, "Default User Authentication track:", {}, {}, "trackobj"},
          }};
}

} // namespace

const std::vector<Form> &control_pages() {
  static const std::vector<Form> pages{security_page(), logging_page(), names_page(),
                                       routers_page(), auth_page()};
  return pages;
}

kxset *control_props_set() {
  if (!kx_props) return nullptr;
  kxset *first = kxobj_ithmember(kx_props, 0);
  return first ? first : kx_props;
}

std::optional<std::string> control_page_apply(const Form &page, kxset *props,
                                              const FormValues &values) {
  if (!props) return "No global properties loaded";
  if (auto refused = form_check(page, values)) return refused;
  form_write(page, props, values);
  obj_modified = 1;
  return std::nullopt;
}
