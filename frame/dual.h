// The IUnknown and IDispatch slots at the head of every default interface.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace kb::frame::dual {

HRESULT STDMETHODCALLTYPE QueryInterface(void* This, REFIID iid, void** out);
ULONG STDMETHODCALLTYPE AddRef(void* This);
ULONG STDMETHODCALLTYPE Release(void* This);
HRESULT STDMETHODCALLTYPE GetTypeInfoCount(void* This, UINT* count);
HRESULT STDMETHODCALLTYPE GetTypeInfo(void* This, UINT index, LCID lcid, ITypeInfo** out);
HRESULT STDMETHODCALLTYPE GetIDsOfNames(void* This, REFIID iid, LPOLESTR* names, UINT count,
                                        LCID lcid, DISPID* ids);
HRESULT STDMETHODCALLTYPE Invoke(void* This, DISPID id, REFIID iid, LCID lcid, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                 UINT* argErr);

}  // namespace kb::frame::dual
