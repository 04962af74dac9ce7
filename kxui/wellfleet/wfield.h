// The pieces of the router filter: field definitions of the "wellfleet"
// configuration, the range of one object by kind, fields built from ranges,
// and the filter rules of one rule.
#pragma once

#include "kxui/wellfleet/wrange.h"

#include "kxset/kxset.h"

#include <vector>

// Definitions under the "wellfleet" configuration: a field ("fields"), an
// other-service definition ("wservices"), the match-all field ("wany") and
// the property definitions ("wprops"). Null when missing.
kxset *kxell_field_def(const char *name);
kxset *kxell_wservice(const char *name);
kxset *kxell_wany();
kxset *kxell_wprops();
// The protocol definition of a service list ("tcp", "udp", ...): the
// attribute of that name of the "proto" field, else the field of that name.
kxset *kxell_proto_def(const char *list);

// The range of one object by kind ("host", "net", "tcp", "proto", "kxset",
// "sport", ...; case ignored): 1 with `out` set, 0 when the object has no
// range of that kind (a service without source-port limit), -1 after a
// reported failure.
int kxell_object_range(const kxset *obj, const char *kind, kxell_range &out);

// Appends the ranges of `members` by `kind` to `ranges`; -1 on failure.
int kxell_ranges_dogen(kxell_ranges &ranges, const std::vector<kxset *> &members,
                       const char *kind);

// A new field (count 0) for the definition `def`: "name" refers to it and
// "ranges" holds the merged ranges, complemented when `positive` is zero
// within the width of "length" (or `width` when the definition has none).
kxset *kxell_field_make(kxset *def, kxell_ranges ranges, int positive, uint32_t width);
// Number of ranges of a field.
int kxell_field_nranges(const kxset *field);
// The field with its ranges complemented within the width given by "length"
// of its definition; null (reported) when the definition has no "length".
kxset *kxell_field_negate(const kxset *field);

// Adds the field `field` ("ip_src", "ip_dst") of a network-object cell to
// `rule` when it has ranges; -1 on failure.
int kxell_netobj_gen(kxset *rule, const char *field, const kxset *cell);

// The filter rules of a rule's service cell, each a copy of `base` with its
// service fields appended; -1 on failure.
int kxell_service_gen(std::vector<KxSetRef> &out, const kxset *base, const kxset *cell);

// Appends the filter rules of one rule to `filter`; -1 on failure.
int kxell_rule_gen(kxset *filter, const kxset *rule);
// Appends the implied rules at `where` with `scope` as scope and source.
int kxell_props_gen(kxset *filter, const char *where, kxset *scope);
// The scope set of a rule (count 0): the wellfleet routers it is installed on.
kxset *kxell_scope_gen(const kxset *rule);
