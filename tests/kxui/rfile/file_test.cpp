// Rule base files: reading, writing, and the file commands with their
// messages.
#include "fixture.h"

#include "support/golden.h"
#include "kxu/replace_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace rfiletest {
namespace {

const char kThreeRules[] = R"((policy
	:rule (
		:src (
			: gate
		)
		:services (
			: smtp
		)
		:action (
			: accept
		)
	)
	:comments ("kept as read")
	:rule (
		:src (
			:op ("not in")
			: servers
		)
		:action (
			: drop
		)
	)
	:rule (
		:dst (
			: (printer)
		)
	)
)
)";

bool exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

using RuleReadTest = RuleFileTest;

TEST_F(RuleReadTest, RulesComeBackInOrderAndOtherAttributesAreKept) {
  const std::string path = dir.write("conf/policy.W", kThreeRules);
  ASSERT_EQ(file_load(path.c_str()), 0);
  EXPECT_EQ(shown.last_line(), "3 rules read");
  ASSERT_EQ(rmgr_count(), 3);
  EXPECT_EQ(nrules, 3);
  EXPECT_EQ(rule_modified, 0);
  EXPECT_STREQ(file_getname(), path.c_str());
  EXPECT_EQ(std::string(filter_getname()), conf("policy.pf"));

  // Items are the very objects; an unknown name is a plain leaf.
  EXPECT_EQ(rule_get_set(rmgr_rule(1), RULE_SRC)->get(0), netobj("gate"));
  EXPECT_EQ(rule_get_set(rmgr_rule(2), RULE_SRC)->get(1), netobj("servers"));
  EXPECT_TRUE(rule_negated(rmgr_rule(2), RULE_SRC));
  EXPECT_EQ(rule_get(rmgr_rule(3), RULE_DST, ""), "printer");

  ASSERT_EQ(file_save(nullptr), 1);
  EXPECT_EQ(shown.last_line(), "Rule base saved to '" + path + "'");
  kxtest::expect_golden("rfile/policy.W", kxtest::read_file(path));
  EXPECT_EQ(kxtest::read_file(path + ".bak"), kThreeRules);
}

TEST_F(RuleReadTest, CountIsReportedWithThePluralOnlyWhereItBelongs) {
  struct Case {
    const char *text;
    const char *line;
  };
  const Case cases[] = {
      {"", "0 rules read"},
      {"# only a comment\n\n", "0 rules read"},
      {"(policy\n)\n", "0 rules read"},
      {"(policy\n\t:rule (\n\t)\n)\n", "1 rule read"},
      {"(policy\n\t:rule ()\n\t:rule ()\n)\n", "2 rules read"},
  };
  for (const Case &c : cases) {
    const std::string path = dir.write("conf/count.W", c.text);
    EXPECT_EQ(file_load(path.c_str()), 0) << c.text;
    EXPECT_EQ(shown.last_line(), c.line) << c.text;
    EXPECT_TRUE(shown.notices.empty()) << shown.last_notice();
  }
}

TEST_F(RuleReadTest, BadFileIsRefusedAndTheTableKeepsItsRules) {
  const std::string good = dir.write("conf/good.W", kThreeRules);
  ASSERT_EQ(file_load(good.c_str()), 0);
  rule_modified = 1;

  const std::string bad = dir.write("conf/bad.W", "(policy\n\t:rule (\n\t\t:src (\n\t\t\t: gone\n");
  EXPECT_EQ(file_load(bad.c_str()), -1);
  EXPECT_EQ(shown.last_notice().rfind("Failed to read rule file:\n\"bad.W\", line ", 0), 0u)
      << shown.last_notice();
  EXPECT_EQ(rmgr_count(), 3);
  EXPECT_EQ(rule_modified, 1);
  EXPECT_STREQ(file_getname(), good.c_str());
  // The rule base set of the good file is still the one saved with the table.
  EXPECT_NE(kx_rules->get(KxAtom("comments")), nullptr);

  const std::string missing = conf("missing.W");
  EXPECT_EQ(file_load(missing.c_str()), -1);
  EXPECT_EQ(shown.last_notice(), "Failed to open '" + missing + "': No such file or directory");

  // A file that is only the name of an object is no rule base.
  const std::string name_only = dir.write("conf/gate.W", "gate\n");
  EXPECT_EQ(file_load(name_only.c_str()), -1);
  EXPECT_EQ(shown.last_notice(),
            "Failed to read rule file:\n\"gate.W\": <gate> is not a rule base\n");
  EXPECT_EQ(netobj("gate")->get(KxAtom("rule")), nullptr);
}

TEST_F(RuleReadTest, RulesNamedByReferenceBecomeRulesOfTheirOwn) {
  // An object named as a rule, and one rule named twice.
  const std::string path =
      dir.write("conf/shared.W", "(\n\t:rule gate\n\t:rule (r1\n\t)\n\t:rule r1\n)\n");
  ASSERT_EQ(file_load(path.c_str()), 0) << shown.last_notice();
  ASSERT_EQ(rmgr_count(), 3);
  rule_set(rmgr_rule(1), RULE_SRC, "", "mail");
  EXPECT_EQ(netobj("gate")->get(KxAtom(RULE_SRC)), nullptr);
  EXPECT_NE(rmgr_rule(2), rmgr_rule(3));
}

