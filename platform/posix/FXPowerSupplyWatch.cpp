#include "platform/posix/FXPowerSupplyWatch.h"

#include "base/fxTrace.h"
#include "platform/posix/fxPowerSupply.h"
#include "render/FXFramePacer.h"

void FXPowerSupplyWatch::Create(FXFramePacer* p)
{
    pacer = p;
    supplies = fxPowerSupplyRoot();
    nextSupply = 0;
}

void FXPowerSupplyWatch::Poll(double now)
{
    if (!pacer || now < nextSupply)
        return;
    bool first = nextSupply == 0;
    nextSupply = now + kSupplySeconds;
    bool battery = fxOnBattery(supplies);
    if (first || battery != pacer->OnBattery())
        trc("power: %s, at most %d frames a second (0: no limit)\n", battery ? "battery" : "mains",
            battery ? pacer->BatteryFps() : pacer->MainsFps());
    pacer->SetOnBattery(battery);
}
