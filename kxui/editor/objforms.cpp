#include "kxui/editor/objforms.h"

#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxu/netaddr.h"
#include "kxu/report.h"
#include "kxu/sym.h"
#include "kxu/text.h"

#include <arpa/inet.h>

namespace {

const std::vector<std::string> kLocation{"Internal", "External"};
const std::vector<std::string> kDirections{"Inbound", "Outbound", "Eitherbound"};

// The fields every network object shares at the end of its window.
void common_tail(std::vector<FormField> &f, bool with_info) {
  if (with_info) f.push_back({"info", FieldKind::text, "Information:"});
  f.push_back({"comments", FieldKind::text, "Comments:"});
  f.push_back({"auth_info", FieldKind::text, "Authetication:"});
  f.push_back({"color", FieldKind::colour, "Color:"});
  f.push_back({"show_in_menus", FieldKind::flag, "Show in Menus:", {}, "true"});
}

Form host_form() {
  Form f{"Host Properties",
         {{"", FieldKind::name, "Name:"},
          {"ipaddr", FieldKind::address, "IP Address:"},
          {"location", FieldKind::choice, "Location:", kLocation},
          {"type", FieldKind::choice, "Type:", {"Host", "Gateway"}},
          {"firewall", FieldKind::choice, "Brenmark:", {"Installed", "Not Installed"}}}};
  common_tail(f.fields, true);
  return f;
}

Form router_form() {
  Form f{"Router Properties",
         {{"", FieldKind::name, "Name:"},
          {"ipaddr", FieldKind::address, "IP Address:"},
          {"location", FieldKind::choice, "Location:", kLocation},
          {"vendor", FieldKind::choice, "Type:", {"Cisco", "Wellfleet", "Other"}}}};
  common_tail(f.fields, true);
  return f;
}

Form network_form() {
  Form f{"Network Properties",
         {{"", FieldKind::name, "Name:"},
          {"ipaddr", FieldKind::address, "IP Address:"},
          {"netmask", FieldKind::address, "Net Mask:"},
          {"broadcast", FieldKind::choice, "Broadcasts:", {"Allow", "Disallow"}},
          {"location", FieldKind::choice, "Location:", kLocation},
          {"gateways", FieldKind::text, "Gateways:"},
          {"comments", FieldKind::text, "Comments:"},
          {"auth_info", FieldKind::text, "Authetication:"},
          {"color", FieldKind::colour, "Color:"},
          {"show_in_menus", FieldKind::flag, "Show in Menus:", {}, "true"}}};
  return f;
}

Form domain_form() {
  return {"Domain Properties",
          {{"", FieldKind::name, "Name:"},
           {"location", FieldKind::choice, "Location:", kLocation},
           {"gateways", FieldKind::text, "Gateways:"},
           {"comments", FieldKind::text, "Comments:"},
           {"auth_info", FieldKind::text, "Authetication:"},
           {"color", FieldKind::colour, "Color:"},
           {"show_in_menus", FieldKind::flag, "Show in Menus:", {}, "true"}}};
}

Form port_form(const char *title, bool udp) {
  Form f{title,
         {{"", FieldKind::name, "Name:"},
          {"port", FieldKind::text, "Port Number:"},
          {"src_port_from", FieldKind::number, "Source Port Range:"},
          {"src_port_to", FieldKind::number, "to"}}};
  if (udp) {
    f.fields.push_back({"reply", FieldKind::flag, "Allow UDP Replies", {}, {}, {}, "Outbound Connections"});
    f.fields.push_back({"timeout", FieldKind::number, "Timeout (sec):"});
  }
  f.fields.push_back({"color", FieldKind::colour, "Color:"});
  return f;
}

Form rpc_form() {
  return {"RPC Service Properties",
          {{"", FieldKind::name, "Name:"},
           {"prognum", FieldKind::number, "Prog Num:"},
           {"port", FieldKind::number, "Reserved Port:"},
           {"timeout", FieldKind::number, "Timeout (sec):"},
           {"broadcast", FieldKind::flag, "Allow Brodcast Calls"},
           {"color", FieldKind::colour, "Color:"}}};
}

Form other_form() {
  return {"Generic Service Properties",
          {{"", FieldKind::name, "Name:"},
           {"exp", FieldKind::text, "Match:"},
           {"prolog", FieldKind::text, "Prologue:"},
           {"inexp", FieldKind::text, "Incoming:"},
           {"outexp", FieldKind::text, "Outgoing:"},
           {"comments", FieldKind::text, "Comments:"},
           {"color", FieldKind::colour, "Color:"}}};
}

Form icmp_form() {
  return {"ICMP Service Properties",
          {{"", FieldKind::name, "Name:"},
           {"exp", FieldKind::text, "Match:"},
           {"comments", FieldKind::text, "Comments:"},
           {"color", FieldKind::colour, "Color:"}}};
}

Form cisco_form() {
  return {"Cisco Setup",
          {{"alnum", FieldKind::number, "Access List No.:"},
           {"passwd", FieldKind::secret, "Password:"},
           {"enpasswd", FieldKind::secret, "Enable Password:"},
           {"version", FieldKind::choice, "Version:", {"9.x", "10.x"}},
           {"rules_dir", FieldKind::choice, "Rules interface direction:", kDirections},
           {"spoof_dir", FieldKind::choice, "Spoof rules interface direction:", kDirections}}};
}

Form wellfleet_form() {
  return {"Wellfleet Setup",
          {{"security", FieldKind::choice, "Security:", {"None", "Wellfleet", "Other"}},
           {"password", FieldKind::text, "Password:"},
           {"manager_list", FieldKind::text, "Additional Managers:"},
           {"slot_num", FieldKind::text, "Volume:"},
           {"config_file", FieldKind::text, "Config File:"}}};
}

Form group_form() { return {"Group Properties", {{"", FieldKind::name, "Name:"}, {"comments", FieldKind::text, "Comments:"}, {"color", FieldKind::colour, "Color:"}}}; }

void put_missing(kxset *obj, const char *attr, const char *value) {
  if (!obj->get(KxAtom(attr))) kxobj_put(obj, attr, value);
}

} // namespace

