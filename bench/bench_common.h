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

// A clsCommon object of the registered library, early bound; null when the
// library is not registered.
inline kb::_clsCommon* NewCommon() {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(L"Kitbag.clsCommon", &clsid))) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object))))
    return nullptr;
  return reinterpret_cast<kb::_clsCommon*>(object);
}

inline void Release(kb::_clsCommon* o) {
  if (o) o->lpVtbl->Release(o);
}

// "bench <name>: ratio 3.20 (<what>, target <target>)"
inline void Result(const char* name, double ratio, const char* what, const char* target) {
  std::printf("bench %s: ratio %.2f (%s, target %s)\n", name, ratio, what, target);
  std::fflush(stdout);
}

}  // namespace bench
