// Help > "Tutorial ...": the introduction of the installation, the text
// file "intro.txt" of its doc directory (INTRODIR names another).
#pragma once

#include <optional>
#include <string>

std::string tutorial_file();
// The text (at most 1 MiB of it), or nothing (reported: "No tutorial in %s").
std::optional<std::string> tutorial_text();
