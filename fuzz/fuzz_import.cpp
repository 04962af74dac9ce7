// The import's table readers and the plan and edit built on them. The first
// byte chooses the table (hosts, networks, netgroup), the rest is its text.
// Every entry taken must be sound, and applying the plan with a choice for
// every item and then undoing it must give back the objects unchanged.
#include "fuzz/quiet.h"
#include "kxset/sio.h"
#include "kxui/editor/edits.h"
#include "kxui/import/import.h"
#include "kxui/obj/kxobj.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

uint32_t addr(const std::string &s) {
  in_addr a{};
  if (inet_pton(AF_INET, s.c_str(), &a) != 1) std::abort();
  return ntohl(a.s_addr);
}

void check(const ImportEntry &e) {
  if (!import_name_ok(e.name)) std::abort();
  if (e.kind == ImportKind::host) addr(e.address);
  if (e.kind == ImportKind::network) {
    const uint32_t a = addr(e.address), m = addr(e.netmask);
    if ((~m & (~m + 1)) != 0) std::abort(); // ones from the top, then zeros
    if (a & ~m) std::abort();
  }
  for (const auto *list : {&e.hosts, &e.groups})
    for (const std::string &n : *list)
      if (!import_name_ok(n)) std::abort();
  if (e.hosts.size() + e.groups.size() > import_members_max) std::abort();
}

KxSetRef site() {
  KxSetRef t(kxobj_newlist());
  kxset *gw = kxobj_create(t.get(), "gw", "gateway");
  kxobj_put(gw, "ipaddr", "10.0.0.1");
  kxset *net = kxobj_create(t.get(), "lan", "network");
  kxobj_put(net, "ipaddr", "10.0.0.0");
  kxobj_put(net, "netmask", "255.0.0.0");
  kxset *g = kxobj_create(t.get(), "servers", "group");
  kxobj_append(g, gw);
  return t;
}

std::string text(const kxset *s) {
  std::string out;
  sio_swrite(out, s);
  return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();
  if (size == 0) return 0;
  const auto kind = static_cast<ImportKind>(data[0] % 3);
  const std::string input(reinterpret_cast<const char *>(data + 1), size - 1);
  ImportRead read;
  import_parse(kind, input, "fuzz", read);
  if (read.messages.size() > import_messages_max) std::abort();
  for (const ImportEntry &e : read.entries) check(e);

  KxSetRef netobj = site();
  ImportPlan plan = import_plan(read, netobj.get());
  size_t n = 0;
  for (ImportItem &i : plan.items) {
    const auto choices = i.choices();
    i.choice = choices[n++ % choices.size()];
    i.new_name = i.entry.name + "-imported";
  }
  const std::string before = text(netobj.get());
  const ImportResult r = import_apply(plan, netobj.get(), ImportSetup{});
  if (!r.refused && r.added + r.replaced + r.merged + r.renamed > 0) {
    if (!kx_edits().undo()) std::abort();
    if (text(netobj.get()) != before) std::abort();
  } else if (text(netobj.get()) != before) {
    std::abort();
  }
  kx_edits().clear();
  return 0;
}
