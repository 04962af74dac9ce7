// The handler of kxagent's subtree (enterprise 32473): get, get-next and
// set of the Wellfleet system texts, over the state file's values.
#pragma once

#include <string>

void kx_agent_register(const std::string &state_file);
