// wlroots' foreign-toplevel protocol, as wayland-scanner writes it, built as
// C++: the header's C declarations give the interfaces their outside linkage.

#include "wlr-foreign-toplevel-client.h"

#include "wlr-foreign-toplevel.c"
