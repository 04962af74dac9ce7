#include "kxu/lst.h"

lst_list::~lst_list() {
  while (first)
    first = std::move(first->next);
}

Lst lst_create() { return std::make_unique<lst_list>(); }

lst_list *lst_insert(Lst &list, void *data) {
  if (!list)
    list = lst_create();
  auto e = std::make_unique<lst_elem>();
  e->data = data;
  e->next = std::move(list->first);
  if (!e->next)
    list->last = e.get();
  list->first = std::move(e);
  list->count++;
  return list.get();
}

lst_elem *lst_append(lst_list *list, lst_elem *after, void *data) {
  if (!list)
    return nullptr;
  if (!after)
    after = list->last;
  std::unique_ptr<lst_elem> &link = after ? after->next : list->first;
  auto e = std::make_unique<lst_elem>();
  e->data = data;
  e->next = std::move(link);
  lst_elem *added = e.get();
  link = std::move(e);
  if (!added->next)
    list->last = added;
  list->count++;
  return added;
}

lst_elem *lst_first(const lst_list *list) { return list ? list->first.get() : nullptr; }
lst_elem *lst_next(const lst_elem *elem) { return elem ? elem->next.get() : nullptr; }
lst_elem *lst_last(const lst_list *list) { return list ? list->last : nullptr; }
void *lst_data(const lst_elem *elem) { return elem ? elem->data : nullptr; }

void *lst_dequeue(lst_list *list) {
  if (!list || !list->first)
    return nullptr;
  void *data = list->first->data;
  list->first = std::move(list->first->next);
  if (!list->first)
    list->last = nullptr;
  list->count--;
  return data;
}

size_t lst_nelements(const lst_list *list) { return list ? list->count : 0; }

void lst_destroy(Lst &list) { list.reset(); }
