// Singly linked lists of untyped data pointers. The list owns its elements,
// never the data.
#pragma once

#include <cstddef>
#include <memory>

struct lst_elem {
  void *data = nullptr;
  std::unique_ptr<lst_elem> next;
};

struct lst_list {
  std::unique_ptr<lst_elem> first;
  lst_elem *last = nullptr;
  size_t count = 0;

  lst_list() = default;
  lst_list(const lst_list &) = delete;
  lst_list &operator=(const lst_list &) = delete;
  ~lst_list(); // frees elements without recursion
};

using Lst = std::unique_ptr<lst_list>;

Lst lst_create();
// Inserts at the front, creating the list when it is null; returns the list.
lst_list *lst_insert(Lst &list, void *data);
// Inserts after `after` (at the end when null); returns the new element.
lst_elem *lst_append(lst_list *list, lst_elem *after, void *data);
lst_elem *lst_first(const lst_list *list);
lst_elem *lst_next(const lst_elem *elem);
lst_elem *lst_last(const lst_list *list);
void *lst_data(const lst_elem *elem);
// Removes the first element and returns its data (null when empty).
void *lst_dequeue(lst_list *list);
size_t lst_nelements(const lst_list *list);
// Frees the elements, not the data.
void lst_destroy(Lst &list);
