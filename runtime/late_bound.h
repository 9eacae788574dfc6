// Late-bound calls on the client's objects (its forms, controls, recordsets,
// dialogs), made the way the client's runtime makes them for a variable typed
// Object: the member is looked up by name on every call and invoked through
// IDispatch with arguments passed by value.
//
// Failures become the run-time errors a client would see: a member the object
// lacks raises 438, a call on Nothing 91, a call on a variant that holds no
// object 424, a conversion failure 13 or 6, and an error the object raises
// itself keeps its own number, description and source.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <initializer_list>
#include <string_view>

#include "runtime/handles.h"
#include "runtime/variants.h"

namespace kb::rt {

// The object a variant holds (through references and the variant's own
// IUnknown), as `Set o = v` takes it: Nothing raises 91, anything that is no
// automation object 424.
ComPtr<IDispatch> ObjectOf(const VARIANT& value);
// A parameter typed Object: Nothing (or no parameter at all) raises 91.
IDispatch* Require(IDispatch* const* object);

// `x = o.Name(args)`: a property read or a function call.
Variant Get(IDispatch* object, std::wstring_view name, std::initializer_list<VARIANT> args = {});
// `o.Name = value`.
void Put(IDispatch* object, std::wstring_view name, const VARIANT& value);
// `o = value`: an assignment to the object's default member.
void PutValue(IDispatch* object, const VARIANT& value);
// `x = o(args)`: the default member with arguments, as `Controls(i)` reads
// an item of a collection.
Variant GetItem(IDispatch* object, std::initializer_list<VARIANT> args);
// `o.Name args`: a method called as a statement.
void Call(IDispatch* object, std::wstring_view name, std::initializer_list<VARIANT> args = {});

// `Set x = o.Name(args)`: a member that holds an object.
ComPtr<IDispatch> GetObjectOf(IDispatch* object, std::wstring_view name,
                              std::initializer_list<VARIANT> args = {});

// Property reads converted as the runtime converts them (below).
Bstr GetText(IDispatch* object, std::wstring_view name);
double GetDouble(IDispatch* object, std::wstring_view name);
long GetLong(IDispatch* object, std::wstring_view name);

// A value as the runtime coerces it where a number or a text is needed: an
// object gives its default member's value, Null raises 94, a text is read in
// the user's locale, anything else that is no number raises 13 and a number
// out of range 6.  Halves round to even.
Variant ValueOf(const VARIANT& value);
double ToDouble(const VARIANT& value);
long ToLong(const VARIANT& value);
short ToShort(const VARIANT& value);
// Single, as drawing coordinates take a value: beyond its range raises 6.
float ToSingle(const VARIANT& value);
// A window or other handle the client hands over as a number.
LONG_PTR ToHandleValue(const VARIANT& value);
HWND ToHwnd(const VARIANT& value);

// For Each over an object: the items of its _NewEnum, in the object's order.
// An object that cannot be enumerated raises 438.
class ForEach {
 public:
  explicit ForEach(IDispatch* collection);
  // The next item, or false at the end.
  bool Next(Variant& item);

 private:
  ComPtr<IEnumVARIANT> items_;
};

}  // namespace kb::rt
