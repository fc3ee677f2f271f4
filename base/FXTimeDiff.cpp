#include "base/FXTimeDiff.h"

#include "base/fxTime.h"

double FXTimeDiff::OnTime()
{
    double now = fxGetTime();
    double d = now - previous;
    previous = now;
    return d;
}
