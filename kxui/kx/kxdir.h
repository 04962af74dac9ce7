// kx_filename and the installation directory for the program's modules; the
// code lives in the kxu library so that the libraries can name files too.
#pragma once

#include "kxu/kxdir.h"
#include "kxu/pidfile.h"
