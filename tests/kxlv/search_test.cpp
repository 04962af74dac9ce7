// The search test against the plain one (the entry's whole search text and
// the pattern matcher) on every entry of the demo log and of a log made to
// hold every field type, short records, records without formats, interface
// names that change on the way and two column sets.
#include "kxlv/lio.h"
#include "kxlv/match.h"
#include "kxlv/search.h"
#include "kxlv/viewer.h"
#include "lvfixture.h"
#include "support/golden.h"
#include "support/reports.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace kxlvtest;

namespace {

const char kManyFormats[] = "%%format: conn 1\n"
                            "src ipaddr\n"
                            "dst ipaddr\n"
                            "service port\n"
                            "proto proto\n"
                            "s_port port\n"
                            "rule int\n"
                            "info string\n"
                            "%%format: odd 3\n"
                            "user uint\n"
                            "code hex\n"
                            "raw\n"
                            "width %5d\n"
                            "SRC ipaddr\n"
                            "src ipaddr\n"
                            "Count int\n"
                            "weird blob\n"
                            "Info hex\n"
                            "note string\n"
                            "%%format: noproto 4\n"
                            "service port\n"
                            "s_port service\n"
                            "rule int\n"
                            "%%action: accept 0\n"
                            "%%action: \"![Red Alert]mail\" 1\n";

constexpr uint32_t kOther = 0xC0000202; // 192.0.2.2

std::vector<uint8_t> with_text(std::vector<uint32_t> ws, size_t at, const char *text) {
  std::vector<uint8_t> d(ws.size() * 4);
  for (size_t i = 0; i < ws.size(); ++i) put_be32(&d[4 * i], ws[i]);
  if (4 * at + std::strlen(text) <= d.size()) std::copy(text, text + std::strlen(text), d.begin() + long(4 * at));
  return d;
}

// Every kind of entry the viewer shows, in an order that makes interface
// names change while the log is read.
void write_varied_log(const std::string &path) {
  LogWriter w;
  ASSERT_TRUE(w.open(path, true));
  kxlogrec h = kxlogtest::header(kOrigin, 1, kBase);
  w.add(h, kxlogtest::words({1, 2, 3}));                                        // no formats yet
  w.add(kxlogtest::header(kOrigin, LOG_FMT_SYSTEM, kBase), logsys_data(LOGSYS_START, "kx.log"));
  w.add(kxlogtest::header(kOrigin, LOG_FMT_INFO, kBase), kxlogtest::info(kxlogtest::filter(), kManyFormats));
  w.add(kxlogtest::header(kOther, LOG_FMT_INFO, kBase), kxlogtest::info(kxlogtest::filter(), kManyFormats));
  const uint32_t protos[] = {6, 17, 99, 1};
  const uint32_t ports[] = {25, 53, 80, 8080, 3306, 1460, 65535, 70000, 4040};
  for (uint32_t i = 0; i < 120; ++i) {
    if (i == 40) { // interface names arrive: if1 becomes eth1
      kxlogrec ifs = kxlogtest::header(kOrigin, 0, kBase);
      ifs.type = LOG_TYPE_IFNAME;
      w.add(ifs, kxif_list2x({{"eth0", 0}, {"eth1", 1}, {"dmz0", 2}}));
    }
    kxlogrec c = conn_header(kBase + i, i % 3 ? 2 : 0, int(i % 3), i % 2);
    c.origin = i % 5 ? kOrigin : kOther;
    const uint32_t src = 0xC6336400u + i % 7, dst = 0x0A000001u + (i % 4) * 256;
    const uint32_t port = ports[i % 9], sport = ports[(i + 4) % 9] + i;
    const uint32_t proto = protos[i % 4];
    const char *text = i % 2 ? "len 1460" : "ab*c?d\\e";
    uint32_t string_word = 7u << 16 | 3u;
    if (i % 11 == 0) string_word = 40u << 16 | 2u; // beyond the record
    w.add(c, with_text({src, dst, port, proto, sport, i, string_word, 0, 0, 0, i % 4 ? 0u : 1u}, 7, text));
    if (i % 6 == 0) {
      kxlogrec o = kxlogtest::header(c.origin, 3, kBase + i);
      o.set_action_if(2, 1);
      std::vector<uint32_t> ws = {i, 0xABCDEF00u + i, 0xFEED, uint32_t(-int(i)), src, dst, uint32_t(-5),
                                  7, 0xC0FFEE, 10u << 16 | 2u, 0, LOG_NO_ACTION};
      if (i % 12 == 0) ws.resize(5 + i % 7); // short of words: only some fields count
      w.add(o, with_text(ws, 10, "odd!"));
    }
    if (i % 10 == 0) w.add(kxlogtest::header(kOrigin, 4, kBase + i), kxlogtest::words({port, sport, i, 0}));
    if (i % 17 == 0) w.add(kxlogtest::header(kOrigin, 9, kBase + i), kxlogtest::words({i, 0xBAD})); // unknown
  }
  // A text longer than a field prints (reported, and cut).
  kxlogrec c = conn_header(kBase + 200, 2);
  w.add(c, kxlogtest::words({1, 2, 3, 6, 5, 6, 7u << 16 | 2000u, 0x41424344, 0}));
}

struct Counts {
  long entries = 0, hits = 0;
};

// Every entry of `path` against every pattern and column: the matcher made
// once per pair (as one search makes it) says what the plain test says.
Counts compare_all(const std::string &path, const std::vector<kxlv_column> &columns) {
  const std::vector<std::string> patterns = {
      // literal: each field kind, hits and misses
      "198.51.100.3", "198.51.100.", "10.0.2.1", ".0.", "192.0.2.2", "eth1", "if1", "dmz", "smtp", "http-alt",
      "domain", "8080", "70000", "65535", "tcp", "udp", "99", "icmp", "len", "1460", "ab", "5", "-5", "abcdef",
      "feed", "c0ffee", "SRC", "src", "Count", "weird", "[blob]", "odd!", "Info", "Format", "unavailable",
      "Unknown", "started", "logging", "Standard", "bad", "ABCD", "Red", "x", "1", "3",
      // escapes: still literal
      "\\*", "b\\*c", "c\\?d", "d\\\\e", "\\\\", "e\\", "\\e",
      // wildcards, blanks and tabs: the whole text
      "198.*.3", "s?tp", "*", "?", "len 40", "1460 ", "1 eth", "3 192", "eth1 1", "e?t", "tcp\t", "rule*"};
  const std::vector<std::string> cols = {"", "All Fields", "Src", "service", "proto", "Info", "I/F",
                                         "Orig",  "rule", "user", "S_Port", "Action"};
  kxtest::CollectReports reports; // the cut text is reported at every printing
  kxu::ScopedFrontEnd quiet(&reports);
  kxlv_settings settings;
  settings.columns = columns;
  kxlv_viewer viewer(settings);
  EXPECT_TRUE(viewer.open(path));
  std::vector<kxlv_search_matcher> matchers;
  for (const std::string &c : cols)
    for (const std::string &p : patterns) matchers.emplace_back(p, c, viewer.lio().hosts(), settings.columns);
  Counts counts;
  while (const kxlv_entry *e = viewer.lio().nextent()) {
    ++counts.entries;
    size_t k = 0;
    for (const std::string &c : cols) {
      const std::string text = viewer.search_text(*e, c);
      for (const std::string &p : patterns) {
        const bool expected = kxlv_pattern_contains(text, p);
        EXPECT_EQ(matchers[k++].matches(*e), expected)
            << "entry " << e->num << " pattern <" << p << "> column <" << c << "> text <" << text << ">";
        counts.hits += expected;
      }
    }
  }
  return counts;
}

} // namespace

