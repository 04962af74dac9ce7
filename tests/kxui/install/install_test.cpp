// The install chain on the demo installation: the dialog's rows, the
// questions, the commands in order (modules, then each Cisco router, then
// Wellfleet routers in batches), the files they need, passwords kept out of
// what is shown, and per-target results.
#include "kxui/install/install.h"

#include "kxui/editor/demo_site.h"
#include "kxui/editor/scramble.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rmgr/rmgr.h"
#include "kxu/report.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

struct Answers : kxu::ReportFrontEnd {
  std::vector<std::string> notices, questions;
  int answer = 0;
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

using V = std::vector<std::string>;

class Install : public kxtest::DemoTest {
protected:
  Answers fe;
  kxu::ScopedFrontEnd scope{&fe};

  void SetUp() override {
    DemoTest::SetUp();
    rule_init();
    rulebase_ = dir_.file("conf/Standard.W");
    ASSERT_EQ(file_load(rulebase_.c_str()), 0);
  }
  void TearDown() override {
    file_close();
    DemoTest::TearDown();
  }
  void passwords(const char *router) {
    kxobj_put(net(router), "passwd", kxuhidestr("login-pw").c_str());
    kxobj_put(net(router), "enpasswd", kxuhidestr("enable-pw").c_str());
  }
  // Runs the chain, every command ending with `status`; the commands.
  std::vector<InstallCommand> run(InstallChain &chain, int status = 0) {
    std::vector<InstallCommand> out;
    while (auto c = chain.next()) {
      chain.finished(*c, status);
      out.push_back(*c);
    }
    return out;
  }
  std::string rulebase_;
};

TEST_F(Install, RequestsShowTheirRows) {
  InstallRequest all = install_request_all(InstallMode::install);
  EXPECT_EQ(all.hosts, (V{"gw", "ns"}));
  EXPECT_EQ(all.routers, (V{"cisco-dmz", "wf-lab"}));
  InstallView v = kxinst_initialize(all);
  EXPECT_EQ(v.kinds, KXINST_HOSTS); // only hosts preselected
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_EQ(v.selected, (V{"gw", "ns"}));
  EXPECT_EQ(v.list_label, "Install On:");
  EXPECT_EQ(v.footer, dir_.file("conf/Standard.pf"));

  all.preselected = {"ns", "wf-lab"};
  v = kxinst_initialize(all);
  EXPECT_EQ(v.kinds, KXINST_HOSTS | KXINST_ROUTERS);
  EXPECT_EQ(v.rows.size(), 4u);
  EXPECT_TRUE(v.rows[3].router);
  EXPECT_EQ(v.selected, (V{"ns", "wf-lab"}));

  v = kxinst_initialize(install_request_all(InstallMode::uninstall));
  EXPECT_EQ(v.list_label, "UnInstall From:");
  EXPECT_EQ(v.footer, "");
  v = kxinst_initialize(install_request_all(InstallMode::download));
  EXPECT_EQ(v.title, "Database Download");
  EXPECT_EQ(v.kinds, KXINST_HOSTS);
}

TEST_F(Install, NothingRunsWithoutTargetsOrConsent) {
  EXPECT_FALSE(InstallChain::start(InstallMode::install, {}));
  EXPECT_THAT(fe.notices, ElementsAre("No targets specified"));
  fe.answer = 1; // Cancel the first question
  EXPECT_FALSE(InstallChain::start(InstallMode::install, {{"gw", false}}));
  EXPECT_EQ(fe.questions.size(), 1u);
  fe.answer = 0;
  EXPECT_TRUE(InstallChain::start(InstallMode::install, {{"gw", false}}));
  EXPECT_THAT(fe.questions.back(), "Installing Filter, Use Ok to continue...");
}

TEST_F(Install, InstallRunsModulesThenEachRouterAndGoesOnAfterAFailure) {
  passwords("cisco-dmz");
  auto chain = InstallChain::start(InstallMode::install,
                                   {{"gw", false}, {"ns", false}, {"cisco-dmz", true}, {"wf-lab", true}});
  ASSERT_TRUE(chain);
  obj_modified = 1;
  std::vector<InstallCommand> cmds = run(*chain, 1);
  ASSERT_EQ(cmds.size(), 3u) << (fe.notices.empty() ? "" : fe.notices.back());
  const std::string pf = dir_.file("conf/Standard.pf"), cl = dir_.file("conf/cisco-dmz.cl"),
                    wl = dir_.file("conf/Standard.wl");
  EXPECT_EQ(cmds[0].argv, (V{"kx", "load", pf, "gw", "ns"}));
  EXPECT_TRUE(cmds[0].refresh_status);
  EXPECT_EQ(obj_modified, 0);
  EXPECT_EQ(cmds[1].argv, (V{"kxcisco", "put", "192.168.20.254", "login-pw", "enable-pw", cl}));
  EXPECT_EQ(cmds[1].shown, "kxcisco put 192.168.20.254 " + cl);
  EXPECT_EQ(cmds[2].argv, (V{"kxell", "load", wl, "wf-lab"}));
  EXPECT_TRUE(cmds[2].refresh_status);
  for (const std::string &f : {pf, cl, wl}) EXPECT_TRUE(std::filesystem::exists(f)) << f;
  EXPECT_THAT(fe.notices[0], "Filter installation failed.\nPlease refer to the installation window.");
  EXPECT_EQ(chain->results().at("gw"), "failed (exit 1)");
  EXPECT_EQ(chain->results().at("wf-lab"), "failed (exit 1)");
}

TEST_F(Install, RouterWithoutPasswordIsSkippedAndUninstallNeedsNoFiles) {
  auto chain = InstallChain::start(InstallMode::uninstall, {{"gw", false}, {"cisco-dmz", true}, {"wf-lab", true}});
  ASSERT_TRUE(chain);
  std::vector<InstallCommand> cmds = run(*chain);
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[0].argv, (V{"kx", "unload", "gw"}));
  EXPECT_EQ(cmds[1].argv, (V{"kxell", "unload", "wf-lab"}));
  EXPECT_THAT(fe.notices, ElementsAre("Cannot get password for 'cisco-dmz'"));
  EXPECT_EQ(chain->results().at("gw"), "uninstalled");
  EXPECT_EQ(chain->results().at("cisco-dmz"), "skipped: no password");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("conf/Standard.wl")));
}

