// The engine's clock and sleep.
//
// fxGetTime is a monotonic millisecond clock in seconds that does not wrap
// (seconds since an arbitrary start, usually the system's). A virtual clock
// can replace it for recording and tests: then fxGetTime reads the virtual
// time and fxSleep advances it instead of sleeping.
#pragma once

#include <cstdint>

double fxGetTime();
// The same clock in whole milliseconds.
uint64_t fxGetMillis();

// Sleeps s seconds rounded to the nearest millisecond; 0 (or a value that
// rounds to no millisecond, or a negative one) yields the processor.
void fxSleep(double s);
// Sleeps s seconds of the system's time whichever clock is on: for waits
// that are no part of the show's time (a thread waiting for its work).
void fxSleepWall(double s);
// The milliseconds fxSleep sleeps for s: s * 1000 + 0.5 truncated, never
// below 0.
long fxSleepMillis(double s);

// Switches every thread to a virtual clock that starts at start seconds.
void fxUseVirtualClock(double start);
// Back to the system clock.
void fxUseRealClock();
bool fxVirtualClockOn();
// Moves the virtual clock forward by s seconds; nothing on the real clock.
void fxAdvanceClock(double s);