TEST(SearchMatcher, AgreesWithThePlainTestOnEveryEntry) {
  utc();
  kxtest::TempDir dir;
  const std::string varied = dir.file("varied.log");
  write_varied_log(varied);
  std::vector<kxlv_column> fewer = kxlv_default_columns();
  fewer.erase(fewer.begin() + long(kxlv_col_colof(fewer, "Proto"))); // protocols go to Info
  fewer.erase(fewer.begin() + long(kxlv_col_colof(fewer, "Src")));
  for (const std::string &path : {varied, kxtest::test_path("../demo/log/kx.log")}) {
    for (const auto &columns : {kxlv_default_columns(), fewer}) {
      SCOPED_TRACE(path + (columns.size() == fewer.size() ? " without Proto and Src columns" : ""));
      const Counts c = compare_all(path, columns);
      EXPECT_GT(c.entries, 100);
      EXPECT_GT(c.hits, c.entries); // not a comparison of misses only
    }
  }
}

TEST(SearchMatcher, FieldByFieldOnlyForPatternsThatCannotSpanFields) {
  const LogHosts hosts;
  const std::vector<kxlv_column> columns = kxlv_default_columns();
  struct Case {
    const char *pattern;
    bool literal;
  };
  const Case cases[] = {{"198.51.100.3", true}, {"a\\*b", true}, {"\\", true},    {"x\\", true},
                        {"a*b", false},         {"a?b", false},  {"len 40", false}, {"a\\ b", false},
                        {"a\tb", false}};
  for (const Case &c : cases)
    EXPECT_EQ(kxlv_search_matcher(c.pattern, "", hosts, columns).literal(), c.literal) << c.pattern;
}
