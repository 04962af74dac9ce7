// The filter script reader: blanks of every kind and lines split anywhere a
// blank may stand read as the plain one-line form, wherever in a line they
// fall.
#include "kxnft/script.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

// Everything the reader keeps but the statements' lines, one line per item,
// in a fixed order.
std::string dump(const kxnft::Script &s) {
  std::string out;
  for (const auto &[name, v] : std::map(s.services.begin(), s.services.end()))
    out += "S " + name + "|" + v.proto + "|" + v.value + "|" + std::to_string(v.range) + "|" +
           std::to_string(v.sport_lo) + "-" + std::to_string(v.sport_hi) + "|" + std::to_string(v.dport_lo) + "-" +
           std::to_string(v.dport_hi) + "\n";
  for (const auto &[name, a] : std::map(s.addresses.begin(), s.addresses.end()))
    out += "A " + name + "|" + a.type + "|" + a.addr + "|" + a.mask + "\n";
  for (const auto &name : s.list_order) {
    const kxnft::List &l = s.lists.at(name);
    out += "L " + l.name + "|" + l.kind + "|";
    for (const auto &m : l.members)
      out += m + ",";
    out += "\n";
  }
  for (const auto &t : s.statements)
    out += "T " + t.direction + "|" + t.iface + "|" + t.target + "|" + t.body + "\n";
  for (int r : s.auth_rules)
    out += "R " + std::to_string(r) + "\n";
  return out;
}

TEST(NftScript, BlanksAndLineBreaksReadAsThePlainForm) {
  const std::string plain = "export {\n(rule-7 ())\n}.set;\n"
                            "SRV_tcp(web, 80)\n"
                            "SRV_udp_range(hi, 1024, 2047, 53, 53)\n"
                            "ADDR_host(x, 192.0.2.7)\n"
                            "ADDR_net(n, 10.0.0.0, 255.0.0.0)\n"
                            "targets = target { gw, ns };\n"
                            "inbound all@gw accept (tcp, web), (ip_src = x), LOG(short,LOG_NOALERT,3);\n"
                            "outbound le0@targets drop;\n"
                            "odd statement without scope;\n";
  const std::string want = dump(kxnft::parse_script(plain));
  ASSERT_NE(want.find("T outbound|le0|targets|drop\n"), std::string::npos) << want;
  ASSERT_NE(want.find("R 7\n"), std::string::npos) << want;
  ASSERT_NE(want.find("L targets|target|gw,ns,\n"), std::string::npos) << want;
  // Each variant with the lines where its statements begin.
  const struct {
    const char *what, *text;
    std::vector<int> lines;
  } cases[] = {
      {"tabs and runs of blanks",
       "export {\n(rule-7 ())\n}.set;\n"
       "SRV_tcp( web ,\t80 )\n"
       "\t SRV_udp_range(hi,1024,  2047 , 53,53)  \n"
       "ADDR_host(x,\t\t192.0.2.7)\n"
       "ADDR_net( n , 10.0.0.0 , 255.0.0.0 )\n"
       "targets =  target\t{ gw ,ns , };\n"
       "\tinbound\tall@gw\taccept (tcp,  web),   (ip_src = x), LOG(short,LOG_NOALERT,3);\t\n"
       "outbound   le0@targets   drop ;\n"
       "odd  statement\twithout scope;\n",
       {9, 10, 11}},
      {"carriage returns, vertical tabs and form feeds",
       "export {\r\n(rule-7 ())\r\n}.set;\r\n"
       "SRV_tcp(web,\v80)\r\n"
       "SRV_udp_range(hi, 1024, 2047, 53, 53)\f\n"
       "ADDR_host(x, 192.0.2.7)\r\n"
       "ADDR_net(n, 10.0.0.0,\r255.0.0.0)\n"
       "targets = target {\fgw, ns };\r\n"
       "inbound all@gw accept (tcp, web),\v(ip_src = x), LOG(short,LOG_NOALERT,3);\r\n"
       "outbound le0@targets drop;\r\n"
       "odd statement without scope;\r\n",
       {9, 10, 11}},
      {"statements over several lines with comments and empty lines between",
       "export {\n(rule-7 ())\n}.set;\n"
       "SRV_tcp(web, 80)\n"
       "SRV_udp_range(hi, 1024, 2047, 53, 53)\n"
       "ADDR_host(x, 192.0.2.7)\n"
       "ADDR_net(n, 10.0.0.0, 255.0.0.0)\n"
       "targets = target {\n\tgw,\n// between\n\tns\n};\n"
       "inbound all@gw\n\taccept (tcp, web),\n\n\t\t(ip_src = x),\n  // a note\n\t\tLOG(short,LOG_NOALERT,3)\n\t;\n"
       "outbound\n le0@targets\n drop\n;\n"
       "odd statement without scope;",
       {13, 20, 24}},
  };
  for (const auto &c : cases) {
    kxnft::Script got = kxnft::parse_script(c.text);
    EXPECT_EQ(dump(got), want) << c.what;
    std::vector<int> lines;
    for (const auto &t : got.statements)
      lines.push_back(t.line);
    EXPECT_EQ(lines, c.lines) << c.what;
  }
}

