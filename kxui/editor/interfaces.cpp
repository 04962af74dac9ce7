#include "kxui/editor/interfaces.h"

#include "kxui/editor/form.h"
#include "kxui/obj/kxobj.h"
#include "kxui/obj/tables.h"
#include "kxu/text.h"

#include <algorithm>
#include <cctype>

namespace {

// The valid-address settings of the setup ("ifmenu"); these stand in for
// an installation without them.
struct Access {
  const char *label, *access;
};
const Access kAccess[] = {{"Open", "open"}, {"This Net", "this"}, {"Others", "default"}};

// The setup's setting of that label or access value (null when none).
const kxset *setup_access(const std::string &label, const std::string &access) {
  for (int i = 0, n = kx_ifobj ? kx_ifobj->getnattr() : 0; i < n; ++i) {
    const kxset *m = kx_ifobj->get(i);
    if (!m) continue;
    if (!label.empty() && label == kxobj_name(m)) return m;
    if (!access.empty() && kxu::ieq(kxobj_get(m, "access"), access.c_str())) return m;
  }
  return nullptr;
}

bool no_log(const std::string &spoof) { return spoof.empty() || spoof == "No Log" || spoof == "None"; }

const kxset *spoof_track(const std::string &name) {
  if (const kxset *t = kxobj_member(kx_iflogmenu, name.c_str())) return t;
  return kxobj_member(kx_trackobj, name.c_str());
}

bool is_entry(const kxset *obj, int i) {
  const std::string attr = obj->getattrnamea(i).c_str();
  const kxset *v = obj->get(i);
  return attr.starts_with("if-") && v && v->get(KxAtom("ifname"));
}

std::string valid_of(const kxset *entry) {
  const kxset *na = entry->get(KxAtom("netaccess"));
  if (!na) return "Others";
  if (kxobj_isref(na)) {
    const kxset *obj = kxobj_getref(na, nullptr);
    std::string ref = kxobj_get(na, "refname");
    return obj ? kxobj_name(obj) : ref.starts_with("#_") ? ref.substr(2) : ref;
  }
  const std::string access = kxobj_get(na, "access");
  if (!access.empty()) {
    if (const kxset *m = setup_access("", access)) return kxobj_name(m);
    for (const Access &a : kAccess)
      if (kxu::ieq(access.c_str(), a.access)) return a.label;
  }
  return *na->getname() ? na->getname() : "Others";
}

kxset *netaccess_for(const std::string &valid) {
  if (const kxset *m = setup_access(valid, "")) {
    kxset *s = kxset::make(KxAtom(valid));
    kxobj_put(s, "access", kxobj_get(m, "access"));
    return s;
  }
  for (const Access &a : kAccess)
    if (valid == a.label) {
      kxset *s = kxset::make(KxAtom(a.label));
      kxobj_put(s, "access", a.access);
      return s;
    }
  return kxobj_makeref(kxobj_member(kx_netobj, valid.c_str()));
}

bool decimal(const std::string &s) {
  return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), ::isdigit);
}

bool contiguous_mask(const std::string &mask) {
  unsigned long v = 0;
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = mask.find('.', start);
    v = (v << 8) | std::stoul(mask.substr(start, dot - start));
    start = dot + 1;
  }
  const unsigned long inverted = ~v & 0xffffffffUL;
  return (inverted & (inverted + 1)) == 0;
}

} // namespace

std::vector<std::string> if_valid_labels() {
  std::vector<std::string> l = kxobj_names(kx_ifobj);
  if (l.empty())
    for (const Access &a : kAccess) l.push_back(a.label);
  return l;
}

std::vector<std::string> if_spoof_labels() {
  std::vector<std::string> l = kxobj_names(kx_iflogmenu);
  if (std::find(l.begin(), l.end(), "No Log") == l.end()) l.insert(l.begin(), "No Log");
  return l;
}

