// The routines of files, folders and drives that frame/members.def names; the
// frame's vtables include this header to reach their bodies.
#pragma once

#include "files/file_collector.h"
#include "files/file_info.h"
#include "files/file_list.h"
#include "files/file_operations.h"
#include "files/list_box_fill.h"
#include "files/path_strings.h"
#include "files/sorting.h"
