// The wire primitives and argument lists over a socket pair.
#include "kxsys/alist.h"
#include "kxsys/comm.h"
#include "kxsys/errors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace kxsys;

namespace {
struct Pair {
  int a = -1, b = -1;
  Pair() {
    int fds[2];
    socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    a = fds[0];
    b = fds[1];
    fcntl(a, F_SETFL, O_NONBLOCK);
    fcntl(b, F_SETFL, O_NONBLOCK);
  }
  ~Pair() {
    if (a >= 0)
      close(a);
    if (b >= 0)
      close(b);
  }
  void close_writer() {
    close(a);
    a = -1;
  }
  Bytes drain() {
    Bytes out;
    uint8_t buf[4096];
    ssize_t n;
    while ((n = read(b, buf, sizeof buf)) > 0)
      out.insert(out.end(), buf, buf + n);
    return out;
  }
  void feed(const Bytes &bytes) { ASSERT_EQ(write(a, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
};

Bytes be(std::initializer_list<uint32_t> words) {
  Bytes out;
  for (uint32_t w : words)
    for (int s = 24; s >= 0; s -= 8)
      out.push_back(uint8_t(w >> s));
  return out;
}

struct ShortWaits : ::testing::Test {
  void SetUp() override { kx_io_wait_ms = kx_io_wait_ret_ms = 300; }
  void TearDown() override { kx_io_wait_ms = 25000, kx_io_wait_ret_ms = 12000; }
};
using Wire = ShortWaits;
} // namespace

TEST_F(Wire, PrimitivesHaveTheirExactBytes) {
  Pair p;
  WriteInt(p.a, -2);
  WriteString(p.a, std::string("ab"));
  WriteString(p.a, std::nullopt);
  WriteIntArray(p.a, {1, 2});
  al_put_value(p.a, AlStrings{});
  Bytes expect = be({0xfffffffe, 3});
  expect.insert(expect.end(), {'a', 'b', 0});
  Bytes rest = be({0, 8, 1, 2, 0});
  expect.insert(expect.end(), rest.begin(), rest.end());
  EXPECT_EQ(p.drain(), expect);
}

TEST_F(Wire, EveryTypeTravelsBothWays) {
  kxid_t id;
  id.set_name("Standard");
  id.time = 0x01020304;
  id.check = 0x77;
  id.pad = {9, 8, 7};
  id.hostid = -5;
  id.filterid = 0x7fffffff;
  kxinfo_t info;
  set_fixed(info.ifname, "le0");
  info.direction = 1;
  set_fixed(info.filter, "Standard");
  info.raw = {1, 2, 3, 4};
  info.nlog = 99;
  kxtab_t tab;
  set_fixed(tab.name, "hosts");
  tab.attr[1] = {1, 2, 3};
  tab.entries = {0x7f000001, 5};
  tab.nentries = 2;
  kxscope_t scope{1, 2, 3, {{std::vector<std::string>{"gw"}, {"le0"}, {"inbound"}}}};
  kxload_t load{{1, 2}, Bytes{'l'}, Bytes{'s'}, id, {scope}, {tab}, {"dom"}, {kxif_t{}}};
  kxloadx_t files{{{"fc", Bytes{1, 2, 3}}, {"ifs", Bytes{'x', '\n'}}}};
  AlValues values = {AlStrings{{"a", "", "c"}}, AlBuffer{Bytes{0, 1}}, AlInt{-7}, AlRc{3, 0},
                     AlString{"text"}, AlIntArray{{-1, 0, 1}}, AlKxid{id}, AlLoad{load},
                     AlScopeList{{scope}}, AlTabList{{tab}}, AlDomList{{"x", "y"}}, AlIfList{{kxif_t{}}},
                     AlInfoArray{{info, info}}, AlFixed{std::array<uint8_t, 20>{1, 2}}, AlTab{tab},
                     AlLoadx{files}, AlLoaddb{{Bytes{1}, Bytes{2, 3}}}};
  for (const auto &v : values) {
    Pair p;
    uint32_t word = al_word(1, {al_type_of(v)});
    al_putin(p.a, word, {v});
    p.close_writer();
    AlValues got = al_getin(p.b, word);
    ASSERT_EQ(got.size(), 1u) << al_type_of(v);
    EXPECT_EQ(got[0].index(), v.index());
    // Compare through a second encoding: the bytes must be the same.
    Pair q1, q2;
    al_put_value(q1.a, v);
    al_put_value(q2.a, got[0]);
    EXPECT_EQ(q1.drain(), q2.drain()) << "type " << al_type_of(v);
  }
}

TEST_F(Wire, NullsAndEmptiesKeepTheirMeaning) {
  Pair p;
  uint32_t word = al_word(1, {AL_STRING, AL_STRINGS, AL_LOADX, AL_KXID});
  al_putin(p.a, word, {AlString{}, AlStrings{}, AlLoadx{}, AlKxid{}});
  EXPECT_EQ(p.drain(), be({0, 0, 0xffffffff, 0}));
  Pair q;
  q.feed(be({0, 0, 0xffffffff, 0}));
  AlValues got = al_getin(q.b, word);
  EXPECT_FALSE(std::get<AlString>(got[0]).v);
  EXPECT_TRUE(std::get<AlStrings>(got[1]).v.empty());
  EXPECT_FALSE(std::get<AlLoadx>(got[2]).v);
  EXPECT_FALSE(std::get<AlKxid>(got[3]).v);
}

TEST_F(Wire, KeepAlivesPrecedeTheResult) {
  Pair p;
  p.feed(be({0xffffffff, uint32_t(-99), 0xffffffff, uint32_t(-99), 0xffffffff, uint32_t(-99), 5}));
  testing::internal::CaptureStderr();
  AlValues got = al_getout(p.b, al_word(1, {AL_RC | AL_OUT}));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::get<AlRc>(got[0]).rc, 5);
  EXPECT_EQ(kxd_errno, 0);
  EXPECT_EQ(err, "Please wait.........");
}

TEST_F(Wire, OutAndInFieldsAreSkippedByTheOtherSide) {
  Pair p;
  uint32_t word = al_word(2, {AL_INT, AL_RC | AL_OUT, AL_STRING, AL_BUFFER | AL_OUT});
  al_putin(p.a, word, {AlInt{1}, AlString{"x"}});
  al_putout(p.a, word, {AlRc{-1, -4}, AlBuffer{}});
  p.close_writer();
  AlValues in = al_getin(p.b, word);
  AlValues out = al_getout(p.b, word);
  EXPECT_EQ(std::get<AlInt>(in[0]).v, 1);
  EXPECT_EQ(std::get<AlRc>(out[0]).rc, -1);
  EXPECT_EQ(kxd_errno, -4);
}

// Input that must end in an error, never a crash, a stall or a big allocation.
TEST_F(Wire, BadInputUnwinds) {
  struct Case {
    const char *what;
    uint32_t type;
    Bytes bytes;
  };
  const Case cases[] = {
      {"buffer past the cap", AL_BUFFER, be({uint32_t(kMaxBuffer) + 1})},
      {"negative length", AL_BUFFER, be({0xfffffff0})},
      {"string past 1 MB", AL_STRING, be({uint32_t(kMaxString) + 1})},
      {"2^31 strings", AL_STRINGS, be({0x80000000})},
      {"too many strings", AL_STRINGS, be({0x7fffffff, 2, 0x61000000})},
      {"ends in mid-buffer", AL_BUFFER, be({100, 1})},
      {"file set of 11", AL_LOADX, be({11})},
      {"wrong kxid length", AL_KXID, be({4, 0})},
      {"unknown type 7", 7, be({0})},
      {"huge promised buffer, nothing sent", AL_BUFFER, be({uint32_t(kMaxBuffer)})},
  };
  for (const auto &c : cases) {
    Pair p;
    p.feed(c.bytes);
    p.close_writer();
    EXPECT_THROW(al_getin(p.b, al_word(1, {c.type})), kx_unwind) << c.what;
  }
}

TEST_F(Wire, StalledPeerTimesOut) {
  Pair p;
  p.feed(be({8, 1}));
  EXPECT_THROW(ReadBuf(p.b), kx_unwind);
  Pair q;
  q.feed(be({8}));
  Bytes out;
  EXPECT_EQ(readbuf(q.b, out), 0);
  EXPECT_EQ(errno, EAGAIN);
}

TEST_F(Wire, RecordsKeepRawBytes) {
  uint8_t wire[kKxinfoSize];
  for (size_t i = 0; i < sizeof wire; ++i)
    wire[i] = uint8_t(i * 7 + 1);
  uint8_t again[kKxinfoSize];
  kxinfo_pack(kxinfo_unpack(wire), again);
  EXPECT_EQ(memcmp(wire, again, sizeof wire), 0);
  uint8_t id[kKxidSize], id2[kKxidSize];
  for (size_t i = 0; i < sizeof id; ++i)
    id[i] = uint8_t(255 - i);
  kxid_pack(kxid_unpack(id), id2);
  EXPECT_EQ(memcmp(id, id2, sizeof id), 0);
  kxinfo_t info = kxinfo_unpack(wire);
  EXPECT_EQ(uint32_t(info.direction), 0x71787f86u); // bytes 16..19, most significant first
}
