// Arbitrary bytes to DecodeKxset. A tree that decodes must encode again, and
// from then on encoding and decoding must be exact: the second encoding is
// byte for byte the first, and the decoded trees have the same names, the
// same public attributes in order and the same sharing.
//
// The first decoded tree itself may differ from the second: arbitrary bytes
// can hold a full set under a name that is still defined, which the encoder,
// like the text writer, writes as a reference to the defined set.
#include "kxset/kxencode.h"
#include "fuzz/quiet.h"
#include "kxu/report.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace {


// Names with a double quote come back with an apostrophe by design, which
// can also change what a later reference resolves to; such trees are only
// decoded, not compared.
bool has_quote(const kxset *s, std::unordered_map<const kxset *, bool> &seen) {
  if (!seen.emplace(s, true).second) return false;
  if (s->getnamea().view().find('"') != std::string_view::npos) return true;
  for (int i = 0; i < s->getnattr(); ++i) {
    const kxattribute *a = s->attr(i);
    if (a->name().view().find('"') != std::string_view::npos) return true;
    if (has_quote(a->value(), seen)) return true;
  }
  return false;
}

// Structural equality with the sharing of `a` mirrored in `b`.
bool same(const kxset *a, const kxset *b, std::unordered_map<const kxset *, const kxset *> &map) {
  auto [it, fresh] = map.emplace(a, b);
  if (!fresh) return it->second == b;
  if (a->getnamea() != b->getnamea()) return false;
  int j = 0;
  for (int i = 0; i < a->getnattr(); ++i) {
    const kxattribute *x = a->attr(i);
    if (x->name().is_private()) continue;
    const kxattribute *y = b->attr(j++);
    if (!y || x->name() != y->name() || !same(x->value(), y->value(), map)) return false;
  }
  return j == b->getnattr();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  kxfuzz::silence_reports();

  KxSetRef first(DecodeKxset(data, size));
  if (!first) {
    if (kxencode_error().empty()) std::abort(); // a failure must say why
    return 0;
  }
  std::unordered_map<const kxset *, bool> seen;
  if (has_quote(first.get(), seen)) return 0;

  size_t len1 = 0, len2 = 0;
  auto buf1 = EncodeKxset(first.get(), len1);
  if (!buf1) std::abort();
  KxSetRef second(DecodeKxset(buf1.get(), len1));
  if (!second) std::abort();
  auto buf2 = EncodeKxset(second.get(), len2);
  if (!buf2 || len1 != len2 || std::memcmp(buf1.get(), buf2.get(), len1) != 0) std::abort();
  KxSetRef third(DecodeKxset(buf2.get(), len2));
  if (!third) std::abort();
  std::unordered_map<const kxset *, const kxset *> map;
  if (!same(second.get(), third.get(), map)) std::abort();
  return 0;
}
