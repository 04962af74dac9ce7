// Selections: per column, a list of values with an "In" or "Not In" sense.
// An entry is shown only when every selection accepts it. Each selection is
// tested twice: a quick test on the raw entry against a compiled list of
// numbers, and a full test on the entry's shown values.
#pragma once

#include "kxlv/columns.h"

#include "kxset/kxset.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Room of a compiled list: a longer list gets no quick test.
constexpr size_t KXLV_MAX_COMPILED = 130;
constexpr size_t KXLV_MAX_SELECTIONS = 64;

enum class kxlv_selkind { kNetobj, kService, kProto, kRange, kDate, kTime, kAction, kType, kUser, kIfs, kPattern };

struct kxlv_selection {
  std::string column; // as the table spells it
  kxlv_selkind kind = kxlv_selkind::kRange;
  bool in = true;
  KxSetRef list;
  long count = -1;                // compiled words, -1 when not compiled
  std::vector<uint32_t> compiled; // numbers, ranges or (address, mask) pairs
  std::vector<std::string> names; // types, interfaces ("name" + direction char)
};

// Finds an object of the objects database by name: a network object
// (table "netobj") or a service ("servobj"); null when there is none.
// Selections on Orig, Src, Dst and Service may name objects: their lists
// hold the names, and the objects are looked up when the selection is
// compiled and tested (groups through their members).
using kxlv_object_finder = std::function<const kxset *(const std::string &table, const std::string &name)>;

// Everything a test needs besides the entry.
struct kxlv_test_ctx {
  const LogHosts *hosts = nullptr;
  const std::vector<kxlv_column> *columns = nullptr;
  bool show_null_match = false;
  const kxlv_object_finder *objects = nullptr;
};

class kxlv_selist {
public:
  // Where the names of objects in selections are looked up (none: only
  // addresses, networks "a.b.c.d/len" and port numbers are understood).
  void set_objects(kxlv_object_finder finder) { objects_ = std::move(finder); }
  const kxlv_object_finder &objects() const { return objects_; }

  // Sets the sense and list of the column's selection (recompiling it) or
  // adds one at the end. -1 with `error` set for a column that cannot be
  // selected on, a list that does not fit the column, or a full table.
  int update(const std::string &column, bool in, kxset *list, std::string *error);
  // Removes the column's selection; false when there is none.
  bool remove(const std::string &column);
  void remove(size_t index);
  void clear() { sels_.clear(); }

  size_t nsel() const { return sels_.size(); }
  const kxlv_selection &getent(size_t i) const { return sels_[i]; }

  // One child "srule_%d" per selection with "type", "is" and "val".
  KxSetRef save() const;
  // Clears and rebuilds from such children; problems go to `messages` and
  // leave the selection out.
  void load(const kxset *object, std::vector<std::string> *messages);

  // The quick test (raw values) and the full test (shown values).
  bool cmp_selected(const kxlv_entry &e, const kxlv_test_ctx &ctx) const;
  bool selected(const kxlv_entry &e, const kxlv_test_ctx &ctx) const;

private:
  std::vector<kxlv_selection> sels_;
  kxlv_object_finder objects_;
};

// The value list of `column` from the texts the user typed (comma-separated
// on the command line): "A-B" ranges for Num, Rule and S_Port, "mm/dd/yy"
// dates and "hh:mm:ss" times (one, or a start and stop joined by "-"),
// addresses, networks "a.b.c.d/len" or object names for Orig, Src and Dst,
// names for the rest, "name.in", "name.out" or "name" for I/F, one pattern for Info. Null
// with `error` set when a value cannot be read.
KxSetRef kxlv_make_list(const std::string &column, const std::vector<std::string> &values,
                        std::string *error);

// "%d/%d/%d" month/day/year and "%d:%d:%d": fewer numbers leave the rest as
// they were; an empty text is accepted. -1 for text that yields no number or
// numbers out of range (month 1-12, day 1-31, hour 0-23, minute and second
// 0-59). The month is stored from 0, the year as years since 1900.
int kxgetdate(const char *text, int *month, int *day, int *year);
int kxgettime(const char *text, int *hour, int *minute, int *second);
