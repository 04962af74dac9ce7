// Tables that live for the whole run of the program and are shared by every
// compilation: the log macros that track alerts need, the alert definitions
// and the counter that numbers generated lists.
#pragma once

#include "kxset/kxset.h"

#include <string>

// Log macro table: upper-case alert key -> alert text. Emptied at the start
// of every compilation (created on first use).
kxset *kx_logmacros();
void kx_logmacros_clear();

// Alert table: alert name -> alert text. Never emptied, so an alert met in
// an earlier compilation is defined again in later scripts. Null until the
// first alert is recorded.
kxset *kx_alerttab();
kxset *kx_alerttab_create();

// The alert text of an alert name: <"![name]">.
std::string alert_text(const char *alert);

// Records the alert of a track object (its "alert" value, when non-empty) in
// the alert table; a null track does nothing.
void gen_alerts(const kxset *default_track);
