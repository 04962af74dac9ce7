#include "kxu/portnum.h"

#include <gtest/gtest.h>

namespace {

TEST(PortNumbers, CheckedDecimalOnly) {
  EXPECT_EQ(kxu::parse_number(" 42 ", 100), 42u);
  EXPECT_EQ(kxu::parse_number("100", 100), 100u);
  for (const char *bad : {"", "101", "-1", "+1", "0x10", "1e3", "4294967296", "99999999999999999999", "7 8"})
    EXPECT_FALSE(kxu::parse_number(bad, 100)) << bad;
  EXPECT_EQ(kxu::parse_port("65535"), 65535);
  EXPECT_FALSE(kxu::parse_port("65536"));
}

TEST(PortNumbers, ServicePortForms) {
  using kxu::PortOp;
  struct Case {
    const char *text;
    PortOp op;
    int low, high; // -1: missing
  } cases[] = {
      {"", PortOp::any, -1, -1},          {"  ", PortOp::any, -1, -1},
      {"25", PortOp::eq, 25, -1},         {">1023", PortOp::gt, 1023, -1},
      {">= 10", PortOp::ge, 10, -1},      {"<1024", PortOp::lt, 1024, -1},
      {"<=0", PortOp::le, 0, -1},         {">", PortOp::gt, -1, -1},
      {"6000-6063", PortOp::range, 6000, 6063}, {"1023-", PortOp::range, 1023, -1},
  };
  for (const Case &c : cases) {
    std::optional<kxu::PortSpec> s = kxu::parse_port_spec(c.text, "x");
    ASSERT_TRUE(s) << c.text;
    EXPECT_EQ(s->op, c.op) << c.text;
    EXPECT_EQ(s->low ? int(*s->low) : -1, c.low) << c.text;
    EXPECT_EQ(s->high ? int(*s->high) : -1, c.high) << c.text;
  }
  for (const char *bad : {">9223372036854775807", ">70000", "<=-5", "-5", "1-2-3", "smtp", "0x19"}) {
    std::string why;
    EXPECT_FALSE(kxu::parse_port_spec(bad, "web", &why)) << bad;
    EXPECT_EQ(why, std::string("service 'web': port '") + bad + "' is not a port number (0-65535)");
  }
}

} // namespace
