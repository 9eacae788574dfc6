// The vtable slot of every member: the one entry through which early- and
// late-bound callers reach the member's body.
// The member table is read by #include between macro definitions, so the
// includes of this file keep their order.
// clang-format off
#include "frame/classes.h"
#include "frame/dual.h"
#include "frame/enter.h"
#include "frame/member_macros.h"
#include "calendar/routines.h"
#include "database/routines.h"
#include "editor/routines.h"
#include "files/routines.h"
#include "layout/routines.h"
#include "settings/routines.h"
#include "shell/routines.h"
#include "strings/routines.h"
#include "ui/routines.h"

namespace kb::frame {

HRESULT Fail(const ObjectBase& self, const wchar_t* member) noexcept {
  try {
    Error error = [&] {
      try {
        throw;
      } catch (const NotBuiltError&) {
        return Error::FromObject(
            E_NOTIMPL, std::wstring(member) + L" is not available in this build of Kitbag",
            kLibraryName);
      } catch (...) {
        return CurrentError();
      }
    }();
    SetErrorInfoFor(error, self.Class().iid);
    return error.Hresult();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

namespace {

#define KB_NOT_BUILT ::kb::frame::NotBuilt
#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) \
  namespace slots_##cls {                            \
  using Impl = impl;
#define KB_CLASS_END(cls) }
#define KB_METHOD(number, name, body, ret, params)                                         \
  HRESULT STDMETHODCALLTYPE name(void* This KB_EACH_SIG(params) KB_RESULT_PARAM(ret)) {    \
    return Enter<Impl>(This, L## #name, KB_RESULT_ARG(ret)[&](Impl & self) {               \
      return body(self KB_EACH_ARG(params));                                               \
    });                                                                                    \
  }
#define KB_PROPGET(number, name, body, ret)                                      \
  HRESULT STDMETHODCALLTYPE get_##name(void* This KB_RESULT_PARAM(ret)) {        \
    return Enter<Impl>(This, L## #name, kbResult, [&](Impl& self) { return body(self); }); \
  }
#define KB_PROPPUT(number, name, body, param)                                               \
  HRESULT STDMETHODCALLTYPE put_##name(void* This KB_EACH_SIG(param)) {                     \
    return Enter<Impl>(This, L## #name, [&](Impl& self) { body(self KB_EACH_ARG(param)); }); \
  }
#include "frame/members.def"
#include "frame/member_undef.h"

template <class F>
VtblEntry Entry(F* fn) {
  return reinterpret_cast<VtblEntry>(fn);
}

#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid)                                         \
  namespace vtbl_##cls {                                                                     \
  using namespace slots_##cls;                                                               \
  const VtblEntry kEntries[] = {                                                             \
      Entry(&dual::QueryInterface),   Entry(&dual::AddRef),      Entry(&dual::Release),       \
      Entry(&dual::GetTypeInfoCount), Entry(&dual::GetTypeInfo), Entry(&dual::GetIDsOfNames), \
      Entry(&dual::Invoke),
#define KB_CLASS_END(cls) \
  }                       \
  ;                       \
  }
#define KB_METHOD(number, name, body, ret, params) Entry(&name),
#define KB_PROPGET(number, name, body, ret) Entry(&get_##name),
#define KB_PROPPUT(number, name, body, param) Entry(&put_##name),
#include "frame/members.def"
#include "frame/member_undef.h"

}  // namespace

#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid) vtbl_##cls::kEntries,
const VtblEntry* const kVtables[] = {
#include "frame/members.def"
};
#include "frame/member_undef.h"

}  // namespace kb::frame
