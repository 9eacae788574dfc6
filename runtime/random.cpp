#include "runtime/random.h"

#include <cstdint>
#include <cstring>

#include "runtime/timer.h"

namespace kb::rt {
namespace {

constexpr uint32_t kStateMask = 0xFFFFFF;
constexpr uint32_t kMultiplier = 0x43FD43FD;
constexpr uint32_t kIncrement = 0xC39EC3;
constexpr float kStates = 16777216.0f;  // 2 to the 24th

thread_local uint32_t tState = 0x50000;

uint32_t HighWord(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return static_cast<uint32_t>(bits >> 32);
}

uint32_t BitsOf(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void Step() { tState = (tState * kMultiplier + kIncrement) & kStateMask; }

}  // namespace

void Randomize(double seed) {
  const uint32_t high = HighWord(seed);
  const uint32_t mixed = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  tState = (tState & 0xFF0000FF) | (mixed & 0x00FFFF00);
}

void Randomize() { Randomize(static_cast<double>(Timer())); }

float Rnd(float number) {
  if (number < 0) {
    const uint32_t bits = BitsOf(number);
    tState = ((bits & kStateMask) + (bits >> 24)) & kStateMask;
  }
  if (number != 0) Step();
  return static_cast<float>(tState) / kStates;
}

}  // namespace kb::rt
