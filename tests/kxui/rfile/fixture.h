// An installation directory with a small objects database, loaded, and a
// front end that records what the user would have been shown.
#pragma once

#include "kxu/kxdir.h"
#include "kxu/report.h"
#include "kxui/obj/kxobj.h"
#include "kxui/objfile/objects.h"
#include "kxui/rfile/file.h"
#include "kxui/rfile/rule.h"
#include "kxui/rmgr/rmgr.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace rfiletest {

class Recorder : public kxu::ReportFrontEnd {
public:
  bool notice(const std::string &text) override {
    notices.push_back(text);
    return true;
  }
  void status(const std::string &line) override { lines.push_back(line); }
  int ask(const std::string &question) override {
    questions.push_back(question);
    return cancel;
  }
  std::string last_line() const { return lines.empty() ? "" : lines.back(); }
  std::string last_notice() const { return notices.empty() ? "" : notices.back(); }

  std::vector<std::string> notices, lines, questions;
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
