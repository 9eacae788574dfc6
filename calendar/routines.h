// The routines of the calendar that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "calendar/date_helpers.h"
