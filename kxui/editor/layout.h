// "Save Layout": where the station's windows stand and how wide the rule
// table's columns are, kept between runs in the set file "kxui.layout" of
// the conf directory as named texts (the window decides what they mean).
#pragma once

#include <map>
#include <optional>
#include <string>

using WindowLayout = std::map<std::string, std::string>;

// The layout file of the installation.
std::string layout_file();

// Writes the layout (replacing the file safely); false, reported, when it
// cannot.
bool layout_save(const std::string &path, const WindowLayout &layout);

// The saved layout; nothing when there is no file. A file that does not
// read as a set is reported and gives nothing, so a damaged file is never
// half applied.
std::optional<WindowLayout> layout_load(const std::string &path);
