#include "show/FXErrGadget.h"

#include "render/PEnv.h"

bool FXErrGadget::CreateCN(FXPackage* pkg, int id)
{
    desk.Create(1, 1);
    bool ok = picture.LoadTextureCN(pkg, id);
    Place();
    return ok;
}

bool FXErrGadget::Create()
{
    desk.Create(1, 1);
    bool ok = picture.LoadTexture("error_message.png");
    Place();
    return ok;
}

void FXErrGadget::Place()
{
    desk.SetMaterial(&picture);
    // A picture that failed has size 0, and the placement falls back to the
    // whole window.
    placement.itemWidth = picture.GetWidthF();
    placement.itemHeight = picture.GetHeightF();
    placement.screenWidth = fxglobalEnv ? static_cast<float>(fxglobalEnv->screenWidth) : 0.0f;
    placement.screenHeight = fxglobalEnv ? static_cast<float>(fxglobalEnv->screenHeight) : 0.0f;
    placement.SetPos(10.0f, 10.0f);
}

void FXErrGadget::OnRender(PEnv* env, double t)
{
    if (!enabled || !env)
        return;
    env->EnableDepthTest(false);
    env->EnableDepthWrite(false);
    env->EnableLights(false);
    placement.OnRender(env, t);
    desk.OnRender(env, t);
}

void FXErrGadget::Destroy()
{
    desk.Destroy();
    picture.Destroy();
}