// Blanks squeezed one byte at a time: runs as one ' ', none at either end.
std::string plain_squeeze(const std::string &s) {
  std::string out;
  bool gap = false;
  for (char c : s) {
    if (c == ' ' || (c >= '\t' && c <= '\r')) {
      gap = !out.empty();
      continue;
    }
    if (gap)
      out += ' ';
    gap = false;
    out += c;
  }
  return out;
}

// The reader takes runs of bytes at once: blanks, runs of blanks and braces
// at every offset of a line, across the runs' edges and at the line's end.
TEST(NftScript, BlanksAtEveryOffsetOfALine) {
  const char *const blanks[] = {" ", "  ", "\t", " \t ", "\v\f", "\r"};
  for (const char *blank : blanks)
    for (size_t shift = 0; shift < 40; ++shift) {
      std::string line = "inbound all@gw accept " + std::string(shift, 'x') + blank + "(tcp," + blank + "web)" +
                         std::string(shift % 17, ' ') + blank + ";" + blank;
      std::string text = std::string(shift % 3, '\t') + line + "\nx = { a," + blank + std::string(shift + 1, 'b') + " };";
      kxnft::Script got = kxnft::parse_script(text);
      ASSERT_EQ(got.statements.size(), 1u) << text;
      std::string want = plain_squeeze(line);
      want = want.substr(0, want.size() - 1); // the ";"
      if (want.back() == ' ')
        want.pop_back();
      EXPECT_EQ("inbound all@gw " + got.statements[0].body, want) << "shift " << shift;
      ASSERT_EQ(got.lists.count("x"), 1u) << text;
      EXPECT_EQ(got.lists.at("x").members, (std::vector<std::string>{"a", std::string(shift + 1, 'b')})) << text;
      EXPECT_EQ(kxnft::squeeze(text), plain_squeeze(text)) << "shift " << shift;
    }
}

// Definitions are found by name however many there are, a later one
// replaces an earlier one of the same name in place, and the walk keeps the
// order of first definition.
TEST(NftScript, DefinitionsFoundByNameAndRedefinedInPlace) {
  std::string text = "ADDR_host(first, 192.0.2.1)\n";
  for (int i = 0; i < 1000; ++i)
    text += "ADDR_host(h" + std::to_string(i) + ", 10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ")\n";
  text += "ADDR_net(first, 198.51.100.0, 255.255.255.0)\nl = { a };\nm = { b };\nl = { c, d };\n";
  kxnft::Script s = kxnft::parse_script(text);
  ASSERT_EQ(s.addresses.size(), 1001u);
  for (int i = 0; i < 1000; i += 37) {
    auto it = s.addresses.find("h" + std::to_string(i));
    ASSERT_NE(it, s.addresses.end()) << i;
    EXPECT_EQ(it->second.addr, "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256));
  }
  EXPECT_EQ(s.addresses.find("h1000"), s.addresses.end());
  EXPECT_EQ(s.addresses.count(""), 0u);
  const kxnft::Address &first = s.addresses.find("first")->second;
  EXPECT_EQ(first.type + " " + first.addr + " " + first.mask, "net 198.51.100.0 255.255.255.0");
  EXPECT_EQ(s.addresses.begin()->first, "first");
  EXPECT_EQ(s.lists.at("l").members, (std::vector<std::string>{"c", "d"}));
  EXPECT_EQ(s.list_order, (std::vector<std::string>{"l", "m"}));
  EXPECT_THROW(s.lists.at("n"), std::out_of_range);
}

} // namespace
