// Field types: how one data word of a record becomes text, and the names of
// the action codes.
#pragma once

#include "kxlog/logformat.h"

#include <cstddef>
#include <cstdint>
#include <string>

// With address resolution on, "ipaddr" fields print host names.
extern bool kxformat_resolve_addresses;

// Everything a type's printer may look at: the field's word, the format's
// fields (a port finds its protocol there) and all words of the record.
struct log_field_ctx {
  uint32_t word;
  const log_fmt *format;
  const uint32_t *words;
  size_t nwords;
};

using log_type_fn = void (*)(std::string &out, const log_field_ctx &ctx);

// The printer of a named type ("int", "uint", "hex", "", "ipaddr", "port",
// "service", "proto", "string"), or null.
log_type_fn findtype(const std::string &name);

// Appends field `i` of a record printed by its type: printf conversions for
// types beginning with "%", the named types, "[type] hex" for anything else.
void log_field_text(std::string &out, const log_fmt &format, size_t i, const uint32_t *words,
                    size_t nwords);

// |stored code| of the first action row named `name` (case ignored), or -1.
int ifactioncode(const char *name);
// The name of an action code for a record of format `format`: "ctl",
// "reset", "drop", "reject", "accept", or "act%d".
std::string ifaction(int action, int format);
