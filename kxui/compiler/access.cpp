#include "kxui/compiler/access.h"

#include "kxui/compiler/cellutil.h"
#include "kxui/compiler/expr.h"
#include "kxui/compiler/rule_gen.h"
#include "kxui/compiler/targets.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxu/report.h"

using namespace kxrb;

namespace {

// The interface's network object "<object>-net-<interface>" (count 0).
kxset *iface_netobj(kxset *object, kxset *iface) {
  bool created = false;
  return makeifobj(object, iface, nullptr, true, &created);
}

bool is_iface(const kxset *v) { return v && v->get(KxAtom("ifname")) != nullptr; }

// The interface's access setting: references resolved, a missing or unnamed
// setting replaced by the network object "default".
kxset *access_setting(kxset *iface) {
  kxset *na = iface->get(KxAtom("netaccess"));
  if (na && kxobj_isref(na)) na = kxobj_getref(na, nullptr);
  if (!na || name(na).empty()) na = kxobj_obj(kx_netobj, "default");
  return na;
}

// The member of `addresses` with the name of `obj`, after adding `obj` when
// there is none.
kxset *enter_address(kxset *addresses, kxset *obj) {
  if (!addresses) return obj;
  if (kxset *have = kxobj_obj(addresses, obj->getname())) {
    if (obj->refcount() == 0) {
      kxset_save(obj);
      kxset_destroy(obj);
    }
    return have;
  }
  addresses->append(KxAtom::null(), obj);
  return obj;
}

// The violation track of an interface, resolved among the track objects.
kxset *violation_track(kxset *iface, const kxset *na) {
  kxset *t = iface->get(KxAtom("netaccesslog"));
  if (!t && na) t = na->get(KxAtom("netaccesslog"));
  if (!t || name(t).empty()) return nullptr;
  return resolve_named(t, kx_trackobj);
}

} // namespace

int is_open(const kxset *netaccess) { return istarts(text(netaccess, "access"), "open"); }

std::string getaccessname(const kxset *netaccess) {
  if (!netaccess) return "";
  if (kxobj_isref(netaccess)) return std::string(text(netaccess, "refname"));
  std::string_view a = text(netaccess, "access");
  if (!a.empty()) return "__" + std::string(a);
  return std::string(name(netaccess));
}

std::string rmsuffix(const char *nm) {
  std::string s = nm ? nm : "";
  size_t dot = s.rfind('.');
  if (dot != std::string::npos) s.erase(dot);
  return s;
}

kxset *ifaccesslist(kxset *object, kxset *iface, kxset *addresses, int top) {
  if (!object || !iface) return nullptr;
  if (fix_ifname(iface).empty()) return nullptr;
  kxset *na = access_setting(iface);
  if (!na) return nullptr;
  std::string_view access = text(na, "access");
  kxset *valid = na;
  bool positive = false;
  if (ieq(access, "default") && top) {
    positive = true;
    valid = kxset::make(KxAtom(std::string(name(object)) + "-valid"));
    valid->set(KxAtom("type"), kxset::make(KxAtom("group")));
    for (int i = 0, n = object->getnattr(); i < n; ++i) {
      kxset *other = object->get(i);
      if (other == iface || !is_iface(other)) continue;
      kxset *sub = ifaccesslist(object, other, addresses, 0);
      if (!sub || is_open(sub) || kxobj_isany(sub)) continue;
      valid->append(KxAtom::null(), sub);
    }
    enter_address(addresses, iface_netobj(object, iface));
  } else if (ieq(access, "this") || ieq(access, "default")) {
    valid = enter_address(addresses, iface_netobj(object, iface));
  }
  if (!top) return valid;
  kxset *cell = kxset::make();
  cell->append(KxAtom::null(), valid);
  if (!positive) cell->set(KxAtom("op"), kxset::make(KxAtom("not in")));
  if (kxset *track = violation_track(iface, na)) {
    kxset *log = kxset::make();
    log->append(KxAtom::null(), track);
    cell->set(KxAtom("log"), log);
  }
  return cell;
}

kxset *kx_ifaccesslist(kxset *object, kxset *iface, kxset *addresses, int top) {
  return ifaccesslist(object, iface, addresses, top);
}

kxset *kx_getuniverse(kxset *object, kxset *iface) {
  KxSetRef addresses(kxset::make());
  return ifaccesslist(object, iface, addresses.get(), 1);
}

bool gen_accesslist(std::string &dst, kxset *object, kxset *lists, kxset *addresses) {
  if (!object) return true;
  std::string obj = script_name(name(object));
  for (int i = 0, n = object->getnattr(); i < n; ++i) {
    kxset *iface = object->get(i);
    if (!is_iface(iface)) continue;
    KxSetRef cell(ifaccesslist(object, iface, addresses, 1));
    bool open = is_open(iface->get(KxAtom("netaccess")));
    if (!cell && !open) continue;
    std::string ifn = fix_ifname(iface);
    std::string head = script_name(rmsuffix(ifn.c_str())) + "@" + obj + "\n\t";
    size_t start = dst.size();
    dst += "inbound " + head;
    if (open) {
      dst += "accept ;\n";
      dst += "outbound " + head;
      dst += "accept ;\n";
      continue;
    }
    dst += "drop ";
    size_t cond = dst.size();
    std::string domain;
    if (!gen_netobj(dst, "ip_src", cell.get(), lists, addresses, false, false, false, &domain)) {
      dst.resize(start);
      error(0, 0, "Object %s interface %s \n Domain %s is illegal for antispoof\n", object->getname(),
            ifn.c_str(), domain.c_str());
      return false;
    }
    if (dst.size() == cond) { // the cell stands for Any
      dst.resize(start);
      continue;
    }
    const kxset *log = cell->get(KxAtom("log"));
    gen_andlist(dst, log, true, 0);
    dst += ";\n";
    dst += "outbound " + head;
    dst += "reject ";
    gen_netobj(dst, "ip_dst", cell.get(), lists, addresses, false, false, true, nullptr);
    gen_andlist(dst, log, true, 0);
    dst += ";\n";
  }
  return true;
}

bool gen_all_accesslists(std::string &dst, kxset *lists, kxset *addresses) {
  dst += "\n// Interface access groups\n";
  KxSetRef fw(kxset::make());
  firewalled_of_table(fw.get(), kx_netobj, nullptr);
  bool ok = true;
  kxrb::each_member(fw.get(), [&](kxset *obj) {
    if (ok) ok = gen_accesslist(dst, obj, lists, addresses);
  });
  return ok;
}
