// Tables of a compilation (kept in its CompileRun): the log macros that
// track alerts need and the alert definitions.
#pragma once

#include "kxset/kxset.h"

#include <string>

// Log macro table: upper-case alert key -> alert text (created on first
// use).
kxset *kx_logmacros();
void kx_logmacros_clear();

// Alert table: alert name -> alert text. Null until the first alert of the
// compilation is recorded.
kxset *kx_alerttab();
kxset *kx_alerttab_create();

// The alert text of an alert name: <"![name]">.
std::string alert_text(const char *alert);

// Records the alert of a track object (its "alert" value, when non-empty) in
// the alert table; a null track does nothing.
void gen_alerts(const kxset *default_track);