std::optional<ObjKind> obj_kind(const kxset *obj) {
  const std::string type = kxobj_get(obj, "type");
  static const std::pair<const char *, ObjKind> kinds[] = {
      {"host", ObjKind::host},       {"gateway", ObjKind::host}, {"router", ObjKind::router},
      {"network", ObjKind::network}, {"domain", ObjKind::domain}, {"tcp", ObjKind::tcp},
      {"udp", ObjKind::udp},         {"rpc", ObjKind::rpc},       {"icmp", ObjKind::icmp},
      {"other", ObjKind::other},     {"group", ObjKind::group}};
  for (const auto &[name, kind] : kinds)
    if (kxu::ieq(type, name)) return kind;
  return std::nullopt;
}

const Form &obj_form(ObjKind kind) {
  static const std::map<ObjKind, Form> forms{
      {ObjKind::host, host_form()},
      {ObjKind::router, router_form()},
      {ObjKind::cisco, cisco_form()},
      {ObjKind::wellfleet, wellfleet_form()},
      {ObjKind::network, network_form()},
      {ObjKind::domain, domain_form()},
      {ObjKind::tcp, port_form("TCP Service Properties", false)},
      {ObjKind::udp, port_form("UDP Service Properties", true)},
      {ObjKind::rpc, rpc_form()},
      {ObjKind::icmp, icmp_form()},
      {ObjKind::other, other_form()},
      {ObjKind::group, group_form()}};
  return forms.at(kind);
}

kxset *obj_form_target(ObjKind kind, kxset *obj, bool create) {
  if (kind != ObjKind::wellfleet) return obj;
  return kxobj_getobj(obj, "vendor_info", create ? 1 : 0);
}

