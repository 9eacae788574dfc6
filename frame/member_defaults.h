// Included by frame/members.def at the top of every reading: a member macro
// that the reader did not define reads as nothing, so each reader defines
// only the macros it uses.  No include guard: every reading needs it again
// (frame/member_undef.h ends each one).
#ifndef KB_ENUM_BEGIN
#define KB_ENUM_BEGIN(name, guid)
#endif
#ifndef KB_ENUM_VALUE
#define KB_ENUM_VALUE(name, value)
#endif
#ifndef KB_ENUM_END
#define KB_ENUM_END(name)
#endif
#ifndef KB_CLASS_BEGIN
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid)
#endif
#ifndef KB_CLASS_END
#define KB_CLASS_END(cls)
#endif
#ifndef KB_METHOD
#define KB_METHOD(number, name, body, ret, params)
#endif
#ifndef KB_PROPGET
#define KB_PROPGET(number, name, body, ret)
#endif
#ifndef KB_PROPPUT
#define KB_PROPPUT(number, name, body, param)
#endif
#ifndef KB_HIDDEN
#define KB_HIDDEN(number, name)
#endif
