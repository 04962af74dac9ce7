// The whole generation: per router its header, the lists of each interface,
// the bindings and the trailer.
#include "kxui/kxcisco/cisco.h"
#include "kxui/router/rtenv.h"

#include "kxu/report.h"
#include "kxui/obj/kxobj.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

constexpr uint32_t kWordIn = 1u << 16;
constexpr uint32_t kWordOut = 1u << 17;

KxStream &stream() {
  static KxStream s;
  return s;
}

std::string lower(const char *s) {
  std::string out(s ? s : "");
  for (char &c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A vendor property: on the router itself, else in its "vendor_info" (where
// the router's property window keeps them).
const char *router_prop(const kxset *router, const char *name) {
  const char *v = kxobj_get(router, name);
  if (*v) return v;
  return kxobj_get(kxobj_getobj(const_cast<kxset *>(router), "vendor_info", 0), name);
}

int dir_word(const char *text, int fallback) {
  if (strcasecmp(text, "inbound") == 0) return CISCO_IN;
  if (strcasecmp(text, "outbound") == 0) return CISCO_OUT;
  if (strcasecmp(text, "eitherbound") == 0) return CISCO_IN | CISCO_OUT;
  return fallback;
}

// Extended lists are numbered 100-199; versions after 10 also take
// 2000-2699, where the numbering goes on once 199 is used up.
int next_list(int n, bool v10) { return n == 199 && !v10 ? 2000 : n + 1; }
bool list_ok(int n, bool v10) { return (n >= 100 && n <= 199) || (!v10 && n >= 2000 && n <= 2699); }

bool is_interface(const kxset *v) { return v && v->get(KxAtom::find("ifname")) != nullptr; }

bool installed_here(const kxset *rule, const std::string &router) {
  const kxset *cell = rule_get_set(rule, RULE_INSTALL);
  for (int i = 0; cell && i < cell->getnattr(); ++i) {
    if (!cell->getattrnamea(i).is_null()) continue;
    const char *n = cell->get(i)->getname();
    if (strcasecmp(n, "Routers") == 0 || strcasecmp(n, router.c_str()) == 0) return true;
  }
  return false;
}

struct RouterGen {
  cisco_state &st;
  const rule_list &rules;
  const kxset *router;
  cisco_dirinfo dirs;

  // The list of one interface and direction; sets the direction's bit in
  // `word` when a list was written.
  int rules_if(uint32_t &word, const kxset *valid, int dir) {
    st.rule = 0;
    if (!list_ok(st.list, dirs.v10)) {
      cerror(st, "access list number %d out of range", st.list);
      return -1;
    }
    int spoofed = 0;
    if (dirs.spoof & dir) {
      spoofed = cisco_spoof(st, valid, dir);
      if (spoofed < 0) return -1;
    }
    const uint32_t bit = dir == CISCO_IN ? kWordIn : kWordOut;
    const std::string name = "access-list " + std::to_string(st.list);
    if (dirs.rules & dir) {
      if (spoofed == 0) st.out->Pword("no ", (name + "\n").c_str());
      word |= bit;
      cisco_gen_properties(st, router, "first");
      for (size_t i = 0; i < rules.size(); ++i) {
        st.rule = static_cast<int>(i) + 1;
        if (installed_here(rules[i].get(), kxobj_name(router)) &&
            cisco_rule(st, rules[i].get(), valid, dir) < 0)
          return -1;
      }
      cisco_gen_properties(st, router, "before last");
      cisco_gen_properties(st, router, "last");
      st.list = next_list(st.list, dirs.v10);
    } else if (spoofed > 0) {
      word |= bit;
      st.out->Puts(name);
      st.out->Puts(" permit ip 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255\n");
      st.list = next_list(st.list, dirs.v10);
    }
    return 0;
  }

  // Lists of every interface; `entry_of[i]` is the 1-based entry of the
  // i-th attribute, `words[e]` the list word of entry e.
  int lists(ExtArray<int> &entry_of, ExtArray<uint32_t> &words) {
    ExtArray<KxAtom> names;
    size_t entries = 0;
    for (int i = 0; i < router->getnattr(); ++i) {
      kxset *iface = router->get(i);
      if (!is_interface(iface)) continue;
      const kxset *access = iface->get(KxAtom::find("netaccess"));
      if (!access) {
        cerror(st, "no netaccess on interface %s\n", router->getattrnamea(i).c_str());
        return -1;
      }
      if (rtenv::is_open(access)) continue;
      KxAtom name(rtenv::access_name(access));
      // "this" and "default" mean different addresses on every interface;
      // only settings that name their addresses can share lists.
      bool shared = name.view() != "__default" && name.view() != "__this";
      size_t found = 0;
      for (size_t e = 0; shared && e < entries; ++e)
        if (names.get(e) == name) found = e + 1;
      if (found) {
        entry_of[static_cast<size_t>(i)] = static_cast<int>(found);
        continue;
      }
      const size_t e = entries++;
      names[e] = name;
      entry_of[static_cast<size_t>(i)] = static_cast<int>(e + 1);
      KxSetRef valid = rtenv::universe(const_cast<kxset *>(router), iface);
      uint32_t w = static_cast<uint32_t>(st.list);
      if (dirs.v10 && rules_if(w, valid.get(), CISCO_IN) < 0) return -1;
      if (rules_if(w, valid.get(), CISCO_OUT) < 0) return -1;
      words[e] = w;
    }
    return 0;
  }

  void bindings(bool install, ExtArray<int> &entry_of, ExtArray<uint32_t> &words) {
    st.out->Puts("! Interface Bindings:\n");
    for (int i = 0; i < router->getnattr(); ++i) {
      const kxset *iface = router->get(i);
      if (!is_interface(iface)) continue;
      const char *ifname = kxobj_get(iface, "ifname");
      const char *ifnum = kxobj_get(iface, "ifnum");
      if (!*ifname || strcasecmp(ifname, "none") == 0 || !*ifnum) continue;
      const std::string head = "interface " + lower(ifname) + " " + ifnum + "\n";
      if (!install) {
        st.out->Puts(head);
        st.out->Puts("no ip access-group \n");
        continue;
      }
      int e = entry_of.get(static_cast<size_t>(i));
      if (e == 0) continue;
      uint32_t word = words.get(static_cast<size_t>(e - 1));
      int n = static_cast<int>(word & 0xffff);
      for (uint32_t bit : {kWordIn, kWordOut}) {
        if (!(word & bit)) continue;
        st.out->Puts(head);
        st.out->Pword("ip access-group ", std::to_string(n).c_str());
        st.out->Puts(!dirs.v10 ? "\n" : bit == kWordIn ? " in\n" : " out\n");
        n = next_list(n, dirs.v10);
      }
    }
  }

  int run(bool install) {
    st.router = kxobj_name(router);
    st.rule = 0;
    const std::string lname = lower(kxobj_name(router));
    st.out->Pword("!\n! Router ", lname.c_str());
    st.out->Pword("\n! ", rtenv::label_line().c_str());
    st.out->Pword("! ", rtenv::version_line().c_str());
    st.out->Puts("!\n");
    st.list = cisco_first_list(router);
    ExtArray<int> entry_of;
    ExtArray<uint32_t> words;
    if (install && lists(entry_of, words) < 0) return -1;
    bindings(install, entry_of, words);
    st.out->Pword("!\n! End of ", lname.c_str());
    st.out->Puts(" filter code\n!\n");
    return 0;
  }
};

const char *fail() {
  stream().Reset();
  return nullptr;
}

} // namespace

cisco_dirinfo cisco_getdirinfo(const kxset *router) {
  cisco_dirinfo d;
  d.v10 = std::strncmp(router_prop(router, "version"), "10.", 3) == 0;
  if (d.v10) {
    d.rules = dir_word(router_prop(router, "rules_dir"), CISCO_OUT);
    d.spoof = dir_word(router_prop(router, "spoof_dir"), CISCO_IN);
  }
  return d;
}

int cisco_first_list(const kxset *router) {
  const char *text = router_prop(router, "alnum");
  if (!*text) return 101;
  long n = std::strtol(text, nullptr, 10);
  return n < 101 ? 101 : n > 190 ? 190 : static_cast<int>(n);
}

const char *cisco_rulebase(const rule_list &rules, const kxset *routers, int install) {
  KxStream &out = stream();
  out.Reset();
  if (install) {
    std::string warnings = rtenv::check_routers(rules);
    if (!warnings.empty()) {
      error(0, 0, "Warning:\n%s", warnings.c_str());
      return fail();
    }
  }
  KxSetRef list(kxobj_all_routers(routers, "cisco"));
  if (!list || kxobj_nmember(list.get()) == 0) {
    error(0, 0, "No routers specified");
    return fail();
  }
  cisco_state st;
  st.out = &out;
  for (int i = 0; i < list->getnattr(); ++i) {
    const kxset *router = list->get(i);
    if (!list->getattrnamea(i).is_null()) continue;
    RouterGen gen{st, rules, router, cisco_getdirinfo(router)};
    if (gen.run(install != 0) < 0) return fail();
  }
  out.Puts("end\n");
  return out.text();
}
