// error(), kx_message(), kx_ask() and kxdebug for the program's modules. They
// live in the kxu library so that every library below the program can report
// through the same front end.
#pragma once

#include "kxu/report.h"
