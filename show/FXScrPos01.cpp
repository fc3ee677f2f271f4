#include "show/FXScrPos01.h"

#include "base/FXRect.h"
#include "render/PEnv.h"

FXScrPos01::FXScrPos01()
    : screenWidth(0), screenHeight(0), itemWidth(0), itemHeight(0), left(0), top(0), relative(false)
{
    matrix.SetIdentity();
}

bool FXScrPos01::HasSizes() const
{
    // Written as negations so that NaN sizes count as unset.
    return !(screenWidth <= 0) && !(screenHeight <= 0) && !(itemWidth <= 0) && !(itemHeight <= 0);
}

void FXScrPos01::OnRender(PEnv* env, double)
{
    if (!env)
        return;
    if (!relative) {
        env->ApplyMatrix(&matrix);
        return;
    }
    FXMatrix product;
    product.Multiply(&env->matrix, &matrix);
    env->ApplyMatrix(&product);
}

void FXScrPos01::SetPos(float x, float y)
{
    left = x;
    top = y;
    Update();
}

void FXScrPos01::ShiftPos(float fx, float fy)
{
    left += screenWidth * fx;
    top += screenHeight * fy;
    Update();
}

void FXScrPos01::Update()
{
    if (!HasSizes()) {
        matrix.SetIdentity();
        return;
    }
    FXMatrix scale, move;
    scale.SetScaleF(itemWidth / screenWidth, itemHeight / screenHeight, 1.0f);
    // The item's centre, from the screen's centre, in -1..+1 units.
    float cx = (itemWidth - screenWidth) * 0.5f + left;
    float cy = (itemHeight - screenHeight) * 0.5f + top;
    float dx = 2.0f * cx / screenWidth;
    float dy = -2.0f * cy / screenHeight;
    move.SetMoveF(dx, dy, 0.0f);
    matrix.Multiply(&move, &scale);
}

void FXScrPos01::UpdateSize()
{
    if (!HasSizes()) {
        matrix.SetIdentity();
        return;
    }
    matrix.SetScaleF(itemWidth / screenWidth, itemHeight / screenHeight, 1.0f);
}

void FXScrPos01::UpdateAspectH1(int align, float width, float height)
{
    float a = width / screenWidth;
    float b = height / screenHeight;
    float r = b / a;
    // Also false for NaN, from a missing reference size or target.
    if (!(r > 0.0f && r < 1.0f))
        return;
    FXMatrix narrow, shift, local;
    narrow.SetScaleF(r, 1.0f, 1.0f);
    float dx = align == 0 ? 0.0f : (align == 1 ? 1.0f - r : r - 1.0f);
    shift.SetMoveF(dx, 0.0f, 0.0f);
    local.Multiply(&shift, &narrow);
    matrix.Multiply(&matrix, &local);
}

void FXScrPos01::GetPixelRC(FXRect* rect, int width, int height) const
{
    if (!rect)
        return;
    if (!(screenWidth > 0) || !(screenHeight > 0)) {
        rect->SetZero();
        return;
    }
    int right = static_cast<int>(left + itemWidth);
    int bottom = static_cast<int>(top + itemHeight);
    rect->Set(static_cast<int>(width * left / screenWidth), static_cast<int>(height * top / screenHeight),
              static_cast<int>(static_cast<float>(width * right) / screenWidth),
              static_cast<int>(static_cast<float>(height * bottom) / screenHeight));
}
