// Case-blind comparison of names, shared by every layer.
#pragma once

#include <string_view>

namespace kxu {

// Equal ignoring ASCII case.
bool ieq(std::string_view a, std::string_view b);

// The same for C strings; a null pointer equals nothing.
inline bool ieq(const char *a, const char *b) {
  return a && b && ieq(std::string_view(a), std::string_view(b));
}

} // namespace kxu
