// Reversible scrambling of the router passwords kept in the objects database:
// enough that they cannot be read at a glance, nothing more. The stored form
// is "1:" (the scrambling version) followed by hexadecimal digits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr int KXU_SCRAMBLE_MAX = 64;

// Scrambles at most KXU_SCRAMBLE_MAX characters of `clear`.
std::string kxuhidestr(std::string_view clear);
// The clear text, or nothing when `stored` is not in the scrambled form.
std::optional<std::string> kxushowstr(std::string_view stored);
