#include "kxui/kx/kxstart.h"

#include "kxu/kxdir.h"
#include "support/run.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Argv {
  std::vector<std::string> words;
  std::vector<char *> ptrs;
  explicit Argv(std::vector<std::string> w) : words(std::move(w)) {
    for (std::string &s : words)
      ptrs.push_back(s.data());
    ptrs.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words.size()); }
  char **argv() { return ptrs.data(); }
};

std::string shell_quoted(const std::string &word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs `program` with `args` (argv[0] is the program itself) and KXDIR in the
// environment; collects standard error and the exit status.
kxtest::CommandResult run(const std::string &program, const std::vector<std::string> &args,
                          const std::string &kxdir) {
  std::string command = "KXDIR=" + shell_quoted(kxdir) + " " + shell_quoted(program);
  for (const std::string &a : args) command += " " + shell_quoted(a);
  return kxtest::run_command(command);
}

// The last line of a program's standard error (loading the objects database
// may report missing files before it).
std::string last_line(const std::string &text) {
  size_t start = text.size() < 2 ? std::string::npos : text.rfind('\n', text.size() - 2);
  return start == std::string::npos ? text : text.substr(start + 1);
}

TEST(Start, ModeFromProgramNameOrFirstArgument) {
  struct Case {
    std::vector<std::string> args;
    KxMode want;
  } cases[] = {
      {{"kxui"}, KxMode::editor},
      {{"/usr/kx/bin/kxlv"}, KxMode::logviewer},
      {{"kxui", "-kxlv", "x"}, KxMode::logviewer},
      {{"/x/alert"}, KxMode::alert},
      {{"kxui", "-alert"}, KxMode::alert},
      {{"snmp_trap"}, KxMode::trap},
      {{"kxui", "-snmp_trap"}, KxMode::trap},
      {{"kxui", "kxlv"}, KxMode::editor},
      {{"kxlv/kxui"}, KxMode::editor},
      {{"kxui", "-t"}, KxMode::editor},
  };
  for (Case &c : cases) {
    Argv a(c.args);
    EXPECT_EQ(kx_mode(a.argc(), a.argv()), c.want) << c.args.back();
  }
}

TEST(Start, EditorOptions) {
  using W = std::vector<std::string>;
  struct Case {
    W args;
    int rc, debug, ask_installed, viewtype;
    bool title;
    std::string workdir;
    W hosts;
    std::string rulebase;
  } cases[] = {
      {{"-d"}, 0, 1, 1, 1, true, "", {}, ""},
      {{"-d7", "rules", "-n"}, 0, 7, 1, 1, true, "", {}, "rules"},
      {{"-dx"}, 0, 1, 1, 1, true, "", {}, ""}, // only the letter counts
      {{"-n", "-c", "/w", "-h", "gw", "-t", "-p"}, 0, 0, 0, 0, false, "/w", {"gw"}, ""},
      {{"-p", "-v"}, 0, 0, 1, 1, true, "", {}, ""},
      {{"-c"}, 0, 0, 1, 1, true, ".", {}, ""},
      {{"-h"}, 0, 0, 1, 1, true, "", {}, ""},
      {{"-d", "-x"}, -1, 1, 1, 1, true, "", {}, ""},
      {{"-"}, -1, 0, 1, 1, true, "", {}, ""},
  };
  for (Case &c : cases) {
    W words = {"kxui"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    Argv a(words);
    KxEditorSettings s;
    EXPECT_EQ(kx_read_options(a.argc(), a.argv(), s), c.rc) << words[1];
    if (c.rc != 0)
      continue;
    EXPECT_EQ(s.debug, c.debug) << words[1];
    EXPECT_EQ(s.ask_installed, c.ask_installed) << words[1];
    EXPECT_EQ(s.kx_rule_viewtype, c.viewtype) << words[1];
    EXPECT_EQ(s.title, c.title) << words[1];
    EXPECT_EQ(s.workdir, c.workdir) << words[1];
    EXPECT_EQ(s.start_hosts, c.hosts) << words[1];
    EXPECT_EQ(s.start_rulebase, c.rulebase) << words[1];
  }
}

TEST(Start, DescriptorLimitIsRaisedNeverLowered) {
  struct rlimit before;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
  if (before.rlim_max < 256)
    GTEST_SKIP() << "hard limit below 256";
  EXPECT_EQ(set_desc_limit(), 0);
  struct rlimit after;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &after), 0);
  EXPECT_EQ(after.rlim_cur, std::max<rlim_t>(before.rlim_cur, 256));
  EXPECT_EQ(kx_snmp_max_sessions, 100);
}

