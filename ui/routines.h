// The routines of the form and control helpers that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "ui/control_helpers.h"
#include "ui/window_helpers.h"
