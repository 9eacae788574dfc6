// The routines of form layout (clsResize) that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "layout/resizer.h"
