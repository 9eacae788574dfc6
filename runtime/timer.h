// The runtime's Timer: the seconds that have passed since midnight, local
// time, as a single-precision number with the milliseconds as its fraction.
#pragma once

namespace kb::rt {

float Timer();

}  // namespace kb::rt
