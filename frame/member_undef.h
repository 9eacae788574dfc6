// Ends one reading of frame/members.def (see frame/member_macros.h).
#undef KB_ENUM_BEGIN
#undef KB_ENUM_VALUE
#undef KB_ENUM_END
#undef KB_CLASS_BEGIN
#undef KB_CLASS_END
#undef KB_METHOD
#undef KB_PROPGET
#undef KB_PROPPUT
#undef KB_HIDDEN
#undef KB_NOT_BUILT
#undef KB_REQUIRED
#undef KB_NODEFAULT
#undef KB_TRUE
#undef KB_FALSE
#undef KB_I2
#undef KB_I4
#undef KB_STR
