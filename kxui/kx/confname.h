// The rule base a module runs, as a file of this station.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The policy names the module on `host` reports in its status (up to 200
// entries). Null until the remote status query is there; then nothing is
// found and the editor starts with an empty rule base.
extern std::vector<std::string> (*kx_policy_query)(const char *host);

// For each host ("localhost" when the list is empty) and each non-empty
// policy name it reports: the first "<name>.W" below the conf directory
// ($KX_CONF) that is readable.
std::optional<std::string> kxui_confname(const std::vector<std::string> &hosts);
