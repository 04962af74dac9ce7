// Where used: groups and rule cells naming an object directly or through
// groups, services and actions too, and kxc where's output and refusals.
#include "site.h"

#include "kxui/analysis/where.h"
#include "support/run.h"

namespace kxtest {
namespace {

class WhereTest : public SiteTest {
protected:
  std::string text(const std::string &name) {
    std::string err;
    std::optional<kxan::WhereUsed> w = kxan::where_used(name, {{"Standard.W", ra_}}, &err);
    return w ? kxan::where_text(*w) : "error: " + err;
  }
};

TEST_F(WhereTest, DirectAndThroughGroups) {
  EXPECT_EQ(text("WEB"), "group servers (netobj) holds web\n"
                         "group all-servers (netobj) holds web through servers\n"
                         "Standard.W rule 1 dst: web\n"
                         "Standard.W rule 2 dst: servers through servers\n"
                         "Standard.W rule 4 dst: all-servers through all-servers, servers\n");
  EXPECT_EQ(text("smtp"), "group mailish (servobj) holds smtp\n"
                          "Standard.W rule 3 services: mailish through mailish\n");
  EXPECT_EQ(text("gw2"), "Standard.W rule 1 install: gw2\n");
  EXPECT_EQ(text("reject"), "Standard.W rule 5 action: reject\n");
  EXPECT_EQ(text("outside"), "outside is not used\n");
  EXPECT_EQ(text("nosuch"), "error: unknown object or service 'nosuch'");
}

TEST_F(WhereTest, KxcSearchesTheConfRuleBasesAndWritesJson) {
  dir_.write("conf/Other.W", "(\n\t:rule (\n\t\t:src (\n\t\t\t: servers\n\t\t)\n\t)\n)\n");
  CommandResult r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' where mail --json", false);
  EXPECT_EQ(r.status, 0);
  std::string conf = dir_.path() + "/conf/";
  EXPECT_EQ(r.out, "{\"name\": \"mail\", \"table\": \"netobj\",\n"
                   " \"groups\": [\n"
                   "   {\"group\": \"servers\", \"table\": \"netobj\", \"via\": []},\n"
                   "   {\"group\": \"all-servers\", \"table\": \"netobj\", \"via\": [\"servers\"]}],\n"
                   " \"rules\": [\n"
                   "   {\"rulebase\": \"" + conf + "Other.W\", \"rule\": 1, \"cell\": \"src\", \"item\": \"servers\", \"via\": [\"servers\"]},\n"
                   "   {\"rulebase\": \"" + conf + "Standard.W\", \"rule\": 2, \"cell\": \"dst\", \"item\": \"servers\", \"via\": [\"servers\"]},\n"
                   "   {\"rulebase\": \"" + conf + "Standard.W\", \"rule\": 4, \"cell\": \"dst\", \"item\": \"all-servers\", \"via\": [\"all-servers\", \"servers\"]}]}\n");
  r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' where nosuch '" + rules_path_ + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("kxc where: unknown object or service 'nosuch'\n"), std::string::npos) << r.err;
  r = run_command("KXDIR='" + dir_.path() + "' '" KXC_PATH "' where web /nonexistent.W");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot open '/nonexistent.W'"), std::string::npos) << r.err;
  EXPECT_EQ(run_command("'" KXC_PATH "' where").status, 2);
  EXPECT_EQ(run_command("'" KXC_PATH "' where web --bogus").status, 2);
}

} // namespace
} // namespace kxtest
