#include "kxu/kxdir.h"
#include "kxu/pidfile.h"

#include "support/golden.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace {

// Saves the environment variables, kxdir, the umask and the working
// directory that start-up changes, and puts them back afterwards.
class KxDirTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *var : {"KXDIR", "PATH", "HELPPATH", "DISPLAY", "KX_CONF", "KXTMP"}) {
      const char *v = std::getenv(var);
      saved_env_[var] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    saved_kxdir_ = kxdir;
    saved_umask_ = umask(022);
    char *cwd = getcwd(nullptr, 0);
    saved_cwd_ = cwd ? cwd : "/";
    std::free(cwd);
  }
  void TearDown() override {
    for (const auto &[var, value] : saved_env_) {
      if (value)
        setenv(var.c_str(), value->c_str(), 1);
      else
        unsetenv(var.c_str());
    }
    kxdir = saved_kxdir_;
    umask(saved_umask_);
    EXPECT_EQ(chdir(saved_cwd_.c_str()), 0);
  }

  // kx_initdir on a program path, with KXDIR unset.
  static std::string initdir_for(const char *argv0) {
    unsetenv("KXDIR");
    std::vector<char *> argv = {const_cast<char *>(argv0), nullptr};
    int argc = 1;
    kx_initdir(&argc, argv.data());
    return kxdir;
  }

  static std::string make_program(const std::string &path, mode_t mode) {
    FILE *f = std::fopen(path.c_str(), "w");
    if (f)
      std::fclose(f);
    chmod(path.c_str(), mode);
    return path;
  }

  kxtest::TempDir tmp_;

private:
  std::map<std::string, std::optional<std::string>> saved_env_;
  std::string saved_kxdir_;
  mode_t saved_umask_ = 022;
  std::string saved_cwd_;
};

TEST_F(KxDirTest, FromAbsoluteProgramPath) {
  setenv("PATH", "/usr/bin:/bin", 1);
  unsetenv("HELPPATH");
  EXPECT_EQ(initdir_for("/usr/kx/bin/kxui"), "/usr/kx/bin/..");
  EXPECT_STREQ(std::getenv("KXDIR"), "/usr/kx/bin/..");
  EXPECT_STREQ(std::getenv("PATH"), "/usr/kx/bin/../bin:/usr/bin:/bin");
  EXPECT_STREQ(std::getenv("HELPPATH"), "/usr/kx/bin/../doc");
}

TEST_F(KxDirTest, FromPathSearchSkippingNonExecutables) {
  mkdir(tmp_.file("a").c_str(), 0755);
  mkdir(tmp_.file("b").c_str(), 0755);
  mkdir(tmp_.file("b/bin").c_str(), 0755);
  make_program(tmp_.file("a/kxprobe"), 0644);   // not executable
  mkdir(tmp_.file("a/kxdir").c_str(), 0755);     // not a regular file
  make_program(tmp_.file("b/bin/kxprobe"), 0755);
  setenv("PATH", ("/nonexistent::" + tmp_.file("a") + ":" + tmp_.file("b/bin")).c_str(), 1);
  EXPECT_EQ(initdir_for("kxprobe"), tmp_.file("b/bin/.."));

  // Relative elements are taken from the current directory.
  ASSERT_EQ(chdir(tmp_.path().c_str()), 0);
  char *cwd = getcwd(nullptr, 0);
  std::string here = cwd;
  std::free(cwd);
  EXPECT_EQ(kxu::find_kxdir("kxprobe", "a:b/bin"), here + "/b/bin/..");
  EXPECT_EQ(kxu::find_kxdir("kxdir", "a"), "/etc/kx");
  EXPECT_EQ(kxu::find_kxdir(nullptr, "/nonexistent"), "/etc/kx");
  EXPECT_EQ(kxu::find_kxdir("kxprobe", nullptr), "/etc/kx");
}

