#include "show/FXDemoGadget.h"

#include "base/fxRandom.h"
#include "render/PEnv.h"

namespace {

// Slowness of the motion, fixed when the gadget is built.
const double kSlowness = 2.0;
const int kPathPoints = 20;
const float kPathExtent = 0.7f;

void localSetRunning(FXPhaser* p, double duration)
{
    p->duration = duration;
    p->loop = true;
    p->pingPong = false;
    p->smooth = false;
    p->halfSmooth = false;
}

void localSetOnce(FXPhaser* p, double duration)
{
    localSetRunning(p, duration);
    p->loop = false;
}

} // namespace

FXDemoGadget::FXDemoGadget() : restartPending(false), intro(false), fading(false)
{
    for (FXMatrix& m : faceMatrix)
        m.SetIdentity();
}

void FXDemoGadget::BuildPath()
{
    path.Destroy();
    fxResetRandom();
    for (int i = 0; i < kPathPoints; ++i) {
        float r1 = fxGetRandom();
        float r2 = fxGetRandom();
        path.points.Push((2.0f * r1 - 1.0f) * kPathExtent);
        path.points.Push((2.0f * r2 - 1.0f) * kPathExtent);
        path.points.Push(0.0f);
    }
    path.closed = true;
    path.Precompute();
    path.PrecomputePhasesLenght();

    localSetRunning(&pathPhase, 320.0 * kSlowness * path.meanLength);
    localSetRunning(&spinX, 28.0 * kSlowness);
    localSetRunning(&spinY, 36.0 * kSlowness);
}

bool FXDemoGadget::BuildCube(bool faceOk, bool shellOk)
{
    shellMaterial.SetDefDiffuse(1.0f);
    shellMaterial.PreserveCols();
    faceMaterial.SetDefDiffuse(1.0f);
    faceMaterial.ChangeDarkDiffuse(0.5f);
    faceMaterial.PreserveCols();

    for (int i = 0; i < 6; ++i) {
        faces[i].Create(1, 1);
        faces[i].SetMaterial(&faceMaterial);
        shellFaces[i].Create(1, 1);
        shellFaces[i].SetMaterial(&shellMaterial);
    }

    // The unit square pushed to z = -1, then turned onto each side.
    FXMatrix mv, turn;
    mv.SetMoveF(0.0f, 0.0f, -1.0f);
    faceMatrix[0].Copy(&mv);
    turn.SetRotateY(-90.0f);
    faceMatrix[1].Multiply(&turn, &mv);
    turn.SetRotateY(90.0f);
    faceMatrix[2].Multiply(&turn, &mv);
    turn.SetRotateX(-90.0f);
    faceMatrix[3].Multiply(&turn, &mv);
    turn.SetRotateX(90.0f);
    faceMatrix[4].Multiply(&turn, &mv);
    turn.SetRotateX(180.0f);
    faceMatrix[5].Multiply(&turn, &mv);

    restartPending = true;
    intro = true;
    fading = true;
    localSetOnce(&introPhase, 15.0);
    localSetOnce(&fadePhase, 2.0);
    return faceOk && shellOk;
}

bool FXDemoGadget::CreateCN(FXPackage* pkg, int faceId, int shellId)
{
    BuildPath();
    bool shellOk = shellMaterial.LoadTextureCN(pkg, shellId);
    bool faceOk = faceMaterial.LoadTextureCN(pkg, faceId);
    return BuildCube(faceOk, shellOk);
}

bool FXDemoGadget::Create(const char* facePicture, const char* shellPicture)
{
    BuildPath();
    bool shellOk = shellMaterial.LoadTexture(shellPicture);
    bool faceOk = faceMaterial.LoadTexture(facePicture);
    return BuildCube(faceOk, shellOk);
}

void FXDemoGadget::OnRender(PEnv* env, double t)
{
    if (!env)
        return;
    if (restartPending) {
        introPhase.Restart(t);
        restartPending = false;
    }
    if (intro) {
        introPhase.OnRender(env, t);
        if (introPhase.phase >= 1.0f) {
            fadePhase.Restart(t);
            intro = false;
        }
        return;
    }
    if (fading) {
        fadePhase.OnRender(env, t);
        if (fadePhase.phase >= 1.0f)
            fading = false;
        const float factors[4] = {1.0f, 1.0f, 1.0f, fadePhase.phase};
        shellMaterial.MultiCols(factors);
        faceMaterial.MultiCols(factors);
    }

    env->EnableSphereMap(true);
    pathPhase.OnRender(env, t);
    float pos[3];
    path.GetAll(pos, pathPhase.phase);
    spinX.OnRender(env, t);
    spinY.OnRender(env, t);

    FXMatrix move, scale, rx, ry;
    move.SetMove(pos);
    scale.SetScaleF(0.3f, 0.366f, 0.3f);
    rx.SetRotateX(360.0f * spinX.phase);
    ry.SetRotateY(360.0f * spinY.phase);
    env->MultiplyMatrix(&move);
    env->MultiplyMatrix(&scale);
    env->MultiplyMatrix(&rx);
    env->MultiplyMatrix(&ry);
    FXMatrix base;
    base.Copy(&env->matrix);

    for (int i = 0; i < 6; ++i) {
        env->ApplyMatrix(&base);
        env->MultiplyMatrix(&faceMatrix[i]);
        faces[i].OnRender(env, t);
    }
    env->EnableSphereMap(false);

    // The shell, scaled about the cube's centre so that it lies just outside.
    FXMatrix enlarge, shell;
    enlarge.SetScaleF(1.001f, 1.001f, 1.001f);
    shell.Multiply(&base, &enlarge);
    for (int i = 0; i < 6; ++i) {
        env->ApplyMatrix(&shell);
        env->MultiplyMatrix(&faceMatrix[i]);
        shellFaces[i].OnRender(env, t);
    }
}

void FXDemoGadget::Destroy()
{
    path.Destroy();
    faceMaterial.Destroy();
    shellMaterial.Destroy();
    for (int i = 0; i < 6; ++i) {
        faces[i].Destroy();
        shellFaces[i].Destroy();
    }
}
