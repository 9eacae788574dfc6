// Checked arithmetic on the runtime's 16- and 32-bit integers, and the
// conversions of reals to integers, as the language runtime performs them:
// results out of range raise error 6, halves round to even.
#pragma once

#include <cstdint>

namespace kb::rt {

// Integer (16-bit) and Long (32-bit) arithmetic with the overflow check.
int16_t Add16(int16_t a, int16_t b);
int16_t Sub16(int16_t a, int16_t b);
int16_t Mul16(int16_t a, int16_t b);
int32_t Add32(int32_t a, int32_t b);
int32_t Sub32(int32_t a, int32_t b);
int32_t Mul32(int32_t a, int32_t b);

// Real to integer conversion: round half to even, error 6 when out of range.
int16_t CInt(double value);
int32_t CLng(double value);

// Integer division "\": both operands are first rounded to whole numbers
// (halves to even), then the quotient is truncated toward zero.  Division by
// zero raises error 11; a quotient outside the 32-bit range raises error 6.
int32_t IntDiv(double dividend, double divisor);

// `For i = first To last` over an Integer (16-bit) counter: the body runs
// for first, first + 1, ... last, and not at all when first > last.  The
// bounds are 16-bit already, so the counter never leaves their range.
template <class Body>
void ForInteger(int16_t first, int16_t last, Body&& body) {
  if (first > last) return;
  for (int16_t i = first;; ++i) {
    body(i);
    if (i == last) return;
  }
}

}  // namespace kb::rt
