// Device information: the interface entries built from table rows, and the
// system texts and interface table of a real snmpd, with a set through its
// write community.
#include <gtest/gtest.h>

#include "kxui/obj/kxobj.h"
#include "kxui/status/devinfo.h"
#include "support/reports.h"
#include "support/snmp_daemons.h"

namespace {

std::string entry(kxset *obj, int k, const char *attr) {
  kxset *e = kxobj_getobj(obj, ("if-" + std::to_string(k)).c_str(), 0);
  if (!e) return "<none>";
  return attr ? kxobj_get(e, attr) : e->getname();
}

TEST(Interfaces, EntriesFromTheTables) {
  kxtest::CollectReports reports;
  kxu::ScopedFrontEnd fe(&reports);
  KxSetRef obj = kxobj_new("r1");
  const std::vector<KxIfRow> ifs = {{1, "le0"}, {2, "le1"}, {3, "lo0"}, {7, "Ethernet Slot 2"}};
  std::vector<KxAddrRow> addrs = {{"10.0.0.1", "255.0.0.0", 1},
                                  {"10.1.0.1", "255.255.0.0", 2},
                                  {"127.0.0.1", "255.0.0.0", 3},
                                  {"10.2.0.1", "255.255.255.0", 9},
                                  {"10.7.0.1", "255.255.255.0", 7}};
  EXPECT_EQ(kx_build_interfaces(obj.get(), addrs, ifs, "192.0.2.1"), 3);
  EXPECT_EQ(reports.joined(), "192.0.2.1: Interface 9 not found\n");
  EXPECT_EQ(entry(obj.get(), 0, nullptr), "0.0");
  EXPECT_EQ(entry(obj.get(), 0, "ifname"), "le");
  EXPECT_EQ(entry(obj.get(), 1, "ifnum"), "1");
  EXPECT_EQ(entry(obj.get(), 1, "netmask"), "255.255.0.0");
  EXPECT_EQ(entry(obj.get(), 2, nullptr), "7.2");
  EXPECT_EQ(entry(obj.get(), 2, "ifname"), "Ethernet");
  EXPECT_EQ(entry(obj.get(), 2, "iffullname"), "Ethernet Slot 2");
  EXPECT_EQ(entry(obj.get(), 2, "netaccess"), "default");
  // The device lost an interface: the surplus entry goes.
  addrs.pop_back();
  EXPECT_EQ(kx_build_interfaces(obj.get(), addrs, ifs, "192.0.2.1"), 2);
  EXPECT_EQ(entry(obj.get(), 2, nullptr), "<none>");
}

TEST(Communities, Defaults) {
  KxSetRef obj = kxobj_new("r1");
  EXPECT_EQ(kx_snmp_community_set("read_community", obj.get()), "public");
  EXPECT_EQ(kx_snmp_community_set("write_community", obj.get()), "private");
  kxobj_put(obj.get(), "read_community", "sesame");
  EXPECT_EQ(kx_snmp_community_set("read_community", obj.get()), "sesame");
}

class Router : public ::testing::Test {
protected:
  kxtest::SnmpDaemon snmpd{"/usr/sbin/snmpd",
                           "rocommunity public 127.0.0.1\nrwcommunity private 127.0.0.1\n"
                           "psysname router-1\npsyscontact noc@example.com\n"
                           "psyslocation rack 4\n"};
  KxPollLoop loop;
  KxSnmpClient client{loop};
  KxDeviceOptions opt;
  KxSetRef obj = kxobj_new("r1");
  kxtest::CollectReports reports;
  kxu::ScopedFrontEnd fe{&reports};
  int result = -1;
  KxDeviceDone done = [this](kxset *, int failed) { result = failed; };

  void SetUp() override {
    ASSERT_TRUE(snmpd.wait_for("NET-SNMP version")) << snmpd.log();
    opt.port = snmpd.port();
    opt.timeout_ms = 500;
    opt.retries = 0;
    kxobj_put(obj.get(), "type", "router");
    kxobj_put(obj.get(), "ipaddr", "127.0.0.1");
  }
  void wait() {
    result = -1;
    loop.run_until([&] { return result >= 0; }, std::chrono::seconds(10));
  }
};

TEST_F(Router, InfoSetAndInterfaces) {
  kx_fetch_info(client, obj.get(), done, opt);
  wait();
  ASSERT_EQ(result, 0) << reports.joined();
  EXPECT_STREQ(kxobj_get(obj.get(), "sysName"), "router-1");
  EXPECT_STREQ(kxobj_get(obj.get(), "sysLocation"), "rack 4");
  kx_snmp_makeinfo(obj.get());
  const std::string info = kxobj_get(obj.get(), "info");
  const std::string tail = ",rack 4,noc@example.com";
  ASSERT_GT(info.size(), tail.size());
  EXPECT_EQ(info.substr(info.size() - tail.size()), tail) << info;
  EXPECT_LE(info.find(','), 16u);

  kxobj_put(obj.get(), "sysLocation", "rack 5");
  kx_snmp_download(client, obj.get(), done, opt);
  wait();
  EXPECT_EQ(result, 0) << reports.joined();
  kxobj_put(obj.get(), "sysLocation", "");
  kx_fetch_info(client, obj.get(), done, opt);
  wait();
  EXPECT_STREQ(kxobj_get(obj.get(), "sysLocation"), "rack 5");

  // A wrong write community: the set is refused and reported.
  kxobj_put(obj.get(), "write_community", "wrong");
  kx_snmp_download(client, obj.get(), done, opt);
  wait();
  EXPECT_EQ(result, 1);
  EXPECT_NE(reports.joined().find("127.0.0.1: SNMP Set failed"), std::string::npos);

  kx_fetch_interfaces(client, obj.get(), done, opt);
  wait();
  ASSERT_EQ(result, 0) << reports.joined();
  bool loopback = false;
  for (int k = 0; entry(obj.get(), k, nullptr) != "<none>"; ++k)
    if (entry(obj.get(), k, "ipaddr") == "127.0.0.1") {
      loopback = true;
      EXPECT_EQ(entry(obj.get(), k, "netmask"), "255.0.0.0");
      EXPECT_EQ(entry(obj.get(), k, "ifname"), "lo");
    }
  EXPECT_TRUE(loopback);
}

TEST_F(Router, SilentDeviceIsReported) {
  kxobj_put(obj.get(), "ipaddr", "127.0.1.99");
  kx_fetch_info(client, obj.get(), done, opt);
  wait();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(reports.joined(), "r1: Timeout\n");
  KxSnmpAnswer a;
  EXPECT_EQ(kx_snmp_getvars(client, obj.get(), {kx_sys_vars[0]}, true, nullptr, &a, opt), -1);
  EXPECT_EQ(reports.notices.back(), "127.0.1.99: SNMP Get failed: Timeout");
  kx_fetch_interfaces(client, obj.get(), done, opt);
  wait();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(reports.notices.back(),
            "127.0.1.99: SNMP Fetch: Failed to get IP address table: Timeout");
}

} // namespace
