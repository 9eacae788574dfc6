// The routines of strings and keys that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "strings/field_reader.h"
