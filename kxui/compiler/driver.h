// The compiler driver: a rule base, the objects and the global properties
// into one filter script.
//
// Layout of a script: label and version comments, the auth rules database,
// log preferences and log macro definitions, the prologue with service
// definitions, alert, address and list definitions, the interface access
// groups, the "first" implied rules, the rule statements (the "before last"
// implied rules just before the last one) and the epilogue with the "last"
// implied rules.
#pragma once

#include "kxui/compiler/check.h"
#include "kxui/rfile/rule.h"
#include "kxset/kxset.h"

#include <optional>
#include <string>

// The rule sets of a rule list, in order.
rule_array rules_of(const rule_list &rules);

// Each of these is one compilation with a CompileRun of its own.
//
// The filter script, or nothing when verification found something (shown
// under "Filter Verify Warnings:") or a rule failed ("Failed to generate rule
// %d"). With `party_out`, the party set's text is stored there. `rulebase`
// names the rule base in the label line (null: the current rule base file).
std::optional<std::string> gen_rulebase(const rule_array &rules, std::string *party_out,
                                        const char *rulebase = nullptr);
// The entry the windows use.
std::optional<std::string> dump_rulebase(const rule_array &rules, std::string *party_out);

// Verification for "Verify ..." and for the router lists.
std::optional<std::string> check_rulebase(const rule_array &rules);
std::optional<std::string> check_routers_rulebase(const rule_array &rules);

// Adds the sources of rule n to the party set when its action asks for it
// ("party" true). -1 when the rule has no "src" or there is no party set.
int make_party(kxset *party, const kxset *rule, int n);

// "\n// Auth Rules Database\n\nexport {\n<set text>}.set;\n"; nothing for
// an export set without attributes.
void gen_kxset(std::string &dst, const kxset *export_set);

// How texts titled like "Filter Verify Warnings:" are shown. The default
// reports them through error(); a window installs its own.
extern void (*kx_show_text)(const char *title, const char *text);
