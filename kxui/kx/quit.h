// What quitting the editor asks before the program ends. Nothing is saved on
// quit; the user only confirms that unsaved changes may be lost.
#pragma once

// 1 when the program may quit: nothing is modified, or the user answered
// "Ok" to every question. A request that arrives while an earlier one is
// still being asked about gives 0.
int kx_quit_allowed(bool rules_modified, bool objects_modified, bool users_not_downloaded);
