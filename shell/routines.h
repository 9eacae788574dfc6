// The routines of shell and Office integration that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "shell/office.h"
#include "shell/shell_services.h"
