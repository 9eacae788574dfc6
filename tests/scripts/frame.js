// JScript reaches the same members.
var c = new ActiveXObject("Kitbag.clsCommon");
CheckEqual(c.cmn_SEP_Get("x; y ;z", ";", 0), "x", "first field");
CheckEqual(c.cmn_SEP_Get("x; y ;z", ";", 2), " y ;z", "rest");
CheckEqual(c.cmn_AddSlash("C:\\data"), "C:\\data\\", "default separator");
var fresh = new ActiveXObject("Kitbag.clsCommon");
var number = 0;
try { fresh.cmn_SEP_Get("a", ";", 1); } catch (e) { number = e.number & 0xFFFF; }
CheckEqual(number, 5, "error 5 reaches JScript");
