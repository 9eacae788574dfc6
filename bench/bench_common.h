// What the benchmark programs share: a clock, the library's objects created
// as a client creates them, and the result line run-bench looks for.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <string>

#include "frame/interfaces.h"

namespace bench {

inline double Now() {
  LARGE_INTEGER frequency, counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// An object of the registered library, early bound through its default
// interface I; null when the library is not registered.
template <class I>
I* NewObject(const wchar_t* progId) {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(progId, &clsid))) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object))))
    return nullptr;
  return reinterpret_cast<I*>(object);
}

inline kb::_clsCommon* NewCommon() { return NewObject<kb::_clsCommon>(L"Kitbag.clsCommon"); }

inline void Release(kb::_clsCommon* o) {
  if (o) o->lpVtbl->Release(o);
}

// "bench <name>: ratio 3.20 (<what>, target <target>)"
inline void Result(const char* name, double ratio, const char* what, const char* target) {
  std::printf("bench %s: ratio %.2f (%s, target %s)\n", name, ratio, what, target);
  std::fflush(stdout);
}

}  // namespace bench
