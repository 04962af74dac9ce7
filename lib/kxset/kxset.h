// Property sets: every object, rule, table and property of a policy is a
// kxset, a name with an ordered list of named attributes whose values are
// again sets. A plain value is a set without attributes whose name is the
// value's text.
//
// Ownership: sets are reference-counted. A new set has count 0; becoming the
// value of an attribute adds 1, and an attribute that lets go of its value
// subtracts 1 and destroys the set when nothing else holds it. Code that keeps
// a set outside a tree holds it with KxSetRef (or kxset_save/kxset_destroy).
//
// Change reporting: observers attach a kxcallback to a set; a change to any
// public attribute anywhere below it climbs from set to parent until it
// reaches them. Names beginning with "_" are private and never report.
#pragma once

#include "kxset/kxatom.h"
#include "kxset/kxlist.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class kxset;

// An observer: a function called with (argument, 1) when the set it is
// attached to changes. The busy flag keeps a callback that changes its own
// set from being re-entered.
class kxcallback {
public:
  using Fn = void (*)(void *argument, int);

  kxcallback(Fn function, void *argument);
  explicit kxcallback(std::function<void()> function);

  int id() const noexcept { return id_; }
  bool busy() const noexcept { return busy_; }
  // -1 without a function; otherwise runs it (busy meanwhile) and returns 0.
  int call();

private:
  friend class kxset;
  int id_;
  bool busy_ = false;
  bool live_ = true; // false once detached: a running walk must skip it
  Fn fn_ = nullptr;
  void *arg_ = nullptr;
  std::function<void()> closure_;
};

// One member of a set: a name and a counted reference to the value.
class kxattribute {
public:
  kxattribute(KxAtom name, kxset *value);
  kxattribute(kxattribute &&o) noexcept;
  kxattribute &operator=(kxattribute &&o) noexcept;
  kxattribute(const kxattribute &) = delete;
  kxattribute &operator=(const kxattribute &) = delete;
  ~kxattribute();

  const KxAtom &name() const noexcept { return name_; }
  kxset *value() const noexcept { return value_; }
  // Id of the callback this attribute keeps on its value to pass changes up
  // to the owning set; -1 when none.
  int callback_id() const noexcept { return cbid_; }

private:
  friend class kxset;
  void drop_value() noexcept;

  KxAtom name_;
  kxset *value_;
  int cbid_ = -1;
};

class kxset {
public:
  // A new set with count 0. A null atom name is an unnamed set.
  static kxset *make(KxAtom name = KxAtom::null(), bool notify = false);
  // A set with the given attributes appended in order.
  static kxset *make(KxAtom name, std::initializer_list<std::pair<KxAtom, kxset *>> attrs,
                     bool notify = false);

  kxset(const kxset &) = delete;
  kxset &operator=(const kxset &) = delete;

  // Sets come from a pool: a database holds hundreds of thousands of them.
  static void *operator new(size_t size);
  static void operator delete(void *p) noexcept;

  // --- name
  const KxAtom &getnamea() const noexcept { return name_; }
  const char *getname() const noexcept { return name_.c_str(); }
  void setname(KxAtom name) { name_ = std::move(name); }

  // --- attributes
  int getnattr() const noexcept;
  int getnclient() const noexcept;
  // Value of the first attribute with that name, or null.
  kxset *get(const KxAtom &name) const;
  // Value of the i-th attribute (from 0), or null.
  kxset *get(int i) const;
  // Name of the i-th attribute, or the zero atom.
  KxAtom getattrnamea(int i) const;
  // The i-th attribute itself, or null.
  const kxattribute *attr(int i) const;
  // Index of the first attribute with that name, or -1.
  int index_of(const KxAtom &name) const;
  // Copies up to max attribute pointers, then a null pointer if there is
  // room; returns how many were copied.
  int getallattr(const kxattribute **out, int max) const;

