#include "kxset/kxset.h"

#include "kxset/kxpool.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <vector>

namespace {

// Process-wide callback ids: 1, 2, ... and back to 1 before overflowing.
int next_callback_id() {
  static int counter = 0;
  if (counter == INT32_MAX) counter = 0;
  return ++counter;
}

// Sets with at least this many attributes answer name lookups through a
// hash index instead of a linear walk: tables of a large objects database
// hold hundreds of thousands of members.
constexpr int kIndexThreshold = 32;

} // namespace

// ---------------------------------------------------------------- kxcallback

kxcallback::kxcallback(Fn function, void *argument)
    : id_(next_callback_id()), fn_(function), arg_(argument) {}

kxcallback::kxcallback(std::function<void()> function)
    : id_(next_callback_id()), closure_(std::move(function)) {}

int kxcallback::call() {
  if (!fn_ && !closure_) return -1;
  busy_ = true;
  if (fn_)
    fn_(arg_, 1);
  else
    closure_();
  busy_ = false;
  return 0;
}

// ---------------------------------------------------------------- kxattribute

kxattribute::kxattribute(KxAtom name, kxset *value) : name_(std::move(name)), value_(value) {
  kxset_save(value_);
}

kxattribute::kxattribute(kxattribute &&o) noexcept
    : name_(std::move(o.name_)), value_(std::exchange(o.value_, nullptr)),
      cbid_(std::exchange(o.cbid_, -1)) {}

kxattribute &kxattribute::operator=(kxattribute &&o) noexcept {
  if (this != &o) {
    drop_value();
    name_ = std::move(o.name_);
    value_ = std::exchange(o.value_, nullptr);
    cbid_ = std::exchange(o.cbid_, -1);
  }
  return *this;
}

kxattribute::~kxattribute() { drop_value(); }

void kxattribute::drop_value() noexcept {
  if (!value_) return;
  if (cbid_ != -1) value_->detach(cbid_);
  cbid_ = -1;
  kxset_destroy(std::exchange(value_, nullptr));
}

// ---------------------------------------------------------------- kxset

struct kxset::Body {
  kxlist<kxattribute, kxpool::ChunkAllocator<kxattribute>> attrs;
  // Shared so that a callback detached while it runs stays alive until it
  // returns. Made on the first attach: few sets of a database are watched.
  std::unique_ptr<kxlist<std::shared_ptr<kxcallback>>> clients;
  // Name -> index of the first attribute of that name; built for large sets
  // on first lookup, kept by append, dropped by removal and insertion.
  std::unique_ptr<std::unordered_map<const KxAtom::Record *, int>> index;
  // Activation depth and a destruction requested meanwhile.
  int activating = 0;
  bool doomed = false;

  static void *operator new(size_t) {
    static_assert(alignof(Body) <= kxpool::kAlign);
    return kxpool::alloc_block(sizeof(Body));
  }
  static void operator delete(void *p) noexcept { kxpool::free_block(p, sizeof(Body)); }
};

static_assert(alignof(kxset) <= kxpool::kAlign);
void *kxset::operator new(size_t) { return kxpool::alloc_block(sizeof(kxset)); }
void kxset::operator delete(void *p) noexcept { kxpool::free_block(p, sizeof(kxset)); }

kxset::kxset(KxAtom name, bool notify) : name_(std::move(name)), notify_(notify ? 1 : 0) {}

kxset::~kxset() = default;

kxset *kxset::make(KxAtom name, bool notify) { return new kxset(std::move(name), notify); }

kxset *kxset::make(KxAtom name, std::initializer_list<std::pair<KxAtom, kxset *>> attrs, bool notify) {
  kxset *s = make(std::move(name), notify);
  for (const auto &[n, v] : attrs) s->append(n, v);
  return s;
}

kxset::Body &kxset::body() {
  if (!body_) body_ = std::make_unique<Body>();
  return *body_;
}

int kxset::find_first(const KxAtom &name) const {
  if (!body_) return -1;
  const auto &attrs = body_->attrs;
  int n = static_cast<int>(attrs.count());
  if (n < kIndexThreshold) {
    for (int i = 0; i < n; ++i)
      if (attrs[i].name() == name) return i;
    return -1;
  }
  if (!body_->index) {
    body_->index = std::make_unique<std::unordered_map<const KxAtom::Record *, int>>();
    body_->index->reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) body_->index->emplace(attrs[i].name().record(), i);
  }
  auto it = body_->index->find(name.record());
  return it == body_->index->end() ? -1 : it->second;
}

