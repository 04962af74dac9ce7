// The "lg" file kx makes from a filter script parses with the logging
// library's format reader into the formats and actions the tracks use.
#include "kx_compile.h"

#include "kxlog/logformat.h"

#include <gtest/gtest.h>

TEST(KxCompile, LogFormatsParseWithTheLoggingLibrary) {
  const char *script = "#define\tLOG_MAIL\t <\"![mail]\">\n"
                       "// Filter Code Start\n"
                       "ADDR_host(mail, 192.168.10.2)\n"
                       "servers = { mail };\n"
                       "inbound\tall@gw\n\taccept\t(tcp, smtp),\n\t\tLOG(short,LOG_MAIL,1);\n"
                       "inbound\tall@gw\n\tdrop\tLOG(Long,LOG_NOALERT,2), LOG(short,LOG_NOALERT,2);\n"
                       "// Filter Code End\n";
  kx::Compiled c = kx::compile_script("Std", script);
  EXPECT_EQ(c.ft, "# tables of Std\nservers hosts 192.168.10.2\n");
  log_format_table table;
  testing::internal::CaptureStderr();
  log_parseformat(c.lg.data(), &table, c.lg.size());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_NE(table.get(1), nullptr);
  ASSERT_NE(table.get(2), nullptr);
  EXPECT_EQ(table.get(3), nullptr);
  EXPECT_EQ(table.get(1)->name, "short");
  EXPECT_EQ(table.get(2)->name, "long");
  ASSERT_EQ(table.get(1)->fields.size(), 5u);
  EXPECT_EQ(table.get(1)->fields[0].label, "src");
  EXPECT_EQ(table.get(1)->fields[0].type, "ipaddr");
  EXPECT_EQ(table.get(2)->fields.size(), 7u);
  EXPECT_EQ(table.actions.at(2), "accept");
  EXPECT_EQ(table.actions.at(0x10), "![mail]");
}

// The tables come from the filter code only, each list with its kind as
// written and the addresses of the members defined before it; the script
// the rulesets are made of comes from the same reading, prologue included.
TEST(KxCompile, TablesFromTheFilterCodeAndTheScriptFromTheSameReading) {
  const char *script = "early = { mail };\n"
                       "// Filter Code Start\n"
                       "ADDR_host(mail, 192.168.10.2)\n"
                       "ADDR_network(lan, 10.1.0.0, 255.255.0.0)\n"
                       "servers = { mail,\n\tlate };\n"
                       "nets = networks { lan, mail };\n"
                       "ADDR_host(late, 192.168.10.9)\n"
                       "servers = hosts { late };\n"
                       "inbound\tall@gw\n\taccept\t(ip_dst = servers);\n"
                       "// Filter Code End\n";
  kx::Compiled c = kx::compile_script("Std", script);
  EXPECT_EQ(c.ft, "# tables of Std\n"
                  "servers hosts 192.168.10.2\n"
                  "nets networks 10.1.0.0 192.168.10.2\n"
                  "servers hosts 192.168.10.9\n");
  EXPECT_EQ(c.lg, "# log formats of Std\n%%action: drop 0\n%%action: reject 1\n%%action: accept 2\n");
  EXPECT_EQ(c.script.list_order, (std::vector<std::string>{"early", "servers", "nets"}));
  EXPECT_EQ(c.script.addresses.size(), 3u);
  ASSERT_EQ(c.script.statements.size(), 1u);
  EXPECT_EQ(c.script.statements[0].target, "gw");
}
