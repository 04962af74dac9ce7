// The lines of a list: anti-spoofing lines, the rules, the implied rules.
#include "kxui/kxcisco/cisco.h"
#include "kxui/router/rtenv.h"

#include "kxui/obj/kxobj.h"

#include <strings.h>

namespace {

void list_name(cisco_state &st) {
  st.out->Puts("access-list ");
  st.out->Puts(std::to_string(st.list));
}

const char *action_word(const kxset *rule) {
  const kxset *action = rule_get_set(rule, RULE_ACTION);
  const kxset *first = action ? kxobj_ithmember(action, 0) : nullptr;
  return first && strcasecmp(first->getname(), "accept") == 0 ? "permit" : "deny";
}

// A missing cell stands for Any (`any` holds the stand-in).
std::vector<kxset *> members_or_any(const kxset *rule, const char *cell, const KxSetRef &any) {
  const kxset *c = rule_get_set(rule, cell);
  if (c && kxobj_nmember(c) > 0) return rtenv::flat_members(c);
  return {any.get()};
}

} // namespace

int cisco_rule(cisco_state &st, const kxset *rule, const kxset *valid, int dir) {
  const char *permission = action_word(rule);
  if (rtenv::cell_negated(rule_get_set(rule, RULE_SRC))) {
    cerror(st, "'Not' is unavailable for source list");
    return -1;
  }
  if (rtenv::cell_negated(rule_get_set(rule, RULE_DST))) {
    cerror(st, "'Not' is unavailable for destination list");
    return -1;
  }
  const bool srv_negated = rtenv::cell_negated(rule_get_set(rule, RULE_SERVICES));
  const KxSetRef any(kxset::make("Any"));
  std::vector<kxset *> services = members_or_any(rule, RULE_SERVICES, any);
  // Counted after opening groups: a negated group of two services cannot be
  // written as one line either.
  if (srv_negated && services.size() > 1) {
    cerror(st, "'Not' is unavailable for more than 1 service");
    return -1;
  }
  std::vector<kxset *> srcs = members_or_any(rule, RULE_SRC, any);
  std::vector<kxset *> dsts = members_or_any(rule, RULE_DST, any);

  for (kxset *srv : services) {
    const char *proto = cisco_proto(st, srv);
    if (!proto) return -1;
    for (kxset *src : srcs) {
      if (dir == CISCO_IN && !inuniverse(src, valid)) continue;
      for (kxset *dst : dsts) {
        if (dir == CISCO_OUT && !inuniverse(dst, valid)) continue;
        list_name(st);
        st.out->Pword(" ", permission);
        st.out->Pword(" ", proto);
        st.out->Putc(' ');
        if (cisco_addr(st, src) < 0 || cisco_addr(st, dst) < 0 ||
            cisco_srv(st, srv, proto, srv_negated) < 0)
          return -1;
        st.out->Putc('\n');
      }
    }
  }
  return 0;
}

int cisco_spoof(cisco_state &st, const kxset *valid, int dir) {
  if (!valid || rtenv::cell_negated(valid)) return 0;
  const KxSetRef any(kxset::make("Any"));
  int lines = 0;
  for (kxset *m : rtenv::flat_members(valid)) {
    if (is_domain(m)) continue;
    if (lines++ == 0) {
      st.out->Puts("no ");
      list_name(st);
      st.out->Putc('\n');
    }
    list_name(st);
    st.out->Puts(" deny ip ");
    const kxset *first = dir == CISCO_IN ? m : any.get();
    const kxset *second = dir == CISCO_IN ? any.get() : m;
    if (cisco_addr(st, first) < 0 || cisco_addr(st, second) < 0) return -1;
    st.out->Putc('\n');
  }
  return lines;
}

void cisco_gen_properties(cisco_state &st, const kxset *router, const char *where) {
  static const struct {
    const char *name, *text;
  } implied[] = {
      {"established_router",
       "permit tcp 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255 established"},
      {"rip_router", "permit udp 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255 eq 520"},
      {"icmpenable_router", "permit icmp 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255"},
      {"domain_udp_router", "permit udp 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255 eq 53"},
      {"domain_tcp_router", "permit tcp 0.0.0.0 255.255.255.255 0.0.0.0 255.255.255.255 eq 53"},
  };
  const kxset *props = rtenv::props();
  if (!props) return;
  for (const auto &p : implied) {
    if (!rtenv::prop_where(where, p.name) || !rtenv::obj_true(props, p.name)) continue;
    list_name(st);
    st.out->Pword(" ", p.text);
    st.out->Putc('\n');
  }
}