void kxset::index_add(const KxAtom &name, int pos) {
  if (body_ && body_->index) body_->index->emplace(name.record(), pos);
}

void kxset::index_drop() {
  if (body_) body_->index.reset();
}

void kxset::reserve(int n) {
  if (n > 0) body().attrs.reserve(static_cast<size_t>(n));
}

int kxset::getnattr() const noexcept { return body_ ? static_cast<int>(body_->attrs.count()) : 0; }

int kxset::getnclient() const noexcept {
  return body_ && body_->clients ? static_cast<int>(body_->clients->count()) : 0;
}

kxset *kxset::get(const KxAtom &name) const {
  int i = find_first(name);
  return i < 0 ? nullptr : body_->attrs[i].value();
}

kxset *kxset::get(int i) const {
  const kxattribute *a = attr(i);
  return a ? a->value() : nullptr;
}

KxAtom kxset::getattrnamea(int i) const {
  const kxattribute *a = attr(i);
  return a ? a->name() : KxAtom();
}

const kxattribute *kxset::attr(int i) const {
  if (!body_ || i < 0) return nullptr;
  return body_->attrs.find(static_cast<size_t>(i));
}

int kxset::index_of(const KxAtom &name) const { return find_first(name); }

int kxset::getallattr(const kxattribute **out, int max) const {
  int n = std::min(getnattr(), max);
  for (int i = 0; i < n; ++i) out[i] = &body_->attrs[i];
  if (n < max) out[n] = nullptr;
  return n;
}

void kxset::hook_value(kxattribute &a) {
  if (notify_ && a.value_ && a.cbid_ == -1) a.cbid_ = a.value_->attach(kxcallback(&kxs_notify, this));
}

void kxset::unhook_value(kxattribute &a) {
  if (a.cbid_ != -1 && a.value_) a.value_->detach(a.cbid_);
  a.cbid_ = -1;
}

void kxset::replace_value(kxattribute &a, kxset *value) {
  if (a.value_ == value) return;
  // Count the new value before letting go of the old one: the old value may
  // be what keeps the new one alive.
  unhook_value(a);
  kxset *old = a.value_;
  a.value_ = value;
  kxset_save(value);
  hook_value(a);
  kxset_destroy(old);
}

void kxset::report(const KxAtom &name) {
  if (!name.is_private()) activate();
}

int kxset::set(const KxAtom &name, kxset *value) {
  if (!value) return -1;
  int i = find_first(name);
  if (i < 0) return append(name, value);
  kxattribute &a = body_->attrs[i];
  replace_value(a, value);
  report(name);
  return 1;
}

int kxset::setobj(kxset *value, const KxAtom &name) {
  if (!value) return -1;
  KxAtom n = name.is_zero() ? KxAtom::null() : name;
  if (body_) {
    for (kxattribute &a : body_->attrs) {
      if (a.name() == n && a.value_ && a.value_->getnamea() == value->getnamea()) {
        replace_value(a, value);
        report(n);
        return 0;
      }
    }
  }
  append(n, value);
  return 1;
}

int kxset::append(const KxAtom &name, kxset *value) {
  if (!value) return -1;
  Body &b = body();
  b.attrs.append(kxattribute(name, value));
  int pos = static_cast<int>(b.attrs.count()) - 1;
  hook_value(b.attrs[pos]);
  index_add(name, pos);
  report(name);
  return 0;
}

void kxset::append_taken(Taken *items, size_t n) {
  if (n == 0) return;
  Body &b = body();
  b.attrs.reserve(b.attrs.count() + n);
  for (size_t i = 0; i < n; ++i) {
    Taken &t = items[i];
    if (!t.value) continue;
    // A counted value passes its count to the attribute as it is: the value
    // is not touched, which matters for a table closing over thousands of
    // members read long before (each would be a cache miss).
    kxattribute &a = b.attrs.emplace(std::move(t.name), nullptr);
    a.value_ = t.value;
    if (!t.counted) kxset_save(t.value);
    t.counted = false;
    int pos = static_cast<int>(b.attrs.count()) - 1;
    hook_value(a);
    index_add(a.name(), pos);
    if (b.clients) report(a.name());
  }
}

