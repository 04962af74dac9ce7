// The viewer's search test: whether an entry's search text (the origin, the
// interface, the service, src, dst, proto, user, s_port and rule fields and
// the Info column, each followed by a blank) contains a piece matching the
// pattern. kxlv_search_text makes that text; kxlv_search_matcher answers
// the same question without making it for every entry.
#pragma once

#include "kxlv/columns.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Appends the search text of `e` limited to `column` (empty or "All
// Fields": everything).
void kxlv_search_text(std::string &out, const kxlv_entry &e, const std::string &column, const LogHosts &hosts,
                      const std::vector<kxlv_column> &columns);

// A pattern without wildcards and without blanks or tabs can only match
// inside one field's text, since the pieces of the search text are joined by
// blanks and tabs. Such a pattern is tested field by field, on the raw value
// where its printed form is cheap, from remembered answers where a text
// depends on few inputs (origins, interfaces, protocols, ports), and skipped
// where the field's printed alphabet lacks a character of it. Any other
// pattern is matched against the whole text. Made for one search: the
// entries must come from one opening of the log (formats stay put then).
class kxlv_search_matcher {
public:
  kxlv_search_matcher(const std::string &pattern, const std::string &column, const LogHosts &hosts,
                      const std::vector<kxlv_column> &columns);
  bool matches(const kxlv_entry &e);
  // Whether the field-by-field test applies.
  bool literal() const { return literal_; }

private:
  enum class Kind : uint8_t { kInt, kUint, kHex, kAddr, kProto, kPort, kString, kOther };
  static constexpr size_t kLabels = 7;
  struct Plan {
    std::vector<Kind> kinds;                       // per field
    std::array<std::vector<size_t>, kLabels> labelled; // searched fields per label, ascending
    std::vector<size_t> info;                      // fields shown in Info, ascending
    std::vector<bool> info_label_hit;              // their label contains the needle
    int proto_field = -1;                          // the first "proto" field
    // For a record with a word for every field: whether a label in Info
    // matches, and the fields to test, those whose alphabet cannot hold
    // the needle left out.
    bool full_label_hit = false;
    std::vector<size_t> full;
  };
  struct Slot {
    uint64_t key = 0; // bit 63: in use
    bool hit = false;
  };

  const Plan &plan(const log_fmt *format);
  void make_plan(Plan &p, const log_fmt &format);
  bool may_hold(Kind kind) const;
  bool fields_hit(const kxlv_entry &e);
  bool field_hit(const kxlv_entry &e, const Plan &p, size_t i);
  bool port_hit(const kxlv_entry &e, const Plan &p, size_t i);
  bool proto_hit(uint32_t word);
  bool addr_hit(uint32_t word);
  [[gnu::noinline]] bool string_hit(const kxlv_entry &e, size_t i);
  bool orig_hit(const kxlv_entry &e);
  bool ifname_hit(const kxlv_entry &e);
  bool has(std::string_view text) const { return text.find(needle_) != std::string_view::npos; }
  bool text_hit(const kxlv_entry &e, size_t i); // the field printed as the log prints it

  std::string pattern_, column_;
  const LogHosts &hosts_;
  const std::vector<kxlv_column> &columns_;
  bool literal_ = false;
  std::string needle_;
  bool want_orig_ = false, want_if_ = false, want_info_ = false;
  std::array<bool, kLabels> want_label_{};
  // Whether the needle fits the alphabet of each kind's printed form.
  bool int_ok_ = false, uint_ok_ = false, hex_ok_ = false, addr_ok_ = false;

  std::unordered_map<const log_fmt *, Plan> plans_;
  std::array<std::pair<const log_fmt *, const Plan *>, 8> recent_plans_{};
  // Remembered answers: 0 unknown, 1 no, 2 yes. Ports below 65536 per
  // protocol of the record (the last table: records without one).
  std::array<int8_t, 256> proto_{};
  std::array<std::vector<int8_t>, 257> port_tables_;
  std::vector<Slot> ports_, addrs_, origins_, ifnames_;
  unsigned long hosts_version_ = 0;
  std::string text_; // reused for printed texts
};
