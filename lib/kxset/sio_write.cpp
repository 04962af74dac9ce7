// The set writer. Output collects in a growable string that is handed to the
// file in large chunks, or checked against the room of a caller's buffer.
// The recursion is bounded by the scope's levels.
//
// The writer keeps the reader's depth rule: a reference counts with the
// height of the set it names. A name that is in scope stands for the set
// defined under it even where a different (lower) set of that name sits in
// the tree, so without the rule the text could name a tree too deep to read
// back; such a write fails instead.
#include "kxset/sio.h"
#include "kxset/sio_state.h"
#include "kxset/sio_tokens.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

class Writer {
public:
  // `file` set: flush to it in chunks. `limit` set: fail once the text
  // would need more than that many characters.
  Writer(std::string &out, const kxset *dict, FILE *file, size_t limit)
      : out_(out), file_(file), limit_(limit),
        scope_(dict ? const_cast<kxset *>(dict) : sio::empty_base()) {
    sio_namesp(&scope_, const_cast<kxset *>(dict));
    check_at_ = file_ ? kChunk : limit_;
  }

  bool run(const kxset *set) {
    int height = 0;
    return set && write_set(set, 0, height) && flush();
  }

private:
  static constexpr size_t kChunk = 1 << 18;

  bool write_set(const kxset *s, int depth, int &height);
  bool too_deep(const kxset *s);
  void put_name(const KxAtom &name);
  bool check();
  bool flush();

  std::string &out_;
  FILE *file_;
  size_t limit_;
  size_t check_at_;
  KxScope scope_;
};

// Plain names as they are; others in double quotes, a quote inside becoming
// an apostrophe (the format has no escapes).
void Writer::put_name(const KxAtom &name) {
  std::string_view v = name.view();
  if (sio::plain_name(v)) {
    out_.append(v);
    return;
  }
  size_t at = out_.size();
  out_.push_back('"');
  out_.append(v);
  out_.push_back('"');
  for (size_t i = at + 1, e = out_.size() - 1; i < e; ++i)
    if (out_[i] == '"') out_[i] = '\'';
}

bool Writer::too_deep(const kxset *s) {
  // Not located: the file name and line belong to the last read.
  sio::state().report(SIO_SYNTAX, "ERROR: Nesting too deep at <" + s->getnamea().str() + ">", false);
  return false;
}

// Writes `s` at `depth` (its level once pushed is depth + 1) and gives the
// height of what the text says there.
bool Writer::write_set(const kxset *s, int depth, int &height) {
  const KxAtom &name = s->getnamea();
  bool named = name.is_named();
  // A name defined in scope stands for the set: write the reference only.
  // At the top only for that very set: a file holding only the name reads
  // back as the dictionary's set, so another set of that name (a rule base
  // named like an object) would lose its contents.
  int tag = 0;
  const kxset *def = named ? scope_.Get(name, &tag) : nullptr;
  if (def && (depth > 0 || def == s)) {
    height = std::max(tag, 1);
    if (depth + height >= KxScope::kLevels) return too_deep(s);
    put_name(name);
    out_.push_back('\n');
    return check();
  }
  out_.push_back('(');
  if (named) put_name(name);
  int n = s->getnattr();
  if (n > 0) out_.push_back('\n');
  if (scope_.Push(const_cast<kxset *>(s)) < 0) return too_deep(s);
  height = 1;
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = s->attr(i);
    if (!a || !a->value() || a->name().is_private()) continue;
    out_.append(static_cast<size_t>(depth + 1), '\t');
    out_.push_back(':');
    if (a->name().is_named()) put_name(a->name());
    out_.push_back(' ');
    int h = 0;
    if (!write_set(a->value(), depth + 1, h)) return false;
    height = std::max(height, h + 1);
  }
  scope_.Pop();
  if (n > 0) out_.append(static_cast<size_t>(depth), '\t');
  out_.append(")\n");
  if (named && scope_.Add(name, const_cast<kxset *>(s), height) != 0) {
    const kxset *top = scope_.GetTop();
    sio::state().report(SIO_CANTADD, "ERROR: Cannot define <" +
                                         (top ? top->getnamea().str() : std::string()) +
                                         "::" + name.str() + ">",
                        false);
    return false;
  }
  return check();
}

// Called after every line: hands full chunks to the file, or stops a text
// that has outgrown the caller's buffer.
bool Writer::check() {
  if (out_.size() < check_at_) return true;
  if (!file_) return out_.size() <= limit_;
  return flush();
}

bool Writer::flush() {
  if (!file_) return out_.size() <= limit_;
  bool ok = out_.empty() || std::fwrite(out_.data(), 1, out_.size(), file_) == out_.size();
  out_.clear();
  return ok;
}

constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

} // namespace

int sio_writex(FILE *f, const kxset *set, const kxset *dict) {
  if (!f) f = stdout;
  std::string out;
  out.reserve(1 << 18);
  Writer w(out, dict, f, kNoLimit);
  bool ok = w.run(set);
  return ok && std::fflush(f) == 0 && !std::ferror(f) ? 0 : -1;
}

int sio_write(FILE *f, const kxset *set) { return sio_writex(f, set, nullptr); }

int sio_swrite(std::string &out, const kxset *set, const kxset *dict) {
  Writer w(out, dict, nullptr, kNoLimit);
  return w.run(set) ? 0 : -1;
}

char *sio_swritex(char *buf, int size, const kxset *set, const kxset *dict) {
  if (!buf) {
    std::string &own = sio::state().swrite_buf;
    own.clear();
    if (sio_swrite(own, set, dict) != 0) return nullptr;
    return own.data();
  }
  size_t limit = size < 1 ? kNoLimit : static_cast<size_t>(size) - 1;
  std::string text;
  Writer w(text, dict, nullptr, limit);
  if (!w.run(set)) return nullptr;
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  return buf;
}

char *sio_swrite(char *buf, int size, const kxset *set) {
  return sio_swritex(buf, size, set, nullptr);
}
