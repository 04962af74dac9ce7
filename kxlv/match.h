// The viewer's text pattern: "?" matches any one character, "*" any run and
// "\" makes the next character literal. A text matches when it contains a
// piece that matches the pattern.
#pragma once

#include <string_view>

bool kxlv_pattern_contains(std::string_view text, std::string_view pattern);
