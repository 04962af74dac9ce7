// An installation directory with a small objects database, loaded, and a
// front end that records what the user would have been shown.
#pragma once

#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rmgr/file_cmds.h"
#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rmgr.h"
#include "support/reports.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace rfiletest {

// Also keeps the questions; answers them with `cancel` (Ok unless set).
class Recorder : public kxtest::CollectReports {
public:
  int ask(const std::string &question) override {
    questions.push_back(question);
    return cancel;
  }
  std::string last_notice() const { return notices.empty() ? "" : notices.back(); }

  std::vector<std::string> questions;
  int cancel = 0;
};

inline const char kObjects[] = R"((objects
	:netobj (
		: (gate
			:type (gateway)
			:ipaddr (192.168.10.1)
		)
		: (mail
			:type (host)
			:ipaddr (192.168.10.2)
		)
		: (servers
			:type (group)
			: gate
			: mail
		)
	)
	:servobj (
		: (smtp
			:type (tcp)
			:port (25)
		)
		: (http
			:type (tcp)
			:port (80)
		)
	)
)
)";

inline const char kSetup[] = R"((setup
	:actobj (
		: (accept)
		: (drop)
		: ("User Auth")
	)
	:trackobj (
		: (short)
		: (Alert)
	)
)
)";

class RuleFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir.write("conf/objects.C", kObjects);
    dir.write("lib/setup.C", kSetup);
    dir.write("conf/auth.C", "(auth\n)\n");
    dir.write("conf/wellfleet.C", "(wellfleet\n)\n");
    setenv("KXDIR", dir.path().c_str(), 1);
    unsetenv("KX_OBJECTS");
    kxdir = dir.path();
    ASSERT_EQ(load_objects(nullptr), 0) << shown.last_notice();
    file_new();
  }
  void TearDown() override {
    file_new();
    destruct_objects();
  }

  static kxset *netobj(const char *name) { return kxobj_obj(kx_netobj, name); }
  std::string conf(const std::string &name) const { return dir.file("conf/" + name); }

  kxtest::TempDir dir;
  Recorder shown;
  kxu::ScopedFrontEnd front{&shown};
};

} // namespace rfiletest
