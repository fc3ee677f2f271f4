// The process-wide pseudo-random generator. It is the Windows runtime's
// linear congruential rand/srand on every platform, so draws give integers
// 0..32767 with the same sequences everywhere. Unprotected: use it from one
// thread at a time.
#pragma once

#include <cstdint>

void fxSrand(uint32_t seed);
// The next value, 0..32767.
int fxRand();

// Reseeds with the next value times the millisecond clock (32-bit product).
void fxResetRandom();
// fxRand() / 32767.0 as a float: 0..1, both ends included.
float fxGetRandom();
