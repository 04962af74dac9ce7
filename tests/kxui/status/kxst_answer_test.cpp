// Answers to status sets: the cases of the module and Wellfleet mappings,
// including answers no agent of ours would send.
#include <gtest/gtest.h>

#include "kxui/obj/kxobj.h"
#include "kxui/status/kxst_answer.h"

namespace {

KxSnmpVar text(int i, std::string v) {
  KxSnmpVar x;
  x.name = kx_module_vars[i];
  x.kind = KxSnmpVar::text;
  x.value = std::move(v);
  return x;
}
KxSnmpVar count(int i, uint64_t n) {
  KxSnmpVar x;
  x.name = kx_module_vars[i];
  x.kind = KxSnmpVar::number;
  x.count = n;
  return x;
}
KxSnmpAnswer module(const std::string &state, const std::string &name) {
  KxSnmpAnswer a;
  a.vars = {text(0, state), text(1, name), text(2, "11Dec126  0:20:00"), count(3, 100),
            count(4, 10), count(5, 5), count(6, 7)};
  return a;
}
std::string attr(kxset *s, const char *a) {
  KxSetRef keep(s);
  return kxobj_get(s, a);
}

const time_t now = 86400 * 3;

TEST(ModuleAnswer, States) {
  struct Case {
    const char *what;
    KxSnmpAnswer answer;
    const char *state;
    bool counters;
  };
  KxSnmpAnswer error = module("installed", "Standard");
  error.status = 2;
  KxSnmpAnswer timeout;
  timeout.status = -1;
  KxSnmpAnswer missing = module("installed", "Standard");
  missing.vars.pop_back();
  KxSnmpAnswer wrong_type = module("installed", "Standard");
  wrong_type.vars[4] = text(4, "ten");
  KxSnmpAnswer no_such = module("installed", "Standard");
  no_such.vars[0].kind = KxSnmpVar::exception;
  KxSnmpAnswer reordered = module("installed", "Standard");
  std::swap(reordered.vars[3], reordered.vars[4]);
  KxSnmpAnswer huge = module(std::string(65536, 's'), "Standard");
  const Case cases[] = {
      {"installed", module("installed", "Standard"), "installed", true},
      {"quoted empty name", module("installed", "\"\""), "not installed", false},
      {"empty name", module("installed", ""), "not installed", false},
      {"own state text", module("loading", "Standard"), "loading", false},
      {"error status", error, "disconnected", false},
      {"no answer", timeout, "disconnected", false},
      {"missing variable", missing, "unknown", false},
      {"counter of wrong type", wrong_type, "unknown", false},
      {"no such object", no_such, "unknown", false},
      {"variables out of order", reordered, "unknown", false},
  };
  for (const Case &c : cases) {
    KxSetRef s = kxst_module_status("fw", c.answer, now);
    EXPECT_STREQ(kxobj_get(s.get(), "state"), c.state) << c.what;
    EXPECT_EQ(*kxobj_get(s.get(), "accepted") != 0, c.counters) << c.what;
    if (!c.counters) {
      EXPECT_EQ(kxobj_get(s.get(), "date"), kx_time_text(now)) << c.what;
    }
  }
  KxSetRef s = kxst_module_status("fw", huge, now);
  EXPECT_EQ(std::string(kxobj_get(s.get(), "state")).size(), kx_status_text_max);
}

TEST(ModuleAnswer, RejectedAddsDroppedWithoutOverflow) {
  EXPECT_EQ(attr(kxst_module_status("fw", module("installed", "S"), now), "rejected"), "15");
  KxSnmpAnswer big = module("installed", "S");
  big.vars[4].count = UINT64_MAX;
  EXPECT_EQ(attr(kxst_module_status("fw", big, now), "rejected"), std::to_string(UINT64_MAX));
}

TEST(WellfleetAnswer, FilterNameCarriesTimeAndName) {
  struct Case {
    std::string filter, date, name;
  };
  const Case cases[] = {
      {"JIIIIIIIStandard.wf", kx_time_text(1), "Standard"},
      {"IIIIIIIIpolicy", kx_time_text(0), "policy"},
      {"short", "-", "short"},
      {"AIIIIIIIname.x", "-", "AIIIIIIIname"},
      {"", "-", ""},
  };
  for (const Case &c : cases) {
    std::string date, name;
    kx_wf_filter_name(c.filter, date, name);
    EXPECT_EQ(date, c.date) << c.filter;
    EXPECT_EQ(name, c.name) << c.filter;
  }
}

TEST(WellfleetAnswer, States) {
  KxSnmpAnswer a;
  KxSnmpVar row;
  row.name = std::string(kx_wf_filter_name_column) + ".1";
  row.kind = KxSnmpVar::text;
  row.value = "JIIIIIIIStandard.wf";
  a.vars = {row};
  EXPECT_EQ(attr(kxst_wellfleet_status("wf", a, now), "state"), "installed");
  KxSnmpAnswer past = a;
  past.vars[0].name = ".1.3.6.1.4.1.32473.3.1.0";
  EXPECT_EQ(attr(kxst_wellfleet_status("wf", past, now), "state"), "not installed");
  KxSnmpAnswer end;
  EXPECT_EQ(attr(kxst_wellfleet_status("wf", end, now), "state"), "not installed");
  KxSnmpAnswer err = a;
  err.status = 5;
  EXPECT_EQ(attr(kxst_wellfleet_status("wf", err, now), "state"), "disconnected");
  KxSnmpAnswer number = a;
  number.vars[0].kind = KxSnmpVar::number;
  EXPECT_EQ(attr(kxst_wellfleet_status("wf", number, now), "state"), "unknown");
}

TEST(Oid, ParseAndBelow) {
  std::vector<uint32_t> parts;
  EXPECT_TRUE(kx_parse_oid(".1.3.6.1", parts));
  EXPECT_EQ(kx_oid_text(parts.data(), parts.size()), ".1.3.6.1");
  for (const char *bad : {"", ".", "1", "1..3", "1.3.", "kxEvent.0", "1.99999999999"})
    EXPECT_FALSE(kx_parse_oid(bad, parts)) << bad;
  EXPECT_TRUE(kx_oid_below(".1.3.6.1.2", ".1.3.6.1"));
  EXPECT_FALSE(kx_oid_below(".1.3.6.12", ".1.3.6.1"));
  EXPECT_FALSE(kx_oid_below(".1.3.6.1", ".1.3.6.1"));
}

} // namespace
