// Rule statements: action words, action and track calls with alert keys,
// and whole statements compared with a golden file.
#include "site_fixture.h"

#include "kxui/compiler/expr.h"
#include "kxui/compiler/logtab.h"
#include "kxui/compiler/rule_gen.h"

namespace kxtest {
namespace {

class RuleGen : public SiteTest {
protected:
  RuleGen() {
    kx_logmacros_clear();
    reset_list_counter();
  }
  // The statement of one rule with fresh tables.
  std::string statement(const RuleWords &w, int n, bool *ok = nullptr) {
    std::string out;
    bool r = gen_rule(out, rule(w), lists_.get(), services_.get(), addresses_.get(), n);
    if (ok) *ok = r;
    return out;
  }
  std::string logdefs() {
    std::string out;
    const kxset *tab = kx_logmacros();
    for (int i = 0; i < tab->getnattr(); ++i)
      out += tab->getattrnamea(i).str() + "=" + tab->get(i)->getname() + "\n";
    return out;
  }
  KxSetRef lists_{kxset::make()}, services_{kxset::make()}, addresses_{kxset::make()};
};

TEST_F(RuleGen, StatementsMatchGolden) {
  std::string all;
  all += statement({"Any", "mailserver", "telnet", "accept", "short", "Gateways"}, 3);
  all += statement({"Any", "Any", "Any", "drop", "", "Gateways"}, 4);
  all += statement({"Any", "Any", "Any", "drop", "long", "Gateways"}, 5);
  all += statement({"Any", "mailserver", "Any", "accept", "MailTrack", "Gateways"}, 5);
  all += statement({"a", "!corpnet", "telnet ftp smtp", "Counted", "short long", "fw1 fw2 gw"}, 6);
  all += statement({"!corpnet", "fw1 lab", "!telnet ping", "drop", "", "Dst"}, 7);
  expect_golden("compiler/statements.ok", all);
  EXPECT_EQ(logdefs(), "MAIL=<\"![mail]\">\n");
}

TEST_F(RuleGen, ActionWords) {
  struct Case {
    const char *action;
    const char *text; // what follows the scope line
    bool accept;
  };
  const Case cases[] = {
      {"accept", "\taccept\t;\n", true},
      {"drop", "\tdrop\t;\n", false},
      {"Reject", "\treject\t;\n", false},     // no "action": the object's name
      {"Empty", "\tdrop\t;\n", false},        // empty "action" counts as drop
      {"Counted", "\taccept\tCOUNT(9),\n\t\tTRAP(notify,9);\n", true},
  };
  for (const Case &c : cases) {
    std::string s = statement({"Any", "Any", "Any", c.action, "", "Gateways"}, 9);
    EXPECT_EQ(s, std::string("inbound\tall@gw\n") + c.text) << c.action;
    std::string word;
    bool accept = !c.accept;
    EXPECT_TRUE(gen_action(word, rule({"Any", "Any", "Any", c.action})->get(KxAtom("action")), &accept));
    EXPECT_EQ(accept, c.accept) << c.action;
  }
}

TEST_F(RuleGen, FailuresAndSilentRules) {
  bool ok = false;
  // No action object: the rule fails and leaves nothing behind.
  EXPECT_EQ(statement({"Any", "Any", "Any", "", "", "Gateways"}, 1, &ok), "");
  EXPECT_FALSE(ok);
  // Installed on routers only: no text in the filter script, but success.
  EXPECT_EQ(statement({"Any", "Any", "Any", "accept", "", "Routers"}, 2, &ok), "");
  EXPECT_TRUE(ok);
}

TEST_F(RuleGen, TrackCallsAndAlertKeys) {
  struct Case {
    const char *tracks;
    bool sep;
    const char *text;
  };
  const Case cases[] = {
      {"long", false, "LOG(long,LOG_NOALERT,5)"},
      {"short long", true, ",\n\t\tLOG(short,LOG_NOALERT,5), LOG(long,LOG_NOALERT,5)"},
      {"Quiet", false, "COUNT(short_form,LOG_NOALERT,5)"}, // empty alert, own macro
      {"MailTrack", false, "LOG(long,LOG_MAIL,5)"},
      {"MailTrack2", false, "LOG(long,LOG_MAIL_,5)"}, // Mail differs from mail only in case
      {"MailTrack", false, "LOG(long,LOG_MAIL,5)"},   // the same alert keeps its key
      {"AlertTrack", false, "LOG(long,LOG_RED_ALERT,5)"},
      {"", true, ""},
  };
  for (const Case &c : cases) {
    std::string out;
    kxset *cell = rule({"Any", "Any", "Any", "accept", c.tracks})->get(KxAtom("track"));
    EXPECT_EQ(gen_andlist(out, cell, c.sep, 5), *c.text != 0);
    EXPECT_EQ(out, c.text) << c.tracks;
  }
  EXPECT_EQ(logdefs(), "MAIL=<\"![mail]\">\nMAIL_=<\"![Mail]\">\nRED_ALERT=<\"![Red Alert]\">\n");
}

} // namespace
} // namespace kxtest