std::vector<IfEntry> if_read(const kxset *obj) {
  std::vector<IfEntry> rows;
  for (int i = 0, n = obj ? obj->getnattr() : 0; i < n; ++i) {
    if (!is_entry(obj, i)) continue;
    const kxset *e = obj->get(i);
    IfEntry r;
    r.name = kxobj_get(e, "ifname");
    r.ipaddr = kxobj_get(e, "ipaddr");
    r.netmask = kxobj_get(e, "netmask");
    r.ifnum = kxobj_get(e, "ifnum");
    r.valid = valid_of(e);
    const kxset *log = e->get(KxAtom("netaccesslog"));
    r.spoof = log && *log->getname() ? log->getname() : "No Log";
    r.source = static_cast<int>(rows.size());
    rows.push_back(r);
  }
  return rows;
}

std::optional<std::string> if_check(const std::vector<IfEntry> &rows, bool router) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const IfEntry &r = rows[i];
    const std::string row = "Interface " + std::to_string(i + 1);
    if (r.name.empty() || r.name.find_first_of(" \t") != std::string::npos)
      return row + ": the name must be one word";
    for (size_t j = 0; j < i; ++j)
      if (rows[j].name == r.name && (!router || rows[j].ifnum == r.ifnum))
        return row + ": " + r.name + " is listed twice";
    if (!r.ipaddr.empty() && !dotted_quad(r.ipaddr))
      return row + ": '" + r.ipaddr + "' is not a dotted address";
    if (!r.netmask.empty() && (!dotted_quad(r.netmask) || !contiguous_mask(r.netmask)))
      return row + ": '" + r.netmask + "' is not a net mask";
    if (router && !decimal(r.ifnum)) return row + ": the interface number must be a number";
    if (!r.ifnum.empty() && !decimal(r.ifnum)) return row + ": the interface number must be a number";
    const auto labels = if_valid_labels();
    if (std::find(labels.begin(), labels.end(), r.valid) == labels.end() &&
        !kxobj_member(kx_netobj, r.valid.c_str()))
      return row + ": no network object " + r.valid + " for the valid addresses";
    if (!no_log(r.spoof) && !spoof_track(r.spoof))
      return row + ": no track " + r.spoof;
  }
  return std::nullopt;
}

void if_write(kxset *obj, const std::vector<IfEntry> &rows) {
  if (rows == if_read(obj)) return;
  const std::vector<IfEntry> read = if_read(obj);
  std::vector<const kxset *> olds;
  for (int i = 0, n = obj->getnattr(); i < n; ++i)
    if (is_entry(obj, i)) olds.push_back(obj->get(i));
  std::vector<KxSetRef> entries;
  for (const IfEntry &r : rows) {
    IfEntry before;
    const kxset *old = nullptr;
    if (r.source >= 0 && static_cast<size_t>(r.source) < olds.size()) {
      before = read[static_cast<size_t>(r.source)];
      old = olds[static_cast<size_t>(r.source)];
    }
    KxSetRef e(old ? kxsetcopy(old, -1) : kxset::make(KxAtom(r.name)));
    auto text = [&](const char *attr, const std::string &now, const std::string &then) {
      if (old && now == then) return;
      if (now.empty()) kxobj_remove(e.get(), attr);
      else kxobj_put(e.get(), attr, now.c_str());
    };
    text("ifname", r.name, before.name);
    text("ipaddr", r.ipaddr, before.ipaddr);
    text("netmask", r.netmask, before.netmask);
    text("ifnum", r.ifnum, before.ifnum);
    if (!old || r.valid != before.valid) e->set(KxAtom("netaccess"), netaccess_for(r.valid));
    if (!old || r.spoof != before.spoof) {
      kxobj_remove(e.get(), "netaccesslog");
      if (!no_log(r.spoof)) {
        kxset *track = kxsetcopy(spoof_track(r.spoof), -1);
        kxobj_remove(track, "comments");
        e->set(KxAtom("netaccesslog"), track);
      }
    }
    if (!old) e->setname(KxAtom(r.name));
    entries.push_back(e);
  }
  // Out with the old entries, in with the new ones where the first was.
  int at = -1;
  for (int i = obj->getnattr() - 1; i >= 0; --i)
    if (is_entry(obj, i)) {
      obj->remove(i);
      at = i;
    }
  if (at < 0) at = obj->getnattr();
  for (size_t k = 0; k < entries.size(); ++k)
    obj->insert(at + static_cast<int>(k), KxAtom("if-" + std::to_string(k)), entries[k].get());
}
