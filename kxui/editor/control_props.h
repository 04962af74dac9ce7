// The "Control Properties" window: one page per category of the global
// properties, each a form over the global properties set of the objects
// database, with the attribute names and encodings the compiler reads.
#pragma once

#include "kxui/editor/form.h"

#include <vector>

// The pages in the order of the "Categories:" choice.
const std::vector<Form> &control_pages();

// The global properties set: the first member of the "props" table, or the
// table itself when it has none; null before the objects are loaded.
kxset *control_props_set();

// "Apply" on one page: checks every value of the page, then writes them all.
// The refusal message, with nothing written, or nothing on success.
std::optional<std::string> control_page_apply(const Form &page, kxset *props,
                                              const FormValues &values);
