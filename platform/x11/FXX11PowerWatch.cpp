#include "platform/x11/FXX11PowerWatch.h"

#include "base/fxTrace.h"
#include "render/FXFramePacer.h"

#include <X11/Xmd.h>
#include <X11/extensions/dpms.h>

namespace {

bool localHasDpms(Display* d)
{
    int event = 0, error = 0;
    return d && DPMSQueryExtension(d, &event, &error) && DPMSCapable(d);
}

} // namespace

void FXX11PowerWatch::Create(Display* d, FXFramePacer* p)
{
    Destroy();
    display = d;
    pacer = p;
    dpms = localHasDpms(d);
    supply.Create(p);
    nextDisplay = 0;
    trc("display state: %s; power supplies: %s\n", dpms ? "DPMS" : "no DPMS, always on", supply.Folder().c_str());
}

void FXX11PowerWatch::Destroy()
{
    if (pacer)
        pacer->SetDisplayOn(true);
    supply.Destroy();
    display = nullptr;
    pacer = nullptr;
}

bool FXX11PowerWatch::DisplayOn(Display* d)
{
    if (!localHasDpms(d))
        return true;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(d, &level, &enabled))
        return true;
    return !enabled || level == DPMSModeOn;
}

void FXX11PowerWatch::Poll(double now)
{
    if (!pacer)
        return;
    if (dpms && now >= nextDisplay) {
        nextDisplay = now + kDisplaySeconds;
        pacer->SetDisplayOn(DisplayOn(display));
    }
    supply.Poll(now);
}
