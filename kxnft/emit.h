// Writing the ruleset text: the statements of each check in order, runs of
// rules of the same form grouped into verdict maps (group.h), the sets,
// counters and chains they use.
#pragma once

#include "compile.h"
#include "cond.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kxnft {

struct Block;
struct HashMap;

// What a statement does once its conditions hold.
struct Decision {
  int rule = -1; // -1: an implied rule
  std::string action;
  std::string format, alert; // of its track; format empty when untracked
};

struct Translated {
  std::string iface; // "" for all interfaces
  bool inbound = false, outbound = false;
  std::vector<Clause> clauses;
  Decision decision;
};

class Emitter {
public:
  explicit Emitter(const Options &o) : options_(o) {}

  // The statement in each check it takes part in.
  void add(const Translated &t, size_t index);
  // A line of its own in the checks, which no rule moves across.
  void add_line(bool in, bool out, const std::string &line);
  void note_counter(const std::string &name);
  // The whole ruleset; false (with cx.error) when a list cannot be written.
  bool text(CondContext &cx, std::string &out);

private:
  struct Entry {
    std::string line; // when no rule
    std::optional<Translated> rule;
    size_t index = 0;
  };
  std::string verdict(const Decision &d, bool inbound);
  std::string action_text(const Decision &d, bool inbound) const;
  std::vector<std::string> check_lines(CondContext &cx, const std::vector<Entry> &entries, bool inbound);
  void plain_lines(const Translated &t, size_t index, bool inbound, std::vector<std::string> &lines);
  void map_lines(const std::vector<Entry> &entries, const Block &block, bool inbound,
                 std::vector<std::string> &lines);
  // Where a block's keys lead: the mark and the decision chain, or the
  // chains of the places.
  struct Places {
    bool first_hit = false;
    std::string decide;
    std::vector<std::string> chains;
  };
  std::string lookup_line(const HashMap &m, const std::string &name, const Places &places);
  void sub_chains(const std::string &chain, const std::vector<const Clause *> &complex, const std::string &v);

  const Options &options_;
  std::vector<Entry> inbound_, outbound_;
  std::vector<std::string> counters_;
  int map_count_ = 0;
  std::vector<std::pair<std::string, std::vector<std::string>>> subs_, verdict_chains_, maps_, sets_;
};

} // namespace kxnft
