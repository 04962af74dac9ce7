// kxui: the rule base editor, the log viewer, the alert window and the SNMP
// trap sender in one program file.
#include "kxu/kxdir.h"
#include "kxui/kx/kxstart.h"

int main(int argc, char **argv) {
  kx_initdir(&argc, argv);
  return cmain(argc, argv);
}