void obj_defaults(ObjKind kind, kxset *obj) {
  if (!obj) return;
  switch (kind) {
  case ObjKind::host:
    put_missing(obj, "read_community", "public");
    put_missing(obj, "write_community", "private");
    put_missing(obj, "show_in_menus", "true");
    break;
  case ObjKind::router: {
    put_missing(obj, "read_community", "public");
    put_missing(obj, "write_community", "public");
    put_missing(obj, "show_in_menus", "true");
    const std::string vendor = kxobj_get(obj, "vendor");
    if (vendor.empty() || kxu::ieq(vendor, "cisco")) {
      put_missing(obj, "alnum", "101");
      put_missing(obj, "version", "9.x");
    }
    break;
  }
  default:
    break;
  }
}

std::optional<std::string> obj_apply(ObjKind kind, kxset *obj, const FormValues &values,
                                     const NameTaken &name_taken) {
  const Form &form = obj_form(kind);
  if (!obj) return "No object";
  if (auto refused = form_check(form, values)) return refused;
  const int name_field = form_field(form, "");
  if (name_field >= 0 && name_taken) {
    const std::string &name = values[static_cast<size_t>(name_field)];
    if (name != obj->getname())
      if (auto taken = name_taken(name, obj)) return taken;
  }
  kxset *target = obj_form_target(kind, obj, true);
  form_write(form, target, values);
  // The Cisco generator reads a setup value from the router itself before its
  // "vendor_info": keep a copy there in step.
  if (kind == ObjKind::cisco)
    if (kxset *info = kxobj_getobj(obj, "vendor_info", 0))
      for (const FormField &f : form.fields)
        if (info->get(KxAtom(f.attr.c_str())) && obj->get(KxAtom(f.attr.c_str())))
          kxobj_put(info, f.attr.c_str(), kxobj_get(obj, f.attr.c_str()));
  obj_defaults(kind, obj);
  obj_modified = 1;
  return std::nullopt;
}

std::optional<LookupResult> obj_lookup(ObjKind kind, const std::string &name, std::string *err) {
  long number = 0;
  auto fail = [&](const char *fmt) -> std::optional<LookupResult> {
    if (err) *err = kxu::format(fmt, name.c_str());
    return std::nullopt;
  };
  switch (kind) {
  case ObjKind::host:
  case ObjKind::router: {
    auto addr = gethost(name.c_str());
    if (!addr) return fail("Cannot find address of '%s'");
    return LookupResult{{"ipaddr", ipaddr(static_cast<uint32_t>(*addr))}};
  }
  case ObjKind::network: {
    auto net = getnetwork(name.c_str());
    if (!net) return fail("Net '%s' not found");
    const uint32_t n = net_normalize(static_cast<uint32_t>(*net));
    const std::string dotted = ipaddr(htonl(n));
    long mask = 0;
    if (getsym(dotted.c_str(), SYM_NETMASKS, &mask) != 0) mask = netmask(n);
    return LookupResult{{"ipaddr", dotted}, {"netmask", ipaddr(htonl(static_cast<uint32_t>(mask)))}};
  }
  case ObjKind::rpc:
    if (getsym(name.c_str(), SYM_RPC, &number) != 0) return fail("RPC Service '%s' not found");
    return LookupResult{{"prognum", std::to_string(number)}};
  case ObjKind::tcp:
    if (getsym(name.c_str(), SYM_TCP, &number) != 0) return fail("TCP Service '%s' not found");
    return LookupResult{{"port", std::to_string(number)}};
  case ObjKind::udp:
    if (getsym(name.c_str(), SYM_UDP, &number) != 0) return fail("UDP Service '%s' not found");
    return LookupResult{{"port", std::to_string(number)}};
  default:
    if (err) *err = "No look-up for this kind";
    return std::nullopt;
  }
}
