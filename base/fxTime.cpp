#include "base/fxTime.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<bool> localVirtualOn{false};
std::atomic<double> localVirtualTime{0.0};

uint64_t localSystemMillis()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

uint64_t fxGetMillis()
{
    if (localVirtualOn.load()) {
        double t = localVirtualTime.load();
        return t > 0 ? static_cast<uint64_t>(t * 1000.0) : 0;
    }
    return localSystemMillis();
}

double fxGetTime()
{
    if (localVirtualOn.load())
        return localVirtualTime.load();
    return static_cast<double>(localSystemMillis()) / 1000.0;
}

long fxSleepMillis(double s)
{
    if (!(s > 0))
        return 0;
    double ms = s * 1000.0 + 0.5;
    if (ms >= 2147483647.0)
        return 2147483647L;
    return static_cast<long>(ms);
}

void fxSleep(double s)
{
    long ms = fxSleepMillis(s);
    if (localVirtualOn.load()) {
        fxAdvanceClock(static_cast<double>(ms) / 1000.0);
        std::this_thread::yield();
        return;
    }
    fxSleepWall(s);
}

void fxSleepWall(double s)
{
    long ms = fxSleepMillis(s);
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void fxUseVirtualClock(double start)
{
    localVirtualTime.store(start);
    localVirtualOn.store(true);
}

void fxUseRealClock()
{
    localVirtualOn.store(false);
}

bool fxVirtualClockOn()
{
    return localVirtualOn.load();
}

void fxAdvanceClock(double s)
{
    double t = localVirtualTime.load();
    while (!localVirtualTime.compare_exchange_weak(t, t + s)) {
    }
}
