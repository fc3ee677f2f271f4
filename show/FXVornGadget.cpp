#include "show/FXVornGadget.h"

#include "base/FXMatrix.h"
#include "render/PEnv.h"

double FXVornGadget::rotate_dur = 8.0;
double FXVornGadget::show_dur = 4.0;

bool FXVornGadget::CreateCN(FXPackage* pkg, int labelId, int modelId)
{
    restartPending = true;
    bool modelOk = model.LoadCN(pkg, modelId);
    model.UpdateMeshes();
    bool labelOk = label.LoadTextureCN(pkg, labelId);

    desk.Create(1, 1);
    const float translucent[4] = {1.0f, 1.0f, 1.0f, 0.4f};
    desk.UpdateColCol(translucent);
    desk.mesh.colMode = 1;
    desk.SetMaterial(&label);

    showPhase.duration = show_dur;
    showPhase.loop = false;
    showPhase.pingPong = false;
    showPhase.smooth = false;
    showPhase.halfSmooth = false;
    rotatePhase.duration = rotate_dur;
    rotatePhase.loop = true;
    rotatePhase.pingPong = false;
    rotatePhase.smooth = false;
    rotatePhase.halfSmooth = false;
    return modelOk && labelOk;
}

void FXVornGadget::OnRender(PEnv* env, double t)
{
    if (!env)
        return;
    if (restartPending) {
        showPhase.Restart(t);
        rotatePhase.Restart(t);
        restartPending = false;
    }
    rotatePhase.OnRender(env, t);

    // 0.18 of the window's shorter side, in the units of each axis.
    float sx = 1.0f, sy = 1.0f;
    if (env->width > env->height)
        sx = static_cast<float>(env->height) / static_cast<float>(env->width);
    else if (env->height > 0)
        sy = static_cast<float>(env->width) / static_cast<float>(env->height);
    sx *= 0.18f;
    sy *= 0.18f;
    // A model spanning -1..+1 ends at x = 0.9 on the right, y = -0.85 below.
    float px = 0.9f - sx;
    float py = sy - 0.85f;

    FXMatrix s, m, r;
    s.SetScaleF(sx, sy, 1.0f);
    m.SetMoveF(px, py, -1.0f);
    r.SetRotateY(360.0f * rotatePhase.phase);

    env->ApplyMatrixIdentity();
    env->MultiplyMatrix(&m);
    env->MultiplyMatrix(&s);
    env->MultiplyMatrix(&r);
    if (showModel) {
        env->EnableLights(true);
        env->EnableDepthTest(true);
        env->EnableDepthWrite(true);
        // Depth only: the medallion is never hidden by what the frame holds.
        env->Clrscr(false, true, false);
        model.OnRender(env, t);
        env->EnableDepthTest(false);
        env->EnableDepthWrite(false);
    }
    env->EnableLights(false);

    FXMatrix below, strip;
    below.SetMoveF(0.0f, -0.25f, 0.0f);
    strip.SetScaleF(1.332f, 0.333f, 1.0f);
    env->ApplyMatrixIdentity();
    env->MultiplyMatrix(&m);
    env->MultiplyMatrix(&below);
    env->MultiplyMatrix(&s);
    env->MultiplyMatrix(&strip);
    desk.OnRender(env, t);
}

void FXVornGadget::Destroy()
{
    model.Destroy();
    desk.Destroy();
    label.Destroy();
}
