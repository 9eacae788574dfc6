// The routines of strings and keys that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once

#include "strings/casing.h"
#include "strings/char_filters.h"
#include "strings/field_reader.h"
#include "strings/node_keys.h"
