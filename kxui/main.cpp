// kxui: the rule base editor, the log viewer, the alert window and the SNMP
// trap sender in one program file.
#include "kxu/kxdir.h"
#include "kxui/alert/alert.h"
#include "kxui/alert/trap.h"
#include "kxui/compiler/auth.h"
#include "kxui/kx/kxstart.h"
#include "kxui/objfile/objects.h"
#include "kxui/users/kxa.h"
#ifdef KX_HAVE_GUI
#include "kxui/gui/gui.h"
#endif

int main(int argc, char **argv) {
  // Named here so that the linker takes the objects database into the program.
  kx_hooks.load_objects = load_objects;
  kx_hooks.trap_main = trap_cmain;
  kx_hooks.alert_main = alert_cmain;
  // Rules naming user groups are checked against the user database.
  kx_usergroup_known = kxa_usergroup_known;
#ifdef KX_HAVE_GUI
  kx_hooks.toolkit_init = kxui_toolkit_init;
  kx_hooks.editor_main = kxui_editor_main;
#endif
  kx_initdir(&argc, argv);
  return cmain(argc, argv);
}
