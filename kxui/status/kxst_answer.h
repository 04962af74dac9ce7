// From an SNMP answer to a node's status set: the attributes "state",
// "name", "date", "accepted", "rejected", "logged".
#pragma once

#include <ctime>
#include <string>

#include "kxui/status/snmp_answer.h"
#include "kxset/kxset.h"

// The module variables, asked together in this order: kxModuleState.0,
// kxFilterName.0, kxFilterDate.0, kxAccepted.0, kxRejected.0, kxDropped.0,
// kxLogged.0 (enterprise 32473, see lib/snmp/mib.txt).
extern const char *const kx_module_vars[7];
// The column wfIpTrafficFilterName of WfIpTrafficFilterTable
// (lib/snmp/wellfleet.mib); a get-next on it yields the first row.
extern const char *const kx_wf_filter_name_column;

// The shared time text: "%2d%s%d %2d:%02d:%02d" (day, month abbreviation,
// years since 1900, hours, minutes, seconds), "unknown time" on failure.
std::string kx_time_text(time_t t);

// Longest text taken from an answer into a status set.
constexpr size_t kx_status_text_max = 255;

// New sets (count 0) named `node`.
kxset *kxst_unknown_status(const char *node, time_t now);
kxset *kxst_module_status(const char *node, const KxSnmpAnswer &a, time_t now);
kxset *kxst_wellfleet_status(const char *node, const KxSnmpAnswer &a, time_t now);

// The install time and name carried by a Wellfleet filter name: the date
// text ("-" when the first eight letters do not hold a time) and the policy
// name up to its first ".".
void kx_wf_filter_name(const std::string &filter, std::string &date, std::string &name);
