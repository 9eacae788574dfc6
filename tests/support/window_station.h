// The process on a window station nobody sees, as a service or a scheduled
// task runs, for a test's scope: what the library does where no message box
// can be answered.
#pragma once

#include <windows.h>

namespace kb::support {

class HiddenWindowStation {
 public:
  HiddenWindowStation()
      : original_(::GetProcessWindowStation()),
        hidden_(::CreateWindowStationW(L"kitbag-hidden", 0, WINSTA_ALL_ACCESS, nullptr)) {
    if (hidden_) entered_ = ::SetProcessWindowStation(hidden_) != FALSE;
  }
  HiddenWindowStation(const HiddenWindowStation&) = delete;
  HiddenWindowStation& operator=(const HiddenWindowStation&) = delete;
  ~HiddenWindowStation() {
    if (entered_) ::SetProcessWindowStation(original_);
    if (hidden_) ::CloseWindowStation(hidden_);
  }

  // The process is on the station and the platform keeps it out of sight
  // (some platforms make every station visible).
  bool Hidden() const {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    return entered_ &&
           ::GetUserObjectInformationW(hidden_, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           !(flags.dwFlags & WSF_VISIBLE);
  }

 private:
  HWINSTA original_;
  HWINSTA hidden_;
  bool entered_ = false;
};

}  // namespace kb::support