int kxset::insert(int position, const KxAtom &name, kxset *value) {
  if (!value || position < 0 || position > getnattr()) return -1;
  Body &b = body();
  b.attrs.insert(kxattribute(name, value), static_cast<size_t>(position));
  hook_value(b.attrs[position]);
  index_drop();
  report(name);
  return 0;
}

int kxset::remove(const KxAtom &name) {
  int i = find_first(name);
  if (i < 0) return -1;
  body_->attrs.remove(static_cast<size_t>(i));
  index_drop();
  report(name);
  return 0;
}

int kxset::remove(int i) {
  if (!body_ || body_->attrs.empty()) return -1;
  if (i >= 0 && i < getnattr()) {
    body_->attrs.remove(static_cast<size_t>(i));
    index_drop();
  }
  activate();
  return 0;
}

int kxset::attach(kxcallback callback) {
  int id = callback.id();
  auto &clients = body().clients;
  if (!clients) clients = std::make_unique<kxlist<std::shared_ptr<kxcallback>>>();
  clients->append(std::make_shared<kxcallback>(std::move(callback)));
  if (!notify_) update_notify();
  return id;
}

int kxset::detach(int id) {
  if (!body_ || !body_->clients) return -1;
  return body_->clients->remove_if([id](const std::shared_ptr<kxcallback> &c) {
    if (c->id() != id) return false;
    c->live_ = false;
    return true;
  });
}

void kxset::update_notify() {
  notify_ = 1;
  if (!body_) return;
  for (kxattribute &a : body_->attrs) hook_value(a);
}

void kxset::activate() {
  if (!body_ || !body_->clients || body_->clients->empty()) return;
  // Callbacks may attach, detach or release this set; walk a snapshot and
  // put off a destruction until the walk is over.
  std::vector<std::shared_ptr<kxcallback>> snapshot(body_->clients->begin(), body_->clients->end());
  ++body_->activating;
  for (const auto &cb : snapshot)
    if (cb->live_ && !cb->busy()) cb->call();
  if (--body_->activating == 0 && body_->doomed) delete this;
}

void kxset::kxs_notify(void *set, int) { static_cast<kxset *>(set)->activate(); }

void kxset_save(kxset *set) noexcept {
  if (!set) return;
  ++set->refcount_;
  if (set->body_) set->body_->doomed = false;
}

void kxset_destroy(kxset *set) noexcept {
  if (!set) return;
  if (--set->refcount_ > 0) return;
  if (set->body_ && set->body_->activating > 0) {
    set->body_->doomed = true;
    return;
  }
  delete set;
}

kxset *KxSetRef::release() noexcept {
  kxset *s = std::exchange(s_, nullptr);
  if (s) s->refcount_ -= 1;
  return s;
}

kxset *kxsetcopy(const kxset *set, int depth, const KxAtom &name) {
  if (!set) return nullptr;
  kxset *copy = kxset::make(name.is_zero() ? set->getnamea() : name);
  int n = set->getnattr();
  for (int i = 0; i < n; ++i) {
    const kxattribute *a = set->attr(i);
    kxset *v = depth == 0 ? a->value() : kxsetcopy(a->value(), depth < 0 ? -1 : depth - 1);
    copy->append(a->name(), v);
  }
  return copy;
}

// ---------------------------------------------------------------- iterator

void kxset_iterator::set(const kxset *set, KxAtom name, KxAtom has) {
  set_ = set;
  name_ = std::move(name);
  has_ = std::move(has);
  pos_ = 0;
  last_ = -1;
  cur_ = nullptr;
}

kxset *kxset_iterator::next() {
  int n = set_ ? set_->getnattr() : 0;
  while (pos_ < n) {
    const kxattribute *a = set_->attr(pos_++);
    if (!name_.is_zero() && !(a->name() == name_)) continue;
    if (!has_.is_zero() && !(a->value() && a->value()->get(has_))) continue;
    last_ = pos_ - 1;
    return cur_ = a->value();
  }
  return cur_ = nullptr;
}

const char *kxset_iterator::name() const {
  if (!set_ || last_ < 0) return "";
  const kxattribute *a = set_->attr(last_);
  return a ? a->name().c_str() : "";
}
