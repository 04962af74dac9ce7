// control.map parsing and the method lookup.
#include "kxsys/auth.h"
#include "kxsys/controlmap.h"

#include <gtest/gtest.h>

using namespace kxsys;

namespace {
constexpr uint32_t A1 = 0x0a000001, A2 = 0x0a000002, OTHER = 0xc0a80001;

kxusr_table parse(const std::string &text, std::optional<std::string> masters = std::nullopt) {
  return kxusr_parse(text, [masters] { return masters; });
}
} // namespace

TEST(ControlMap, LookupFollowsRulesAndSegmentsInOrder) {
  auto t = parse("# comment\n"
                 "\n"
                 "   10.0.0.1: none/stat,fetch silly/load\n"
                 "10.0.0.0/8: deny/stat skey/*\n"
                 "*: none/stat\n");
  EXPECT_TRUE(t.fatal.empty());
  EXPECT_EQ(kxusr_get(t, A1, "stat"), "none");
  EXPECT_EQ(kxusr_get(t, A1, "load"), "silly");
  // The first rule doesn't cover "unload": the search goes on to later rules.
  EXPECT_EQ(kxusr_get(t, A1, "unload"), "skey");
  EXPECT_EQ(kxusr_get(t, A2, "stat"), "deny");
  EXPECT_EQ(kxusr_get(t, OTHER, "stat"), "none");
  EXPECT_EQ(kxusr_get(t, OTHER, "load"), "");
}

TEST(ControlMap, MastersGrantsItsHostsOnly) {
  auto t = parse("masters: skey/*\n", "# the stations\n  10.0.0.1\n10.0.0.2\n");
  EXPECT_EQ(kxusr_get(t, A1, "load"), "skey");
  EXPECT_EQ(kxusr_get(t, A2, "fetch"), "skey");
  EXPECT_EQ(kxusr_get(t, OTHER, "stat"), "");
}

TEST(ControlMap, BadLinesAreReportedAndSkipped) {
  auto t = parse("no colon here\n*: none stat/bogus,stat\n");
  EXPECT_TRUE(t.fatal.empty());
  ASSERT_EQ(t.messages.size(), 3u);
  EXPECT_EQ(t.messages[0], "Badly formatted line: \"no colon here\"");
  EXPECT_EQ(t.messages[1], "Badly formatted segment: \"none\"");
  EXPECT_EQ(t.messages[2], "Illegal command <bogus> in control.map");
  EXPECT_EQ(kxusr_get(t, OTHER, "stat"), "stat");
}

TEST(ControlMap, FatalErrors) {
  EXPECT_EQ(parse("masters: none/*\n").fatal, "Authentication error: Can't parse <masters>");
  EXPECT_EQ(parse("10.0.0.0/40: none/*\n").fatal, "Authentication error: Can't parse <10.0.0.0/40>");
  EXPECT_EQ(kxusr_load("/nonexistent").fatal, "Authentication error: Cannot open control.map file. Aborting");
}

TEST(AuthMethods, NamesMatchWithoutCase) {
  ASSERT_NE(kx_auth_get("SKEY", false), nullptr);
  EXPECT_STREQ(kx_auth_get("SKEY", false)->name, "skey");
  EXPECT_STREQ(kx_auth_get("None", true)->name, "none");
  EXPECT_EQ(kx_auth_get("rsh", true), nullptr);
}
