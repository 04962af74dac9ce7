// Format texts and the printed form of records.
#include "kxlog/logformat.h"
#include "kxlog/logprint.h"
#include "kxlog/logtypes.h"
#include "kxu/report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class Collect : public kxu::ReportFrontEnd {
public:
  std::vector<std::string> notices;
  bool notice(const std::string &t) override {
    notices.push_back(t);
    return true;
  }
  void status(const std::string &) override {}
  int ask(const std::string &) override { return 1; }
};

std::string print(const char *formats, int number, std::vector<uint32_t> words,
                  const std::string &action = "") {
  log_format_table t;
  log_parseformat(formats, &t, std::strlen(formats));
  const log_fmt *f = t.get(number);
  if (!f) return "<no format>";
  return log_format(*f, action, words.data(), words.size());
}

} // namespace

TEST(LogFormat, PrintedForms) {
  struct Case {
    const char *what, *formats;
    int number;
    std::vector<uint32_t> words;
    const char *action;
    std::string want;
  };
  const Case cases[] = {
      {"named types", "%%format: c 1\nsrc ipaddr\nn int\nu uint\nh hex\np proto\n", 1,
       {0xC0000201, 0xFFFFFFFF, 0xFFFFFFFF, 255, 17}, "", "src 192.0.2.1 n -1 u 4294967295 h ff p udp"},
      {"field without type prints hex", "%%format: c 1\nsrc\n", 1, {0x1f}, "", "src 1f"},
      {"printf conversion and unknown type", "%%format: c 1\na %05d\nb weird\nc %s\n", 1,
       {42, 10, 11}, "", "a 00042 b [weird] a c [%s] b"},
      {"printf width or precision of three digits is not obeyed", "%%format: c 1\na %99d\nb %100d\nc %.999d\n", 1,
       {1, 2, 3}, "", "a " + std::string(98, ' ') + "1 b [%100d] 2 c [%.999d] 3"},
      {"empty label prints the word alone", "%%format: c 1\n\"\" int\nx int\n", 1, {5, 6}, "", "5 x 6"},
      {"port takes the proto field even when it is not first",
       "%%format: c 1\nsvc port\nproto proto\n", 1, {53, 17}, "", "svc domain proto udp"},
      {"port without proto field uses services", "%%format: c 1\nsvc port\n", 1, {22}, "", "svc ssh"},
      {"unnamed port prints its number", "%%format: c 1\nsvc service\n", 1, {47999}, "", "svc 47999"},
      {"more words than fields", "%%format: c 1\na int\n", 1, {1, 2, 3}, "", "a 1"},
      {"fewer words than fields", "%%format: c 1\na int\nb int\n", 1, {1}, "", "a 1"},
      {"action with brackets", "%%format: c 1\na int\n", 1, {1}, "![Red Alert]mail", "Red Alert a 1"},
      {"action without brackets", "%%format: c 1\na int\n", 1, {1}, "accept", "accept a 1"},
      {"hexadecimal format number", "%%format: c 1a\na int\n", 26, {7}, "", "a 7"},
      {"second definition wins", "%%format: c 1\na int\n%%format: d 1\nb hex\n", 1, {10}, "", "b a"},
      {"string inside the record", "%%format: c 1\ns string\n", 1, {1u << 16 | 2u, 0x68656c6c, 0x6f000000},
       "", "s hello"},
      {"string past the record is cut to it", "%%format: c 1\ns string\n", 1,
       {1u << 16 | 0xfffu, 0x41424344}, "", "s ABCD"},
      {"string offset past the record", "%%format: c 1\ns string\n", 1, {9u << 16 | 1u}, "", "s "},
  };
  Collect messages;
  kxu::ScopedFrontEnd fe(&messages);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(print(c.formats, c.number, c.words, c.action), c.want);
  }
  EXPECT_EQ(messages.notices,
            (std::vector<std::string>{"fstring: log string length 16380 >= 4096, truncated"}));
}

TEST(LogFormat, BadTextsAreReportedAndSkipped) {
  Collect messages;
  kxu::ScopedFrontEnd fe(&messages);
  log_format_table t;
  const char text[] = "# c\n%%format tcp 1\n%%format: big 1ff\nx int\n%%action: ok 3\n";
  log_parseformat(text, &t, sizeof text - 1);
  ASSERT_NE(t.get(99), nullptr); // a bad number becomes 99
  EXPECT_EQ(t.actions.at(3), "ok");
  const char fields_first[] = "src ipaddr\n%%format: c 1\n";
  log_format_table empty;
  log_parseformat(fields_first, &empty, sizeof fields_first - 1);
  EXPECT_EQ(empty.get(1), nullptr);
  EXPECT_EQ(messages.notices, (std::vector<std::string>{
                                  "logformat: line 2: Badly formed format line: %%format tcp 1",
                                  "Bad format number 511",
                                  "logformat: line 1: Badly formed file",
                              }));
}

TEST(LogFormat, ActionCodes) {
  EXPECT_EQ(ifactioncode("CTL"), 253);
  EXPECT_EQ(ifactioncode("default"), 0);
  EXPECT_EQ(ifactioncode("nothing"), -1);
  EXPECT_EQ(ifaction(0, 253), "ctl");
  EXPECT_EQ(ifaction(2, 252), "ctl");
  EXPECT_EQ(ifaction(0, 254), "reset");
  EXPECT_EQ(ifaction(2, 0), "accept"); // format 0 is a filter's own format
  EXPECT_EQ(ifaction(1, 5), "reject");
  EXPECT_EQ(ifaction(3, 5), "act3");
}
