// The member table is read by #include between macro definitions, so the
// includes of this file keep their order.
// clang-format off
#include "frame/metadata.h"

#include "frame/member_macros.h"

namespace kb::meta {
namespace {

constexpr int HexDigit(char c) {
  return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c - 'a' + 10;
}
constexpr unsigned long long Hex(const char* s, int digits) {
  unsigned long long v = 0;
  for (int i = 0; i < digits; ++i) v = v * 16 + HexDigit(s[i]);
  return v;
}
// "6EC21193-BBDF-11D4-87FC-C5DB819DCD29"
constexpr GUID Guid(const char* s) {
  GUID g{};
  g.Data1 = static_cast<unsigned long>(Hex(s, 8));
  g.Data2 = static_cast<unsigned short>(Hex(s + 9, 4));
  g.Data3 = static_cast<unsigned short>(Hex(s + 14, 4));
  g.Data4[0] = static_cast<unsigned char>(Hex(s + 19, 2));
  g.Data4[1] = static_cast<unsigned char>(Hex(s + 21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<unsigned char>(Hex(s + 24 + 2 * i, 2));
  return g;
}

#define KB_TR_BSTR TypeRef{Type::Text}
#define KB_TR_VARIANT TypeRef{Type::Variant}
#define KB_TR_BOOL TypeRef{Type::Boolean}
#define KB_TR_I2 TypeRef{Type::Integer}
#define KB_TR_I4 TypeRef{Type::Long}
#define KB_TR_R4 TypeRef{Type::Single}
#define KB_TR_R8 TypeRef{Type::Double}
#define KB_TR_DATE TypeRef{Type::Date}
#define KB_TR_DISPATCH TypeRef{Type::Object}
#define KB_TR_SA_VARIANT TypeRef{Type::VariantArray}
#define KB_TR_SA_BSTR TypeRef{Type::TextArray}
#define KB_TR_NORESULT TypeRef{Type::Variant}
#define KB_TR_EN(name) TypeRef{Type::Enum, EnumId::name}
#define KB_HAS_RESULT(r) (KB_IS_NORESULT(r) == 0)

using DK = Default::Kind;
#define KB_REQUIRED Default{DK::Required}
#define KB_NODEFAULT Default{DK::NoDefault}
#define KB_TRUE Default{DK::Boolean, -1}
#define KB_FALSE Default{DK::Boolean, 0}
#define KB_I2(v) Default{DK::Integer, v}
#define KB_I4(v) Default{DK::Long, v}
#define KB_STR(s) Default{DK::Text, 0, s}

// Pass 1: one parameter array per member.  An array always has a closing
// entry so that members without parameters need no special case.
constexpr Param kNoParam{nullptr, {Type::Variant}, false, {}};
#define KB_ENUM_BEGIN(name, guid) constexpr EnumValue kValues_##name[] = {
#define KB_ENUM_VALUE(name, value) {L## #name, value},
#define KB_ENUM_END(name) };
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) namespace cls {
#define KB_CLASS_END(cls) }
#define KB_METHOD(number, name, body, ret, params) \
  constexpr Param kParams_##name[] = {KB_EACH_META(params) kNoParam};
#define KB_PROPGET(number, name, body, ret) constexpr Param kParams_##name[] = {kNoParam};
#define KB_PROPPUT(number, name, body, param) \
  constexpr Param kParams_##name[] = {KB_EACH_META(param) kNoParam};
#include "frame/members.def"
#include "frame/member_undef.h"

template <size_t N>
constexpr std::span<const Param> ParamsOf(const Param (&a)[N]) {
  return {a, N - 1};
}

// Pass 2: the member arrays.  Slots are numbered afterwards.
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) namespace cls { Member kMembers[] = {
#define KB_CLASS_END(cls) }; }
#define KB_METHOD(number, name, body, ret, params) \
  {L## #name, Kind::Method, number, KB_HAS_RESULT(ret), KB_TR_##ret, ParamsOf(kParams_##name), 0},
#define KB_PROPGET(number, name, body, ret) \
  {L## #name, Kind::PropertyGet, number, true, KB_TR_##ret, ParamsOf(kParams_##name), 0},
#define KB_PROPPUT(number, name, body, param) \
  {L## #name, Kind::PropertyPut, number, false, KB_TR_NORESULT, ParamsOf(kParams_##name), 0},
#define KB_HIDDEN(number, name) {L## #name, Kind::Hidden, number, false, KB_TR_NORESULT, {}, -1},
#include "frame/members.def"
#include "frame/member_undef.h"

// Pass 3: classes and enumerations.
#define KB_ENUM_BEGIN(name, guid) {L## #name, Guid(guid), kValues_##name},
const Enumeration kEnumerations[] = {
#include "frame/members.def"
};
#undef KB_ENUM_BEGIN
#undef KB_CLASS_BEGIN
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) \
  {L## #cls, L## #iface, Guid(clsid), Guid(iid), cls::kMembers},
const Class kClasses[] = {
#include "frame/members.def"
};
#include "frame/member_undef.h"

// Slots count the members a client can reach, in declaration order.
bool NumberSlots() {
  for (const auto& cls : kClasses) {
    int slot = 0;
    for (auto& m : cls.members)
      const_cast<Member&>(m).slot = m.kind == Kind::Hidden ? -1 : slot++;
  }
  return true;
}

}  // namespace

std::span<const Class> Classes() {
  static const bool numbered = NumberSlots();
  (void)numbered;
  return kClasses;
}
std::span<const Enumeration> Enumerations() { return kEnumerations; }

const Class* FindClass(REFCLSID clsid) {
  for (const auto& c : Classes())
    if (IsEqualGUID(c.clsid, clsid)) return &c;
  return nullptr;
}

const Class& ClassOf(ClassId id) { return Classes()[static_cast<int>(id)]; }
const Enumeration& EnumerationOf(EnumId id) { return kEnumerations[static_cast<int>(id)]; }

std::wstring ProgIdOf(const Class& c) { return std::wstring(kLibraryName) + L"." + c.name; }

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

}  // namespace kb::meta
