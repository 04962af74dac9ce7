// The User Properties window's model over a real user database: refusals
// write nothing, an unchanged window writes nothing, edits move group
// memberships, renames and undo, and the S/Key page's chain, questions and
// checks.
#include "kxui/users/user_props.h"
#include "kxset/sio.h"
#include "kxskey/skey.h"
#include "kxu/report.h"
#include "kxui/users/kxa.h"
#include "support/tempdir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

using ::testing::HasSubstr;

namespace {

struct Answers : kxu::ReportFrontEnd {
  std::vector<std::string> notices, questions;
  int answer = 1; // Cancel
  bool notice(const std::string &text) override {
    notices.push_back(text);
    return true;
  }
  void status(const std::string &) override {}
  int ask(const std::string &q) override {
    questions.push_back(q);
    return answer;
  }
};

std::string text_of(const kxset *s) {
  std::string out;
  if (s)
    sio_swrite(out, s);
  return out;
}

std::string stored(const char *name) {
  KxSetRef u(kxa_fetchuser(name));
  return text_of(u.get());
}

std::vector<std::string> members(const char *group) {
  KxSetRef g(kxa_fetchgroup(group));
  return kxa_members_of(g.get());
}

using V = std::vector<std::string>;

class UserProps : public ::testing::Test {
protected:
  kxtest::TempDir dir;
  Answers fe;
  kxu::ScopedFrontEnd scope{&fe};
  UserHooks hooks;

  void SetUp() override {
    ASSERT_EQ(kxa_db_init_named(dir.file("kxauth")), 0);
    KxSetRef alice(kxset::make(KxAtom("alice")));
    kxa_put(alice.get(), "type", "user");
    kxa_put(alice.get(), "class", "SDBM");
    kxa_put(alice.get(), "expiration_date", "31-Dec-2030");
    alice->set(KxAtom("groups"), kxset::make(KxAtom(), {{KxAtom(), kxset::make(KxAtom("Staff"))}}));
    ASSERT_EQ(kxa_store(alice.get()), 0);
    KxSetRef admins(kxset::make(KxAtom("Admins")));
    kxa_put(admins.get(), "type", "usrgroup");
    ASSERT_EQ(kxa_store_group(admins.get()), 0);
    hooks.name_taken = [](const std::string &n) -> std::optional<std::string> {
      if (n == "gw" || n == "bob")
        return n + ": Already exists (host)";
      return std::nullopt;
    };
    hooks.gateway_exists = [](const std::string &n) { return n == "gw"; };
  }
  void TearDown() override { kxa_db_close(); }

  KxSetRef fetch(const char *name) { return KxSetRef(kxa_fetchuser(name)); }
};

TEST_F(UserProps, RefusedValuesWriteNothing) {
  struct Case {
    const char *what;
    std::function<void(UserValues &)> edit;
    const char *message;
  } cases[] = {
      {"empty name", [](UserValues &v) { v.name = ""; }, "Must specify name"},
      {"name of an object", [](UserValues &v) { v.name = "gw"; }, "gw: Already exists (host)"},
      {"kept group as name", [](UserValues &v) { v.name = "All Users"; }, "All Users Can't be modified"},
      {"29 Feb of 97", [](UserValues &v) { v.expiration_date = "29-Feb-97"; }, "Illegal Date Format: '29-Feb-97'"},
      {"24:01", [](UserValues &v) { v.tohour = "24:01"; }, "Illegal Time Format: '24:01'"},
      {"9:5", [](UserValues &v) { v.fromhour = "9:5"; }, "Illegal Time Format: '9:5'"},
      {"kept group", [](UserValues &v) { v.groups.push_back("ALL_GROUPS"); },
       "ALL_GROUPS is kept by the database itself"},
      {"scheme", [](UserValues &v) { v.auth_method = "Kerberos"; }, "Unknown Authentication scheme"},
      {"S/Key password", [](UserValues &v) {
         v.auth_method = "S/Key", v.skey_seed = "al01", v.skey_number = "5", v.skey_gateway = "gw";
         v.skey_passwd = "not a key";
       }, "S/Key Password <not a key> is not a legal S/Key password"},
      {"no gateway", [](UserValues &v) {
         v.auth_method = "S/Key", v.skey_seed = "al01", v.skey_number = "5";
         v.skey_passwd = "0123456789ABCDEF";
       }, "No S/Key Gateway was chosen.\nPlease choose one using 'Installed On:' menu"},
      {"gateway gone", [](UserValues &v) {
         v.auth_method = "S/Key", v.skey_seed = "al01", v.skey_number = "5", v.skey_gateway = "old";
         v.skey_passwd = "0123456789ABCDEF";
       }, "S/Key Gateway old no longer exists.\nPlesae choose an existing S/Key Gateway"},
      {"seed with a blank", [](UserValues &v) {
         v.auth_method = "S/Key", v.skey_seed = "a b", v.skey_number = "5", v.skey_gateway = "gw";
         v.skey_passwd = "0123456789ABCDEF";
       }, "S/Key seed must be 1 to 16 characters without blanks"},
  };
  const std::string before = stored("alice");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    fe.notices.clear();
    KxSetRef rec = fetch("alice");
    UserWindow w(rec.get(), false);
    UserValues v = w.shown();
    v.comments = "changed too";
    c.edit(v);
    EXPECT_EQ(w.apply(v, hooks), UserWindow::Outcome::refused);
    ASSERT_EQ(fe.notices.size(), 1u);
    EXPECT_THAT(fe.notices[0], HasSubstr(c.message));
    EXPECT_EQ(stored("alice"), before);
  }
  EXPECT_EQ(kxa_check(), "");
}