TEST_F(Install, TwentyWellfleetRoutersTakeTwoCommands) {
  std::vector<InstallRow> rows;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "wf" + std::to_string(i);
    kx_netobj->append(KxAtom::null(), kxsetcopy(net("wf-lab"), -1, KxAtom(name)));
    rows.push_back({name, true});
  }
  auto chain = InstallChain::start(InstallMode::uninstall, rows);
  ASSERT_TRUE(chain);
  std::vector<InstallCommand> cmds = run(*chain);
  ASSERT_EQ(cmds.size(), 2u);
  EXPECT_EQ(cmds[0].targets.size(), 16u);
  EXPECT_FALSE(cmds[0].refresh_status);
  EXPECT_EQ(cmds[1].targets, (V{"wf16", "wf17", "wf18", "wf19"}));
  EXPECT_TRUE(cmds[1].refresh_status);
}

TEST_F(Install, DownloadSendsTheDatabasesToModulesOnly) {
  auto chain = InstallChain::start(InstallMode::download, {{"gw", false}, {"wf-lab", true}});
  ASSERT_TRUE(chain);
  std::vector<InstallCommand> cmds = run(*chain);
  ASSERT_EQ(cmds.size(), 1u);
  EXPECT_EQ(cmds[0].argv, (V{"kx", "dbload", "gw"}));
  EXPECT_EQ(chain->results().at("gw"), "downloaded");
  EXPECT_EQ(chain->results().count("wf-lab"), 0u);
}

} // namespace
