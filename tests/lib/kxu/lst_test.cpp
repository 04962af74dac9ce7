#include "kxu/lst.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> contents(const lst_list *l) {
  std::vector<int> out;
  for (lst_elem *e = lst_first(l); e; e = lst_next(e))
    out.push_back(*static_cast<int *>(lst_data(e)));
  return out;
}

TEST(List, InsertAppendDequeueKeepOrderAndCount) {
  int v[5] = {0, 1, 2, 3, 4};
  Lst l;
  lst_list *made = lst_insert(l, &v[1]); // creates the list
  EXPECT_EQ(made, l.get());
  lst_insert(l, &v[0]);
  lst_elem *three = lst_append(l.get(), nullptr, &v[3]);
  lst_append(l.get(), lst_first(l.get()), &v[2]); // after the first
  EXPECT_EQ(contents(l.get()), (std::vector<int>{0, 2, 1, 3}));
  EXPECT_EQ(lst_last(l.get()), three);

  lst_append(l.get(), three, &v[4]); // after the last: becomes last
  EXPECT_EQ(lst_data(lst_last(l.get())), &v[4]);
  EXPECT_EQ(lst_nelements(l.get()), 5u);

  for (int want : {0, 2, 1, 3, 4})
    EXPECT_EQ(lst_dequeue(l.get()), &v[want]);
  EXPECT_EQ(lst_nelements(l.get()), 0u);
  EXPECT_EQ(lst_last(l.get()), nullptr);
  EXPECT_EQ(lst_dequeue(l.get()), nullptr);

  lst_append(l.get(), nullptr, &v[1]); // an emptied list works again
  EXPECT_EQ(contents(l.get()), (std::vector<int>{1}));
  lst_destroy(l);
  EXPECT_EQ(lst_nelements(l.get()), 0u);
}

TEST(List, LongListIsFreedWithoutRecursion) {
  Lst l = lst_create();
  for (int i = 0; i < 300000; i++)
    lst_insert(l, nullptr);
  EXPECT_EQ(lst_nelements(l.get()), 300000u);
  lst_destroy(l);
}

} // namespace
