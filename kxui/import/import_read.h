// Reading the system's host, network and netgroup tables for the import:
// the hosts file ("ADDRESS NAME [ALIAS...]"), the networks file ("NAME
// NUMBER [ALIAS...]") and the netgroup file ("NAME MEMBER..." where a member
// is a triple "(host,user,domain)" or another netgroup), each with "#"
// comments. Lines that cannot be taken are left out with a message naming
// the file and line; reading never fails as a whole except for a file that
// cannot be opened or is too large.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class ImportKind { host, network, netgroup };

struct ImportEntry {
  ImportKind kind = ImportKind::host;
  std::string name;
  std::string address;              // host and network: dotted quad
  std::string netmask;              // network
  std::vector<std::string> aliases; // host and network
  std::vector<std::string> hosts;   // netgroup: the host names of its triples
  std::vector<std::string> groups;  // netgroup: the netgroups it includes
  std::string file;
  int line = 0;
};

struct ImportRead {
  std::vector<ImportEntry> entries;
  std::vector<std::string> messages; // what was left out, and why
  size_t more_messages = 0;          // beyond import_messages_max
  void note(std::string message);
};

// Largest table file read, longest logical line (with continuations), and
// most entries and netgroup members taken; more is left out with a message.
constexpr size_t import_file_max = 16u << 20;
constexpr size_t import_line_max = 64u << 10;
constexpr size_t import_entries_max = 200000;
constexpr size_t import_members_max = 10000;
constexpr size_t import_messages_max = 500;

// An object name the import accepts: a letter first, then letters, digits,
// ".", "-" and "_", at most 255 characters, and not "any".
bool import_name_ok(std::string_view name);

void import_parse_hosts(std::string_view text, const std::string &file, ImportRead &out);
void import_parse_networks(std::string_view text, const std::string &file, ImportRead &out);
void import_parse_netgroup(std::string_view text, const std::string &file, ImportRead &out);
void import_parse(ImportKind kind, std::string_view text, const std::string &file, ImportRead &out);

// Reads the file and parses it; false (with the message) when it cannot be
// read or is larger than import_file_max.
bool import_read_file(ImportKind kind, const std::string &path, ImportRead &out);
