#include "show/FXPhaser1.h"

void FXPhaser1::OnRender(PEnv* env, double t)
{
    if (autoRestart) {
        if (active && reverse)
            loop = false;
        if (!active && t - periodStart >= restartDelay) {
            loop = true;
            if (restartForward)
                reverse = false;
            Restart(t);
        }
    }
    FXPhaser::OnRender(env, t);
}

void FXPhaser1::Restart(double t)
{
    FXPhaser::Restart(t);
    loop = true;
}
