// Conditions of the filter language as nftables matches.
#pragma once

#include "compile.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kxnft {

// Dotted-quad text to a host-order address and back.
bool dotted(const std::string &s, uint32_t &out);
std::string dotted_text(uint32_t a);

struct CondContext {
  const Script &script;
  std::vector<std::string> used_lists; // named sets to define, in first use order
  std::string error;                   // what could not be translated
  void use(const std::string &list);
};

// A source or destination condition such as "(ip_src = a or netof ip_src = n)".
bool address_clauses(CondContext &cx, const std::string &element, std::vector<Clause> &out);
// A service condition such as "(tcp, telnet or ftp) or (udp, tftp)".
bool service_clauses(CondContext &cx, const std::string &element, std::vector<Clause> &out);
// The elements of a named list as nft set elements; empty with cx.error set
// when a member has no usable address.
bool list_elements(CondContext &cx, const List &list, std::vector<std::string> &out);
// "a.b.c.d/len" of a network object, or its address for other objects.
bool object_value(CondContext &cx, const std::string &name, bool as_network, std::string &out);

} // namespace kxnft
