// The readers of the hosts, networks and netgroup tables: what each line
// becomes, and the message of each line left out.
#include <gtest/gtest.h>

#include "kxui/import/import_read.h"
#include "support/tempdir.h"

#include <filesystem>

namespace {

std::string entry_text(const ImportEntry &e) {
  std::string s = e.name + " " + e.address;
  if (!e.netmask.empty()) s += "/" + e.netmask;
  for (const auto &a : e.aliases) s += " =" + a;
  for (const auto &h : e.hosts) s += " h:" + h;
  for (const auto &g : e.groups) s += " g:" + g;
  return s + " @" + std::to_string(e.line);
}

std::vector<std::string> texts(const ImportRead &r) {
  std::vector<std::string> out;
  for (const auto &e : r.entries) out.push_back(entry_text(e));
  return out;
}

TEST(ImportRead, Hosts) {
  ImportRead r;
  import_parse_hosts("127.0.0.1\tlocalhost\n"
                     "::1 localhost ip6-localhost\n"
                     "10.0.0.5 pc5 pc5.example  # the lab PC\n"
                     "10.0.0.300 bad\n"
                     "10.0.0.6\n"
                     "10.0.0.7 9lives\n"
                     "10.0.0.8 any\n"
                     "# 10.0.0.9 commented\n"
                     "\r\n"
                     "10.0.0.10 last",
                     "hosts", r);
  EXPECT_EQ(texts(r), (std::vector<std::string>{"localhost 127.0.0.1 @1", "pc5 10.0.0.5 =pc5.example @3",
                                                "last 10.0.0.10 @10"}));
  EXPECT_EQ(r.messages, (std::vector<std::string>{
                            "hosts, line 4: bad address '10.0.0.300', left out",
                            "hosts, line 5: no host name for 10.0.0.6, left out",
                            "hosts, line 6: '9lives' cannot be an object name, left out",
                            "hosts, line 7: 'any' cannot be an object name, left out",
                        }));
}

TEST(ImportRead, Networks) {
  ImportRead r;
  import_parse_networks("loopback 127\n"
                        "arpanet 10 arpa\n"
                        "link-local 169.254.0.0\n"
                        "lab 10.1\n"
                        "office 192.168.10\n"
                        "small 192.168.10.0/25\n"
                        "default 0.0.0.0/0\n"
                        "odd 192.168.10.1/24\n"
                        "mcast 224.0.0.0\n"
                        "long 1.2.3.4.5\n"
                        "big 300.1\n"
                        "hex 0x0a\n"
                        "nonum\n",
                        "networks", r);
  EXPECT_EQ(texts(r), (std::vector<std::string>{
                          "loopback 127.0.0.0/255.0.0.0 @1", "arpanet 10.0.0.0/255.0.0.0 =arpa @2",
                          "link-local 169.254.0.0/255.255.0.0 @3", "lab 10.1.0.0/255.255.0.0 @4",
                          "office 192.168.10.0/255.255.255.0 @5", "small 192.168.10.0/255.255.255.128 @6",
                          "default 0.0.0.0/0.0.0.0 @7"}));
  EXPECT_EQ(r.messages, (std::vector<std::string>{
                            "networks, line 8: odd: host bits set for the prefix '192.168.10.1/24', left out",
                            "networks, line 9: mcast: not a network (class D or E) '224.0.0.0', left out",
                            "networks, line 10: long: bad network number '1.2.3.4.5', left out",
                            "networks, line 11: big: bad network number '300.1', left out",
                            "networks, line 12: hex: bad network number '0x0a', left out",
                            "networks, line 13: no network number for 'nonum', left out",
                        }));
}

TEST(ImportRead, Netgroups) {
  ImportRead r;
  import_parse_netgroup("trusted (pc5,,) ( mail , -, example) \\\n"
                        "   (,alice,) servers2 (-,bob,)\n"
                        "servers2 (ns,,)(www,,)\n"
                        "empty\n"
                        "broken (pc5,, servers2\n"
                        "badtriple (a,b) (c,d,e,f) (ok,,)\n"
                        "odd (bad name,,) 3com\n",
                        "netgroup", r);
  EXPECT_EQ(texts(r), (std::vector<std::string>{"trusted  h:pc5 h:mail g:servers2 @1", "servers2  h:ns h:www @3",
                                                "empty  @4", "broken  @5", "badtriple  h:ok @6", "odd  @7"}));
  EXPECT_EQ(r.messages, (std::vector<std::string>{
                            "netgroup, line 1: trusted: a triple for every host, left out",
                            "netgroup, line 5: broken: a triple without ')', the rest left out",
                            "netgroup, line 6: badtriple: bad triple '(a,b)', left out",
                            "netgroup, line 6: badtriple: bad triple '(c,d,e,f)', left out",
                            "netgroup, line 7: odd: host 'bad name' cannot be an object name, left out",
                            "netgroup, line 7: odd: netgroup '3com' cannot be an object name, left out",
                        }));
}

TEST(ImportRead, LimitsAndFiles) {
  ImportRead r;
  std::string text = "10.0.0.1 a" + std::string(import_line_max, 'x') + "\n10.0.0.2 b\n";
  text += "g1 (h,,) \\\n" + std::string(import_line_max, ' ') + "\\\n(h2,,)\ng2 (h3,,)\n";
  import_parse_hosts(text, "hosts", r);
  EXPECT_EQ(texts(r), (std::vector<std::string>{"b 10.0.0.2 @2"}));
  ImportRead g;
  import_parse_netgroup(text.substr(text.find("g1")), "netgroup", g);
  EXPECT_EQ(texts(g), (std::vector<std::string>{"g2  h:h3 @4"}));
  EXPECT_EQ(g.messages, (std::vector<std::string>{"netgroup, line 1: line too long, left out"}));
  // A binary file gives messages and no entries, and no more messages than
  // the cap.
  ImportRead bin;
  std::string junk;
  for (int i = 0; i < 2000; ++i) junk += std::string(1, char(i % 251)) + "\x01\n";
  import_parse_hosts(junk, "junk", bin);
  EXPECT_TRUE(bin.entries.empty());
  EXPECT_EQ(bin.messages.size(), import_messages_max);
  EXPECT_GT(bin.more_messages, 0u);

  kxtest::TempDir dir;
  const std::string hosts = dir.write("hosts", "10.1.1.1 one\n");
  ImportRead f;
  EXPECT_TRUE(import_read_file(ImportKind::host, hosts, f));
  EXPECT_EQ(texts(f), (std::vector<std::string>{"one 10.1.1.1 @1"}));
  EXPECT_EQ(f.entries[0].file, hosts);
  EXPECT_FALSE(import_read_file(ImportKind::host, dir.file("missing"), f));
  EXPECT_FALSE(import_read_file(ImportKind::network, dir.path(), f));
  EXPECT_EQ(f.messages, (std::vector<std::string>{dir.file("missing") + ": cannot be read", dir.path() + ": read error"}));
}

} // namespace
