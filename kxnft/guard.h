// What a module accepts to load: a ruleset that defines the table "inet kx"
// and touches nothing else.
#pragma once

#include <string>

namespace kxnft {

// True when `text` is one "table inet kx { ... }" block (comments around it
// allowed) with no include; `why` says what is wrong otherwise.
bool ruleset_is_ours(const std::string &text, std::string &why);

} // namespace kxnft
