// The routines of database access (clsDataBase) that frame/members.def names; the frame's
// vtables include this header to reach their bodies.
#pragma once
