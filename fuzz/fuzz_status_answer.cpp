// Fuzzed SNMP answers (error status and varbind lists) to the mapping of
// module and Wellfleet answers onto status sets. The bytes are read as:
// status byte, then per variable a kind byte, a name selector byte, a
// 16-bit value length and the value (text) or 8 bytes (numbers).
#include <cstdint>
#include <cstring>
#include <string>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst_answer.h"

namespace {

struct Reader {
  const uint8_t *p;
  size_t n;
  bool take(void *out, size_t k) {
    if (k > n) return false;
    std::memcpy(out, p, k);
    p += k;
    n -= k;
    return true;
  }
};

void check(kxset *s) {
  KxSetRef keep(s);
  const std::string state = kxobj_get(s, "state");
  if (state.empty() || state.size() > kx_status_text_max || !*kxobj_get(s, "date"))
    __builtin_trap();
  if (*kxobj_get(s, "accepted") && state != "installed") __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Reader r{data, size};
  uint8_t status = 0;
  if (!r.take(&status, 1)) return 0;
  KxSnmpAnswer a;
  a.status = status < 3 ? 0 : status - 3;
  if (status == 255) a.status = -1;
  while (a.vars.size() < 64) {
    uint8_t kind = 0, sel = 0;
    uint16_t len = 0;
    if (!r.take(&kind, 1) || !r.take(&sel, 1)) break;
    KxSnmpVar v;
    v.kind = static_cast<KxSnmpVar::Kind>(kind % 6);
    if (sel < 7) v.name = kx_module_vars[sel];
    else if (sel < 200) v.name = std::string(kx_wf_filter_name_column) + "." + std::to_string(sel);
    else v.name = ".1.3.6.1.4.1.32473.9";
    if (v.kind == KxSnmpVar::number) {
      uint64_t n = 0;
      if (!r.take(&n, 8)) break;
      v.count = n;
      v.negative = (kind & 0x80) != 0;
    } else {
      if (!r.take(&len, 2)) break;
      len = static_cast<uint16_t>(len < r.n ? len : r.n);
      v.value.assign(reinterpret_cast<const char *>(r.p), len);
      r.p += len;
      r.n -= len;
    }
    a.vars.push_back(std::move(v));
  }
  check(kxst_module_status("node", a, 1000));
  check(kxst_wellfleet_status("node", a, 1000));
  return 0;
}
