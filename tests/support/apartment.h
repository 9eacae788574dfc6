// Joins the calling thread to a single-threaded apartment for a test's life,
// as the client's UI thread is: pictures and the library's objects expect it.
#pragma once

#include <objbase.h>

namespace kb::support {

class Apartment {
 public:
  Apartment() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace kb::support
