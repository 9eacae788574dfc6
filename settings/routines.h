// The routines of the settings stores (clsIniFiles, clsRegistry) that frame/members.def names; the
// frame's vtables include this header to reach their bodies.
#pragma once

#include "settings/ini_files.h"
#include "settings/registry.h"