TEST_F(KxDirTest, SetKxdirStaysAndPathGetsBinOnce) {
  setenv("KXDIR", "/opt/kx", 1);
  setenv("PATH", "/usr/bin", 1);
  setenv("HELPPATH", "/usr/help", 1);
  kx_initdir(nullptr, nullptr);
  EXPECT_EQ(kxdir, "/opt/kx");
  EXPECT_STREQ(std::getenv("KXDIR"), "/opt/kx");
  EXPECT_STREQ(std::getenv("PATH"), "/opt/kx/bin:/usr/bin");
  EXPECT_STREQ(std::getenv("HELPPATH"), "/opt/kx/doc:/usr/help");

  struct Case {
    const char *path, *want;
  } cases[] = {
      {nullptr, "/k/bin"},
      {"", "/k/bin"},
      {"/usr/bin", "/k/bin:/usr/bin"},
      {"/usr/bin:/k/bin", "/usr/bin:/k/bin"},
      {"/k/bin/:/usr/bin", "/k/bin/:/usr/bin"},
      {"/k/bin2", "/k/bin:/k/bin2"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(kxu::path_with_bin(c.path, "/k"), c.want) << (c.path ? c.path : "(unset)");
}

TEST_F(KxDirTest, GroupWritableConfKeepsGroupWrite) {
  mkdir(tmp_.file("conf").c_str(), 0775);
  chmod(tmp_.file("conf").c_str(), 0775);
  setenv("KXDIR", tmp_.path().c_str(), 1);
  umask(022);
  kx_initdir(nullptr, nullptr);
  EXPECT_EQ(umask(022), static_cast<mode_t>(002));

  chmod(tmp_.file("conf").c_str(), 0755);
  kx_initdir(nullptr, nullptr);
  EXPECT_EQ(umask(022), static_cast<mode_t>(022));
}

TEST_F(KxDirTest, DisplayOptionMovesIntoEnvironment) {
  struct Case {
    std::vector<const char *> args, want;
    const char *display; // null: unchanged
  } cases[] = {
      {{"kxui", "-display", "host:0", "-t"}, {"kxui", "-t"}, "host:0"},
      {{"kxui", "-t", "-display", "h:1", "rules"}, {"kxui", "-t", "rules"}, "h:1"},
      {{"kxui", "-display", "a:0", "-display", "b:0"}, {"kxui", "-display", "b:0"}, "a:0"},
      {{"kxui", "-t", "-display"}, {"kxui", "-t", "-display"}, nullptr},
      {{"kxui", "-display"}, {"kxui", "-display"}, nullptr},
  };
  for (const Case &c : cases) {
    setenv("DISPLAY", "unchanged", 1);
    std::vector<char *> argv;
    for (const char *a : c.args)
      argv.push_back(const_cast<char *>(a));
    argv.push_back(nullptr);
    int argc = static_cast<int>(c.args.size());
    kx_init_display(&argc, argv.data());
    std::vector<const char *> got(argv.begin(), argv.begin() + argc);
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(argv[argc], nullptr);
    EXPECT_STREQ(std::getenv("DISPLAY"), c.display ? c.display : "unchanged");
  }
}

TEST_F(KxDirTest, FileNameRules) {
  kxdir = "/k";
  setenv("KX_CONF", "/etc/c", 1);
  struct Case {
    const char *dir, *name, *defdir, *defname, *envvar, *want;
  } cases[] = {
      {"conf", "objects.C", nullptr, nullptr, nullptr, "/k/conf/objects.C"},
      {"conf/", "objects.C", nullptr, nullptr, nullptr, "/k/conf/objects.C"},
      {"/abs/dir", "f", nullptr, nullptr, nullptr, "/abs/dir/f"},
      {"conf", "/abs/x", nullptr, nullptr, nullptr, "/abs/x"},
      {"conf", "./x", nullptr, nullptr, nullptr, "./x"},
      {"conf", "../x", nullptr, nullptr, nullptr, "../x"},
      {"conf", ".x", nullptr, nullptr, nullptr, "/k/conf/.x"},
      {nullptr, nullptr, "conf", "objects.C", nullptr, "/k/conf/objects.C"},
      {nullptr, "std.W", "conf", nullptr, "KX_CONF", "/etc/c/std.W"},
      {"tmp", "std.W", "conf", nullptr, "KX_CONF", "/k/tmp/std.W"},
      {nullptr, "std.W", "conf", nullptr, "KX_UNSET_VAR", "/k/conf/std.W"},
      {nullptr, "", "conf", nullptr, nullptr, "/k/conf/"},
      {nullptr, "x", nullptr, nullptr, nullptr, "/k/x"},
      {nullptr, nullptr, nullptr, nullptr, nullptr, "/k/"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(kx_filename(c.dir, c.name, c.defdir, c.defname, c.envvar), c.want)
        << (c.dir ? c.dir : "-") << " " << (c.name ? c.name : "-");

  setenv("KX_CONF", "", 1); // empty counts as unset
  EXPECT_EQ(kx_filename(nullptr, "a", "conf", nullptr, "KX_CONF"), "/k/conf/a");
  setenv("KX_CONF", "site", 1); // relative: below kxdir
  EXPECT_EQ(kx_filename(nullptr, "a", "conf", nullptr, "KX_CONF"), "/k/site/a");
}

TEST_F(KxDirTest, IsPath) {
  for (const char *yes : {"/", "/a", "./a", "../a"})
    EXPECT_TRUE(is_path(yes)) << yes;
  for (const char *no : {"", ".", "..", ".a", "..a", "a/b", ".../a"})
    EXPECT_FALSE(is_path(no)) << no;
  EXPECT_FALSE(is_path(nullptr));
}

TEST_F(KxDirTest, FileNameRunsInitdirWhenUnset) {
  kxdir.clear();
  setenv("KXDIR", "/from/env", 1);
  EXPECT_EQ(kx_filename("conf", "a", nullptr, nullptr, nullptr), "/from/env/conf/a");
}

TEST_F(KxDirTest, OpenFileResolvesAndReports) {
  kxdir = tmp_.path();
  tmp_.write("conf/objects.C", "x\n");

  std::string path; // empty: gets the resolved name
  FILE *f = kxopenfile(path, "conf", "objects.C", nullptr, "rs", 0);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(path, tmp_.file("conf/objects.C"));

  std::string missing = "nothere";
  testing::internal::CaptureStderr();
  EXPECT_EQ(open_file(missing, "conf", nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(kxopenfile(missing, "conf", nullptr, nullptr, "r", 1), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "error: Failed to open file '" + tmp_.file("conf/nothere") +
                "': No such file or directory\n");
  EXPECT_EQ(missing, "nothere");
}

TEST_F(KxDirTest, CompilerOutputNames) {
  kxdir = "/k";
  unsetenv("KXTMP");
  std::string out;
  struct Case {
    const char *file, *ext, *dir, *want;
  } cases[] = {
      {"/x/y/std.W", "pf", nullptr, "/k/tmp/std.W.pf"},
      {"/x/y/std", ".pf", nullptr, "/k/tmp/std.pf"},
      {"/x/y/std", "pf", "", "/x/y/std.pf"},
      {"std", "pf", "", "./std.pf"},
      {"std", "cl", "/out", "/out/std.cl"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(kxc_open(out, c.file, c.ext, "name", c.dir), nullptr);
    EXPECT_EQ(out, c.want) << c.file;
  }
  setenv("KXTMP", "/scratch", 1);
  kxc_open(out, "std", "pf", "name", nullptr);
  EXPECT_EQ(out, "/scratch/std.pf");

  setenv("KXTMP", tmp_.path().c_str(), 1);
  FILE *f = kxc_open(out, "std", "pf", "w", nullptr);
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(access(tmp_.file("std.pf").c_str(), F_OK), 0);
}

TEST_F(KxDirTest, PidFiles) {
  kxdir = tmp_.path();
  EXPECT_EQ(kx_writepid("kxd.pid"), -1); // no log directory
  EXPECT_EQ(kx_getpid("kxd.pid"), 0);    // no such file
  mkdir(tmp_.file("log").c_str(), 0755);
  ASSERT_EQ(kx_writepid("kxd.pid"), 0);
  EXPECT_EQ(kxtest::read_file(tmp_.file("log/kxd.pid")), std::to_string(getpid()) + "\n");
  EXPECT_EQ(kx_getpid("kxd.pid"), getpid());

  for (const char *bad : {"", "abc\n", "-5\n", "0\n", "99999999999\n"}) {
    tmp_.write("log/bad.pid", bad);
    EXPECT_EQ(kx_getpid("bad.pid"), -1) << bad;
  }
}

TEST_F(KxDirTest, ReadinStopsAtCloseAndTimesOut) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  char buf[16];
  ASSERT_EQ(write(fds[1], "abc", 3), 3);
  errno = 0;
  EXPECT_EQ(readin(fds[0], buf, sizeof buf, 0), -1); // no more data in time
  EXPECT_EQ(errno, EAGAIN);

  ASSERT_EQ(write(fds[1], "hello", 5), 5);
  close(fds[1]);
  EXPECT_EQ(readin(fds[0], buf, 3, -1), 3);
  EXPECT_EQ(readin(fds[0], buf, sizeof buf, 1), 2); // peer closed
  EXPECT_EQ(std::string(buf, 2), "lo");
  close(fds[0]);
}

} // namespace
