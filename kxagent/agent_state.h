// The values the module's SNMP agent stand-in serves, read from the small
// state file that the module daemon writes (see README, "kxagent").
//
// The file holds one "key value" per line; blank lines and lines beginning
// with "#" are skipped, unknown keys are ignored, a key given twice keeps its
// last value (except wf_filter, which adds a row each time):
//   state installed            kxModuleState.0
//   filter Standard            kxFilterName.0 (empty or absent: no policy)
//   date 11Dec126  0:20:00     kxFilterDate.0
//   accepted 100               kxAccepted.0 (and rejected, dropped, logged)
//   wf_descr ... wf_name ... wf_contact ... wf_location ...   Wellfleet system
//   wf_filter JIIIIIIIStandard.wf                            a filter row
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct KxAgentValue {
  bool counter = false; // Counter32
  bool integer = false; // INTEGER (table indexes); else OCTET STRING
  uint32_t count = 0;
  std::string text;
  bool writable = false;
};

// Object identifiers as numbers, ordered as SNMP orders them.
using KxAgentOid = std::vector<uint32_t>;
using KxAgentTable = std::map<KxAgentOid, KxAgentValue>;

// Longest line and most filter rows read; the rest is ignored.
constexpr size_t kx_agent_line_max = 1024;
constexpr size_t kx_agent_rows_max = 1000;

// Parses the state file's text into the served variables. Never fails: bad
// lines are skipped; absent values are served as "not installed", empty
// texts and 0.
KxAgentTable kx_agent_parse(const std::string &text);

// Reads the file (missing: as empty text).
KxAgentTable kx_agent_load(const std::string &path);

// The variable after `oid` in SNMP order, or null.
const std::pair<const KxAgentOid, KxAgentValue> *kx_agent_next(const KxAgentTable &t,
                                                               const KxAgentOid &oid);
