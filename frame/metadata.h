// The member table of frame/members.def as data: what the type library
// writer, the dispatcher and the tests read.
// The member table is read by #include between macro definitions, so the
// includes of this file keep their order.
// clang-format off
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string>

namespace kb::meta {

enum class Type : unsigned char {
  Text,        // BSTR
  Variant,     // VARIANT
  Boolean,     // VARIANT_BOOL
  Integer,     // short
  Long,        // long
  Single,      // float
  Double,      // double
  Date,        // DATE
  Object,      // IDispatch*
  VariantArray,  // SAFEARRAY(VARIANT)
  TextArray,     // SAFEARRAY(BSTR)
  Enum,        // long, typed by one of the library's enumerations
};

enum class EnumId : unsigned char {
#define KB_ENUM_BEGIN(name, guid) name,
#include "frame/members.def"
#include "frame/member_undef.h"
  None,
};

enum class ClassId : unsigned char {
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) cls,
#include "frame/members.def"
#include "frame/member_undef.h"
};

struct TypeRef {
  Type type;
  EnumId enumId = EnumId::None;
  // The automation type a value of this type is carried in.
  constexpr VARTYPE Vt() const {
    switch (type) {
      case Type::Text: return VT_BSTR;
      case Type::Variant: return VT_VARIANT;
      case Type::Boolean: return VT_BOOL;
      case Type::Integer: return VT_I2;
      case Type::Long: return VT_I4;
      case Type::Single: return VT_R4;
      case Type::Double: return VT_R8;
      case Type::Date: return VT_DATE;
      case Type::Object: return VT_DISPATCH;
      case Type::VariantArray: return VT_ARRAY | VT_VARIANT;
      case Type::TextArray: return VT_ARRAY | VT_BSTR;
      case Type::Enum: return VT_I4;
    }
    return VT_EMPTY;
  }
};

struct Default {
  enum class Kind : unsigned char { Required, NoDefault, Boolean, Integer, Long, Text };
  Kind kind = Kind::Required;
  long number = 0;
  const wchar_t* text = nullptr;
};

struct Param {
  const wchar_t* name;
  TypeRef type;
  bool byRef;
  Default def;
  bool Optional() const { return def.kind != Default::Kind::Required; }
  bool HasDefault() const { return Optional() && def.kind != Default::Kind::NoDefault; }
};

enum class Kind : unsigned char { Method, PropertyGet, PropertyPut, Hidden };

struct Member {
  const wchar_t* name;
  Kind kind;
  int number;         // the member number: dispid is 0x60030000 or 0x68030000 plus it
  bool hasResult;
  TypeRef result;
  std::span<const Param> params;
  int slot;           // vtable slot after the seven of IDispatch; -1 for hidden members

  DISPID Dispid() const {
    return (kind == Kind::Method ? 0x60030000 : 0x68030000) + number;
  }
};

struct Class {
  const wchar_t* name;       // clsCommon
  const wchar_t* iface;      // _clsCommon
  GUID clsid;
  GUID iid;
  std::span<const Member> members;
};

struct EnumValue {
  const wchar_t* name;
  long value;
};

struct Enumeration {
  const wchar_t* name;
  GUID guid;
  std::span<const EnumValue> values;
};

// Library attributes.
inline constexpr wchar_t kLibraryName[] = L"Kitbag";
inline constexpr GUID kLibraryId = {0x6EC21191, 0xBBDF, 0x11D4,
                                    {0x87, 0xFC, 0xC5, 0xDB, 0x81, 0x9D, 0xCD, 0x29}};
inline constexpr WORD kMajor = 1, kMinor = 0;
inline constexpr LCID kLcid = 0x0409;

// How the classes are found by clients: the registry entries and the
// side-by-side manifest say the same.
inline constexpr wchar_t kLibraryVersion[] = L"1.0";
inline constexpr wchar_t kThreadingModel[] = L"Apartment";
// The standard automation marshaler serves every dual interface described
// by the type library.
inline constexpr wchar_t kAutomationMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
// Kitbag.clsCommon, ...
std::wstring ProgIdOf(const Class& c);
// {6EC21191-BBDF-11D4-87FC-C5DB819DCD29}
std::wstring GuidText(REFGUID guid);

std::span<const Class> Classes();
std::span<const Enumeration> Enumerations();
const Class* FindClass(REFCLSID clsid);
const Class& ClassOf(ClassId id);
const Enumeration& EnumerationOf(EnumId id);

}  // namespace kb::meta
