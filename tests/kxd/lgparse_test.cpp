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