TEST_F(UserProps, UnchangedWindowWritesNothingAndEditsAreNormalised) {
  KxSetRef rec = fetch("alice");
  const std::string before = text_of(rec.get());
  UserWindow w(rec.get(), false);
  EXPECT_EQ(w.shown().fromhour, "00:00");
  EXPECT_EQ(w.shown().days.size(), 7u);
  EXPECT_EQ(w.apply(w.shown(), hooks), UserWindow::Outcome::applied);
  EXPECT_EQ(stored("alice"), before); // no initial texts added
  EXPECT_EQ(text_of(w.after().get()), before);

  UserValues v = w.shown();
  v.expiration_date = "5/jan/70";
  v.fromhour = "9:05";
  v.tohour = "24:00";
  v.days = {"Mon", "Fri"};
  v.groups = {"Admins"};
  v.comments = "night shift";
  ASSERT_EQ(w.apply(v, hooks), UserWindow::Outcome::applied);
  KxSetRef now = fetch("alice");
  UserValues got = user_values(now.get());
  EXPECT_EQ(got.expiration_date, "05-Jan-1970");
  EXPECT_EQ(got.fromhour, "09:05");
  EXPECT_EQ(got.tohour, "24:00");
  EXPECT_EQ(got.days, (V{"Mon", "Fri"}));
  EXPECT_EQ(got.comments, "night shift");
  EXPECT_EQ(members("Admins"), (V{"alice"}));
  EXPECT_EQ(members("Staff"), V{});
  EXPECT_EQ(w.shown(), got);
  EXPECT_EQ(kxa_check(), "");
}

TEST_F(UserProps, RenameAndNewUserUndoAndRedoThroughTheStore) {
  KxSetRef rec = fetch("alice");
  UserWindow w(rec.get(), false);
  UserValues v = w.shown();
  v.name = "alicia";
  ASSERT_EQ(w.apply(v, hooks), UserWindow::Outcome::applied);
  EXPECT_FALSE(fetch("alice"));
  EXPECT_TRUE(fetch("alicia"));
  EXPECT_EQ(members("Staff"), (V{"alicia"}));
  // Undo, then redo.
  ASSERT_EQ(user_record_replace(w.after().get(), w.before().get()), 0);
  EXPECT_TRUE(fetch("alice"));
  EXPECT_FALSE(fetch("alicia"));
  EXPECT_EQ(members("Staff"), (V{"alice"}));
  ASSERT_EQ(user_record_replace(w.before().get(), w.after().get()), 0);
  EXPECT_EQ(members("Staff"), (V{"alicia"}));

  // A new user from a template keeps neither its seed nor its password.
  KxSetRef templ(kxset::make(KxAtom("std")));
  kxa_put(templ.get(), "type", "template");
  kxa_put(templ.get(), "SKEY_seed", "tt01");
  kxa_put(templ.get(), "SKEY_gateway", "gw");
  kxa_put(templ.get(), "tohour", "18:00");
  templ->set(KxAtom("groups"), kxset::make(KxAtom(), {{KxAtom(), kxset::make(KxAtom("Admins"))}}));
  KxSetRef fresh(kxset::make(KxAtom("erin")));
  kxa_put(fresh.get(), "type", "user");
  user_from_template(fresh.get(), templ.get());
  UserWindow n(fresh.get(), true);
  EXPECT_EQ(n.shown().skey_seed, "");
  EXPECT_EQ(n.shown().tohour, "18:00");
  ASSERT_EQ(n.apply(n.shown(), hooks), UserWindow::Outcome::applied);
  EXPECT_EQ(kxa_text(fetch("erin").get(), "type"), "user");
  EXPECT_EQ(members("Admins"), (V{"erin"}));
  ASSERT_EQ(user_record_replace(n.after().get(), n.before().get()), 0);
  EXPECT_FALSE(fetch("erin"));
  EXPECT_EQ(members("Admins"), V{});
  EXPECT_EQ(kxa_check(), "");
}

