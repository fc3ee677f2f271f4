// FXTimeDiff: the time between two calls of OnTime.
#pragma once

class FXTimeDiff {
public:
    double previous; // time of the previous call, 0 before the first

    FXTimeDiff() : previous(0) {}
    // Now minus the previous call's time; the first call returns the clock.
    double OnTime();
};