// cmain with stand-in hooks; restores every process-wide setting it changes.
class CmainTest : public ::testing::Test {
protected:
  static inline int loads = 0;
  static inline std::vector<std::string> seen_args;
  static inline std::string seen_cwd;

  static int fake_load(const char *) { return ++loads, 0; }
  static int fake_main(int argc, char **argv) {
    seen_args.assign(argv, argv + argc);
    char *cwd = getcwd(nullptr, 0);
    seen_cwd = cwd ? cwd : "";
    std::free(cwd);
    return 42;
  }

  void SetUp() override {
    saved_hooks_ = kx_hooks;
    saved_editor_ = kx_editor;
    saved_kxdir_ = kxdir;
    if (const char *v = std::getenv("KX_CONF"))
      saved_conf_ = v;
    char *cwd = getcwd(nullptr, 0);
    saved_cwd_ = cwd;
    std::free(cwd);
    loads = 0;
    seen_args.clear();
    seen_cwd.clear();
    kx_hooks = KxHooks{};
    kx_hooks.load_objects = fake_load;
    kx_editor = KxEditorSettings{};
    kxdir = tmp_.path();
    unsetenv("KX_CONF");
  }
  void TearDown() override {
    kx_hooks = saved_hooks_;
    kx_editor = saved_editor_;
    kxdir = saved_kxdir_;
    if (saved_conf_)
      setenv("KX_CONF", saved_conf_->c_str(), 1);
    else
      unsetenv("KX_CONF");
    EXPECT_EQ(chdir(saved_cwd_.c_str()), 0);
  }

  kxtest::TempDir tmp_;

private:
  KxHooks saved_hooks_;
  KxEditorSettings saved_editor_;
  std::string saved_kxdir_, saved_cwd_;
  std::optional<std::string> saved_conf_;
};

TEST_F(CmainTest, ModesGetTheArgumentsUnchanged) {
  kx_hooks.logviewer_main = fake_main;
  Argv a({"kxui", "-kxlv", "-x"});
  EXPECT_EQ(cmain(a.argc(), a.argv()), 42);
  EXPECT_EQ(seen_args, (std::vector<std::string>{"kxui", "-kxlv", "-x"}));
  EXPECT_EQ(loads, 1);

  Argv b({"/bin/snmp_trap", "x"});
  testing::internal::CaptureStderr();
  EXPECT_EQ(cmain(b.argc(), b.argv()), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "kxui: the SNMP trap sender is not built yet\n");
  EXPECT_EQ(loads, 2);
}

TEST_F(CmainTest, EditorReadsOptionsAndEntersWorkingDirectory) {
  kx_hooks.editor_main = fake_main;
  tmp_.write("conf/objects.C", "");
  Argv a({"kxui", "-d2", "-t"});
  EXPECT_EQ(cmain(a.argc(), a.argv()), 42);
  char *real = realpath(tmp_.file("conf").c_str(), nullptr);
  EXPECT_EQ(seen_cwd, real);
  std::free(real);
  EXPECT_EQ(kx_editor.debug, 2);
  EXPECT_FALSE(kx_editor.title);

  Argv b({"kxui", "-c", "/nonexistent/dir"});
  testing::internal::CaptureStderr();
  EXPECT_EQ(cmain(b.argc(), b.argv()), 42); // start-up goes on
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "error: Failed to chdir to '/nonexistent/dir': No such file or directory\n");
}

TEST_F(CmainTest, WorkingDirectoryFromConfOrKxConf) {
  KxEditorSettings s;
  EXPECT_EQ(kx_workdir(s), tmp_.path() + "/conf/");
  setenv("KX_CONF", "/site/conf", 1);
  EXPECT_EQ(kx_workdir(s), "/site/conf/");
  s.workdir = "/w";
  EXPECT_EQ(kx_workdir(s), "/w");
}

#ifdef KXUI_PATH
TEST(KxuiProgram, UsageAndModesWithoutMains) {
  kxtest::TempDir tmp;
  const std::string demo = std::string(KX_SOURCE_DIR) + "/demo";
  kxtest::CommandResult usage = run(KXUI_PATH, {"-d", "-x"}, demo);
  EXPECT_EQ(usage.status, 1);
  EXPECT_EQ(last_line(usage.err), "error: Usage: kxui [-d] [-n] [-c dir] [-h hostname] [ rulebase ]\n");

  const std::string link = tmp.file("kxlv");
  ASSERT_EQ(symlink(KXUI_PATH, link.c_str()), 0);
  kxtest::CommandResult lv = run(link, {}, demo);
  EXPECT_EQ(lv.status, 1);
  EXPECT_EQ(last_line(lv.err), "kxui: the log viewer is not built yet\n");
}
#endif

} // namespace
