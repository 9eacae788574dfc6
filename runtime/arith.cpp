#include "runtime/arith.h"

#include <cmath>
#include <limits>

#include "runtime/errors.h"

namespace kb::rt {
namespace {

template <class T>
T Narrow(long long value) {
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
    Raise(kErrOverflow);
  return static_cast<T>(value);
}

template <class T>
T RoundToEven(double value) {
  if (std::isnan(value)) Raise(kErrOverflow);
  const double r = std::nearbyint(value);  // the default rounding mode is to nearest-even
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    Raise(kErrOverflow);
  return static_cast<T>(r);
}

}  // namespace

int16_t Add16(int16_t a, int16_t b) { return Narrow<int16_t>(static_cast<long long>(a) + b); }
int16_t Sub16(int16_t a, int16_t b) { return Narrow<int16_t>(static_cast<long long>(a) - b); }
int16_t Mul16(int16_t a, int16_t b) { return Narrow<int16_t>(static_cast<long long>(a) * b); }
int32_t Add32(int32_t a, int32_t b) { return Narrow<int32_t>(static_cast<long long>(a) + b); }
int32_t Sub32(int32_t a, int32_t b) { return Narrow<int32_t>(static_cast<long long>(a) - b); }
int32_t Mul32(int32_t a, int32_t b) { return Narrow<int32_t>(static_cast<long long>(a) * b); }

int16_t CInt(double value) { return RoundToEven<int16_t>(value); }
int32_t CLng(double value) { return RoundToEven<int32_t>(value); }

int32_t IntDiv(double dividend, double divisor) {
  const long long a = RoundToEven<int32_t>(dividend);
  const long long b = RoundToEven<int32_t>(divisor);
  if (b == 0) Raise(kErrDivisionByZero);
  return Narrow<int32_t>(a / b);  // C++ division truncates toward zero
}

}  // namespace kb::rt