  // Replaces the value of the first attribute of that name (1), or appends
  // (0). A null value is refused with -1.
  int set(const KxAtom &name, kxset *value);
  // Replaces the value of the attribute `name` whose value has the same name
  // as `value` (0), or appends (1). A zero `name` means the null atom.
  int setobj(kxset *value, const KxAtom &name = KxAtom());
  // Adds an attribute at the end (0); a null value is refused with -1.
  int append(const KxAtom &name, kxset *value);
  // An attribute handed over whole: a name to move in and a value, with
  // one count on it held by the giver that passes to the set (`counted`) or
  // not.
  struct Taken {
    KxAtom name;
    kxset *value;
    bool counted;
  };
  // Appends n attributes at once, as many appends would (a null value is
  // skipped): readers have all attributes of a set when it closes. Names are
  // moved out and counts taken over (`counted` is cleared).
  void append_taken(Taken *items, size_t n);
  // Makes room for n attributes in all, so that appending them allocates
  // once (readers know the count of a set before they append).
  void reserve(int n);
  // Adds an attribute so that it becomes attribute `position` (0), or -1 when
  // the set has fewer attributes than that or the value is null.
  int insert(int position, const KxAtom &name, kxset *value);
  // Removes the first attribute of that name: 0, or -1 when there is none.
  int remove(const KxAtom &name);
  // Removes the i-th attribute: -1 when the set has no attributes, otherwise
  // 0 (also when i is past the end, which removes nothing).
  int remove(int i);

  // --- change reporting
  // Attaches an observer, switches reporting on for the subtree; returns its id.
  int attach(kxcallback callback);
  // Removes the callback with that id; -1 when there is none.
  int detach(int id);
  // Calls every callback of the set that is not busy, in attachment order.
  void activate();
  // Switches reporting on for this set and, through callbacks, its values.
  void update_notify();
  bool notifying() const noexcept { return notify_ != 0; }

  // --- counts
  int32_t refcount() const noexcept { return refcount_; }
  friend void kxset_save(kxset *set) noexcept;
  friend void kxset_destroy(kxset *set) noexcept;
  friend class KxSetRef;

private:
  struct Body;
  explicit kxset(KxAtom name, bool notify);
  ~kxset();

  Body &body();
  void hook_value(kxattribute &a);
  void unhook_value(kxattribute &a);
  void replace_value(kxattribute &a, kxset *value);
  void report(const KxAtom &name);
  int find_first(const KxAtom &name) const;
  void index_add(const KxAtom &name, int pos);
  void index_drop();
  static void kxs_notify(void *set, int);

  KxAtom name_;
  std::unique_ptr<Body> body_; // attributes and observers, created on first need
  int32_t refcount_ = 0;
  int16_t notify_ = 0;
};

// Adds one count; a null set is ignored.
void kxset_save(kxset *set) noexcept;
// Subtracts one count and destroys the set when nothing holds it; a null set
// is ignored.
void kxset_destroy(kxset *set) noexcept;

// A copy of `set` named `name` (its own name when `name` is the zero atom).
// Depth 0 shares the values; depth d > 0 copies each value with depth d - 1;
// a negative depth copies the whole tree.
kxset *kxsetcopy(const kxset *set, int depth, const KxAtom &name = KxAtom());

// A counted holder of a set, for code that keeps sets outside a tree.
class KxSetRef {
public:
  KxSetRef() noexcept = default;
  KxSetRef(kxset *s) noexcept : s_(s) { kxset_save(s_); } // NOLINT: adopting is the point
  KxSetRef(const KxSetRef &o) noexcept : s_(o.s_) { kxset_save(s_); }
  KxSetRef(KxSetRef &&o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  KxSetRef &operator=(KxSetRef o) noexcept {
    std::swap(s_, o.s_);
    return *this;
  }
  ~KxSetRef() { kxset_destroy(s_); }

  kxset *get() const noexcept { return s_; }
  kxset *operator->() const noexcept { return s_; }
  kxset &operator*() const noexcept { return *s_; }
  explicit operator bool() const noexcept { return s_ != nullptr; }
  // Gives up the count without destroying: the set goes back to the caller
  // with the count it had before this holder took it.
  kxset *release() noexcept;

private:
  kxset *s_ = nullptr;
};

// Walks the values of a set's attributes, optionally only those with one
// name and only values that have an attribute `has`.
class kxset_iterator {
public:
  kxset_iterator() = default;
  explicit kxset_iterator(const kxset *set, KxAtom name = KxAtom(), KxAtom has = KxAtom())
      : set_(set), name_(std::move(name)), has_(std::move(has)) {}

  void set(const kxset *set, KxAtom name = KxAtom(), KxAtom has = KxAtom());
  // The next selected value, or null at the end.
  kxset *next();
  kxset *cur() const noexcept { return cur_; }
  // Text of the last returned attribute's name.
  const char *name() const;

private:
  const kxset *set_ = nullptr;
  KxAtom name_, has_;
  int pos_ = 0;
  int last_ = -1;
  kxset *cur_ = nullptr;
};
