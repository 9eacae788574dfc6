' Node keys as a script builds and reads them: arrays of the script, and a
' level number written back into the script's own variable.
Dim c, key, item, parts
Set c = CreateObject("Kitbag.clsCommon")

parts = Array(12, "AB", 7)
key = c.cmn_KeyGenerate(parts)
CheckEqual key, "R12;RAB;R7", "a key from a script array"
CheckEqual c.cmn_KeyGenerate(Array("")), "R", "one empty element"
CheckEqual c.cmn_KeyGenerate(Array()), "", "no elements"
CheckEqual c.cmn_KeyGenerate(Array(Null, "x")), "R;Rx", "Null reads as empty"

CheckEqual c.cmn_WhatKeyLevel("R12;R5;R7"), 3, "three levels"
CheckEqual c.cmn_WhatKeyLevel(";R1"), 1, "a leading semicolon does not count"
CheckEqual c.cmn_WhatKeyLevel(""), 1, "the empty key has one level"

item = 2
CheckEqual c.cmn_KeyGet(key, item), "AB", "the second level"
CheckEqual item, 2, "a level given stays"
item = 0
CheckEqual c.cmn_KeyGet(key, item), "7", "level 0 reads the deepest"
CheckEqual item, 3, "and writes the level count back"
CheckEqual VarType(item), vbInteger, "as an Integer"
CheckEqual c.cmn_KeyGet("R12;R5;R7"), "7", "ItemNo left out"
CheckEqual c.cmn_KeyGet("R12; R5 ;R7", 2), "5", "levels are trimmed"
CheckEqual c.cmn_KeyGet("R12;R5;R7", 9), "", "beyond the deepest level"
CheckEqual key, "R12;RAB;R7", "the key is never changed"

CheckEqual c.cmn_ReturnSigKey("R12;R5;X7"), "X", "signature of the deepest level"
CheckEqual c.cmn_ReturnSigKey("R12;R5;"), "", "an empty deepest level"
CheckEqual c.cmn_ReturnSigKey("Søren"), "S", "a key of one level"

Dim grid(1, 1), never()
On Error Resume Next
key = c.cmn_KeyGenerate(grid)
CheckErr 9, "a two-dimensional array"
key = c.cmn_KeyGenerate(never)
CheckErr 9, "an array never dimensioned"
key = c.cmn_WhatKeyLevel(String(32766, "x") & ";")
CheckErr 6, "a semicolon beyond position 32766"
item = 0
key = c.cmn_KeyGet(String(32766, "x") & ";", item)
CheckErr 6, "the level count overflows"
CheckEqual item, 0, "no count is written"
On Error GoTo 0
