#include "kxui/kx/confname.h"
#include "kxui/kx/quit.h"

#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Answers questions from a script and records them.
class ScriptedAnswers : public kxu::ReportFrontEnd {
public:
  std::vector<int> answers;
  std::vector<std::string> questions;
  bool reenter = false; // asks to quit again while a question is open
  int inner = -1;

  bool notice(const std::string &) override { return true; }
  void status(const std::string &) override {}
  int ask(const std::string &q) override {
    questions.push_back(q);
    if (reenter)
      inner = kx_quit_allowed(true, true, true);
    int a = answers.empty() ? 1 : answers.front();
    if (!answers.empty())
      answers.erase(answers.begin());
    return a;
  }
};

const std::string kRules = "Modified Rulebase not saved.\n\nTo save, Perform 'File::Save'\n\nQuit Anyway?";
const std::string kBoth =
    "Modified Rulebase and Objects not saved.\n\nTo save, Perform 'File::Save'\n\nQuit Anyway?";
const std::string kObjects = "Modified Objects not saved.\n\nTo save, Perform "
                             "'Utilities::Save Objects'\n\nQuit Anyway?";
const std::string kUsers = "Modified Users Database not downloaded.\n\nTo download, perform "
                           "'DB DOWNLOAD'\n\nQuit Anyway?";

TEST(Quit, AsksAboutWhatWouldBeLost) {
  using Q = std::vector<std::string>;
  struct Case {
    bool rules, objects, users;
    std::vector<int> answers; // 0 Ok, 1 Cancel
    Q asked;
    int allowed;
  } cases[] = {
      {false, false, false, {}, {}, 1},
      {true, false, false, {0}, {kRules}, 1},
      {true, true, false, {0}, {kBoth}, 1},
      {false, true, false, {1}, {kObjects}, 0},
      {true, true, true, {0, 0}, {kBoth, kUsers}, 1},
      {true, false, true, {1}, {kRules}, 0},
      {false, false, true, {1}, {kUsers}, 0},
  };
  for (const Case &c : cases) {
    ScriptedAnswers fe;
    fe.answers = c.answers;
    kxu::ScopedFrontEnd scope(&fe);
    EXPECT_EQ(kx_quit_allowed(c.rules, c.objects, c.users), c.allowed);
    EXPECT_EQ(fe.questions, c.asked);
  }
}

TEST(Quit, SecondRequestWhileAskingIsIgnored) {
  ScriptedAnswers fe;
  fe.reenter = true;
  fe.answers = {0};
  kxu::ScopedFrontEnd scope(&fe);
  EXPECT_EQ(kx_quit_allowed(false, true, false), 1);
  EXPECT_EQ(fe.inner, 0);
  EXPECT_EQ(fe.questions.size(), 1u);
}

TEST(Confname, FirstReadableRuleBaseOfTheModules) {
  kxtest::TempDir tmp;
  tmp.write("std.W", "");
  tmp.write("other.W", "");
  const std::string saved_kxdir = kxdir;
  const char *conf = std::getenv("KX_CONF");
  const std::string saved_conf = conf ? conf : "";
  kxdir = "/nonexistent";
  setenv("KX_CONF", tmp.path().c_str(), 1);

  EXPECT_FALSE(kxui_confname({})); // no status query yet

  static std::vector<std::string> asked;
  asked.clear();
  kx_policy_query = [](const char *host) {
    asked.push_back(host);
    return std::string(host) == "fw2" ? std::vector<std::string>{"", "missing", "std", "other"}
                                      : std::vector<std::string>{"gone"};
  };
  EXPECT_EQ(kxui_confname({"fw1", "fw2"}), tmp.file("std.W"));
  EXPECT_FALSE(kxui_confname({}));
  EXPECT_EQ(asked, (std::vector<std::string>{"fw1", "fw2", "localhost"}));

  kx_policy_query = nullptr;
  kxdir = saved_kxdir;
  if (conf)
    setenv("KX_CONF", saved_conf.c_str(), 1);
  else
    unsetenv("KX_CONF");
}

} // namespace