using RuleSaveTest = RuleFileTest;

TEST_F(RuleSaveTest, NameGetsOneExtensionAndBecomesCurrent) {
  rmgr_add(0, nullptr);
  struct Case {
    const char *given;
    const char *written;
  };
  const Case cases[] = {{"policy", "policy.W"}, {"other.W", "other.W"}};
  for (const Case &c : cases) {
    ASSERT_EQ(file_save(conf(c.given).c_str()), 1) << c.given;
    EXPECT_TRUE(exists(conf(c.written))) << c.given;
    EXPECT_FALSE(exists(conf(c.written) + ".new"));
    EXPECT_EQ(std::string(file_getname()), conf(c.written));
  }
  EXPECT_FALSE(exists(conf("other.W.W")));
  EXPECT_EQ(rule_modified, 0);

  file_new();
  EXPECT_EQ(file_getname(), nullptr);
  EXPECT_EQ(filter_getname(), nullptr);
  EXPECT_EQ(file_save(nullptr), -1);
  EXPECT_EQ(shown.last_notice(), "Save: No active file name, Use 'Save As'");

  // A rule base without rules is saved too, and reads back empty.
  ASSERT_EQ(file_save(conf("empty").c_str()), 1);
  EXPECT_EQ(kxtest::read_file(conf("empty.W")), "()\n");
  EXPECT_EQ(file_load(conf("empty.W").c_str()), 0);
  EXPECT_EQ(shown.last_line(), "0 rules read");
}

TEST_F(RuleSaveTest, ObjectsAreSavedFirstSoNewObjectsReadBack) {
  kxobj_create(kx_netobj, "webhost", "host");
  kxset *rule = rmgr_add(0, nullptr);
  rule_set(rule, RULE_SRC, "", "webhost typed-name");
  rule_set(rule, RULE_INSTALL, "", kx_install_v2s(3).c_str());
  ASSERT_EQ(file_save(conf("policy").c_str()), 1);

  // A fresh run: objects from disk, then the rule base.
  file_new();
  destruct_objects();
  ASSERT_EQ(load_objects(nullptr), 0);
  ASSERT_EQ(file_load(conf("policy.W").c_str()), 0) << shown.last_notice();
  ASSERT_EQ(rmgr_count(), 1);
  EXPECT_EQ(rule_get_set(rmgr_rule(1), RULE_SRC)->get(0), netobj("webhost"));
  EXPECT_EQ(rule_get(rmgr_rule(1), RULE_SRC, ""), "webhost typed-name");
  EXPECT_EQ(kx_install_s2v(rule_get(rmgr_rule(1), RULE_INSTALL, "").c_str()), 3);
}

// Each failure leaves the previous file as it was and no temporary behind.
TEST_F(RuleSaveTest, FailedSaveKeepsThePreviousFile) {
  const std::string path = dir.write("conf/policy.W", kThreeRules);
  ASSERT_EQ(file_load(path.c_str()), 0);
  rmgr_add(0, nullptr);

  auto listing = [&] {
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(conf(""))) names.insert(e.path().filename());
    return names;
  };
  const std::set<std::string> before = listing();
  // Each step of the replace itself is covered by its own tests.
  static std::pair<kxu::ReplaceStep, int> fault;
  kxu::replace_file_fault = [](kxu::ReplaceStep step) { return step == fault.first ? fault.second : 0; };
  for (auto f : {std::pair{kxu::ReplaceStep::create_temp, EACCES}, std::pair{kxu::ReplaceStep::write, ENOSPC}}) {
    fault = f;
    EXPECT_EQ(file_save(nullptr), -1);
    EXPECT_EQ(shown.last_notice(), std::string("failure on Rule File writing: ") + std::strerror(f.second));
    EXPECT_EQ(rule_modified, 1);
  }
  kxu::replace_file_fault = nullptr;

  EXPECT_EQ(kxtest::read_file(path), kThreeRules);
  EXPECT_FALSE(exists(path + ".bak"));
  EXPECT_EQ(listing(), before);
}

TEST_F(RuleSaveTest, FailedBackupAsksAndCancelKeepsTheFile) {
  // A directory in the file's place can neither be backed up nor replaced.
  const std::string path = conf("policy.W");
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  rmgr_add(0, nullptr);

  shown.cancel = 1;
  EXPECT_EQ(file_save(path.c_str()), -1);
  ASSERT_EQ(shown.questions.size(), 1u);
  EXPECT_EQ(shown.questions[0], "Backup of " + path + " failed.\n Save Anyway ?");
  EXPECT_EQ(shown.last_notice(), "Rule Base not saved");
  EXPECT_EQ(shown.notices.front().rfind("save\n\t" + path + "\nto\n\t" + path + ".bak\nfailed: ", 0),
            0u)
      << shown.notices.front();
  EXPECT_FALSE(exists(path + ".new"));

  shown.cancel = 0;
  EXPECT_EQ(file_save(path.c_str()), -1);
  EXPECT_EQ(shown.last_notice().rfind("Save RuleBase:\nrename to\n\t" + path + "\nfailed: ", 0), 0u)
      << shown.last_notice();
  EXPECT_FALSE(exists(path + ".new"));
  EXPECT_EQ(rule_modified, 1);
}

} // namespace
} // namespace rfiletest