TEST_F(UserProps, SkeyChainQuestionsAndSecretReuse) {
  KxSetRef rec = fetch("alice");
  UserWindow w(rec.get(), false);
  UserValues v = w.shown();
  v.auth_method = "S/Key";
  v.skey_seed = "al01";
  v.skey_gateway = "gw";
  v.skey_number = "0";
  EXPECT_FALSE(w.save_chain(dir.file("none.skey")));
  EXPECT_EQ(fe.notices.back(), "No chain was created.\n\nUse 'Generate' to create a chain");
  w.generate(v); // a random secret, 100 passwords
  EXPECT_EQ(v.skey_number, "100");
  ASSERT_EQ(w.chain().size(), 100u);
  EXPECT_EQ(v.skey_passwd, w.chain().back().words);
  EXPECT_GE(v.secret.size(), 7u);

  // Not saved: the question; Cancel stays and writes nothing.
  const std::string before = stored("alice");
  EXPECT_EQ(w.apply(v, hooks), UserWindow::Outcome::stay);
  EXPECT_THAT(fe.questions.back(), HasSubstr("S/Key chain was generated with random key."));
  EXPECT_EQ(stored("alice"), before);

  // Saved: listed from N down to 1, owner-only, then applied.
  const std::string file = dir.file("alice.skey");
  ASSERT_TRUE(w.save_chain(file));
  std::ifstream in(file);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first.substr(0, 4), "100 ");
  EXPECT_THAT(first, HasSubstr(w.chain().back().hex));
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(w.apply(v, hooks), UserWindow::Outcome::applied);
  EXPECT_THAT(fe.notices.back(), HasSubstr("A new S/Key chain was created using:\nSeed: al01\nNumber: 100"));
  EXPECT_EQ(kxa_text(fetch("alice").get(), "SKEY_passwd"), v.skey_passwd);

  // A new window: the gateway moved but the chain did not -> question.
  KxSetRef again = fetch("alice");
  UserWindow w2(again.get(), false);
  UserValues v2 = w2.shown();
  v2.skey_gateway = "gw2";
  fe.questions.clear();
  EXPECT_EQ(w2.apply(v2, hooks), UserWindow::Outcome::stay);
  EXPECT_THAT(fe.questions.at(0), HasSubstr("You have changed the S/Key Gateway without"));
  v2 = w2.shown();
  v2.skey_seed = "al02";
  EXPECT_EQ(w2.apply(v2, hooks), UserWindow::Outcome::stay);
  EXPECT_THAT(fe.questions.back(), HasSubstr("You have changed S/Key seed without"));

  // The stored chain's secret typed again is refused, even with another
  // length; another secret is taken.
  UserValues v3 = w2.shown();
  v3.secret = v.secret;
  v3.skey_number = "20";
  w2.generate(v3);
  EXPECT_EQ(w2.apply(v3, hooks), UserWindow::Outcome::refused);
  EXPECT_THAT(fe.notices.back(), HasSubstr("same secret key as the previous one"));
  v3.secret = "a fresh secret";
  w2.generate(v3);
  EXPECT_EQ(w2.apply(v3, hooks), UserWindow::Outcome::applied);
  KxSetRef done = fetch("alice");
  EXPECT_EQ(kxa_text(done.get(), "SKEY_number"), "20");
  SkeyKey top;
  ASSERT_TRUE(skey_parse(kxa_text(done.get(), "SKEY_passwd"), top));
  EXPECT_EQ(skey_to_hex(top), skey_make_passwd("a fresh secret", "al01", 20));
}

} // namespace
