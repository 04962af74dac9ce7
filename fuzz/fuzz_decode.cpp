// Arbitrary bytes to DecodeKxset. A buffer that decodes must encode again,
// and the second decoding must give the same tree: the same names, the same
// public attributes in order, and the same sharing.
#include "kxset/kxencode.h"
#include "kxu/report.h"

#include <cstdlib>
#include <unordered_map>

namespace {

class Quiet : public kxu::ReportFrontEnd {
public:
  bool notice(const std::string &) override { return true; }
  void status(const std::string &) override {}
  int ask(const std::string &) override { return 1; }
};

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
  static Quiet quiet;
  static kxu::ScopedFrontEnd front(&quiet);

  KxSetRef first(DecodeKxset(data, size));
  if (!first) {
    if (kxencode_error().empty()) std::abort(); // a failure must say why
    return 0;
  }
  std::unordered_map<const kxset *, bool> seen;
  if (has_quote(first.get(), seen)) return 0;

  size_t len = 0;
  auto buf = EncodeKxset(first.get(), len);
  if (!buf) std::abort();
  KxSetRef second(DecodeKxset(buf.get(), len));
  if (!second) std::abort();
  std::unordered_map<const kxset *, const kxset *> map;
  if (!same(first.get(), second.get(), map)) std::abort();
  return 0;
}
