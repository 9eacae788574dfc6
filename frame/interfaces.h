// The five default interfaces as a C++ client sees them through their
// vtables (early binding), generated from frame/members.def.  Methods take the
// interface pointer first:  p->lpVtbl->cmn_AddSlash(p, &path, &ch, &result).
// The member table is read by #include between macro definitions, so the
// includes of this file keep their order.
// clang-format off
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "frame/member_macros.h"

namespace kb {

#define KB_CLASS_BEGIN(cls, iface, impl, clsid, iid)                                    \
  struct iface##Vtbl {                                                                \
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(void* This, REFIID riid, void** out);    \
    ULONG(STDMETHODCALLTYPE* AddRef)(void* This);                                       \
    ULONG(STDMETHODCALLTYPE* Release)(void* This);                                      \
    HRESULT(STDMETHODCALLTYPE* GetTypeInfoCount)(void* This, UINT* count);              \
    HRESULT(STDMETHODCALLTYPE* GetTypeInfo)(void* This, UINT index, LCID lcid,          \
                                            ITypeInfo** info);                          \
    HRESULT(STDMETHODCALLTYPE* GetIDsOfNames)(void* This, REFIID riid, LPOLESTR* names, \
                                              UINT count, LCID lcid, DISPID* ids);      \
    HRESULT(STDMETHODCALLTYPE* Invoke)(void* This, DISPID id, REFIID riid, LCID lcid,   \
                                       WORD flags, DISPPARAMS* params, VARIANT* result, \
                                       EXCEPINFO* excep, UINT* argErr);
#define KB_CLASS_END(cls)                   \
  }                                         \
  ;                                         \
  struct _##cls {                           \
    const _##cls##Vtbl* lpVtbl;             \
  };
#define KB_METHOD(number, name, body, ret, params) \
  HRESULT(STDMETHODCALLTYPE* name)(void* This KB_EACH_SIG(params) KB_RESULT_PARAM(ret));
#define KB_PROPGET(number, name, body, ret) \
  HRESULT(STDMETHODCALLTYPE* get_##name)(void* This KB_RESULT_PARAM(ret));
#define KB_PROPPUT(number, name, body, param) \
  HRESULT(STDMETHODCALLTYPE* put_##name)(void* This KB_EACH_SIG(param));
#include "frame/members.def"
#include "frame/member_undef.h"

}  // namespace kb
