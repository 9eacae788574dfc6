// The runtime's random number generator: a 24-bit linear congruential
// generator whose state is drawn as single-precision numbers from 0 up to,
// not including, 1.  Each thread has its own state, which starts the same on
// every thread, so a thread that never reseeds draws the same sequence each
// time it runs.
#pragma once

namespace kb::rt {

// Reseeds from the number: its bits replace the middle of the state, so the
// same number reached from different states still leads to different draws.
void Randomize(double seed);
// Reseeds from Timer.
void Randomize();

// Rnd as the runtime has it: a positive number (or none) draws the next
// number, zero repeats the last one drawn, a negative number restarts the
// sequence from that number's bits and draws its first number.
float Rnd(float number = 1.0f);

}  // namespace kb::rt
