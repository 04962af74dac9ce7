// The memory of sets read from text: cut from chunks in reading order, and
// a chunk reused once nothing in it is alive any more.
#include "kxset/kxpool.h"
#include "kxset/sio.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string hosts_text(int n) {
  std::string t = "(objects\n\t:netobj (\n";
  for (int i = 0; i < n; ++i)
    t += "\t\t: (host-" + std::to_string(i) + "\n\t\t\t:type (host)\n\t\t\t:ipaddr (10.0." +
         std::to_string(i / 250) + "." + std::to_string(i % 250) + ")\n\t\t)\n";
  return t + "\t)\n)\n";
}

TEST(KxPool, FreedTreesGiveTheirChunksToTheNextRead) {
#ifdef KX_POOL_BYPASS
  GTEST_SKIP() << "blocks come from the heap under AddressSanitizer";
#endif
  std::string text = hosts_text(20000);
  KxSetRef(sio_sread("(warm-up :a (b))"));
  size_t live = kxpool::live_bytes;
  KxSetRef(sio_sread(text.c_str()));
  EXPECT_EQ(kxpool::live_bytes, live);
  size_t chunks = kxpool::chunk_bytes;
  for (int round = 0; round < 3; ++round) {
    KxSetRef s(sio_sread(text.c_str()));
    ASSERT_TRUE(s);
    EXPECT_GT(kxpool::live_bytes, live);
  }
  EXPECT_EQ(kxpool::chunk_bytes, chunks);
  EXPECT_EQ(kxpool::live_bytes, live);
}

TEST(KxPool, ASetKeptFromATreeOutlivesIt) {
  std::string text = hosts_text(5000);
  KxSetRef kept;
  {
    KxSetRef tree(sio_sread(text.c_str()));
    ASSERT_TRUE(tree);
    kept = tree->get(KxAtom("netobj"))->get(4321);
  }
  KxSetRef other(sio_sread(text.c_str())); // may reuse the memory of the rest
  kept->append(KxAtom("comments"), kxset::make(KxAtom("kept")));
  EXPECT_EQ(kept->getnamea().view(), "host-4321");
  EXPECT_EQ(kept->get(KxAtom("ipaddr"))->getnamea().view(), "10.0.17.71");
  EXPECT_EQ(kept->get(KxAtom("type"))->getnamea().view(), "host");
  EXPECT_EQ(kept->get(KxAtom("comments"))->getnamea().view(), "kept");
  EXPECT_EQ(other->get(KxAtom("netobj"))->getnattr(), 5000);
}

} // namespace
