#include "base/FXRect.h"

void FXRect::CombineOr(const FXRect* r)
{
    if (!r)
        return;
    if (r->left < left)
        left = r->left;
    if (r->top < top)
        top = r->top;
    if (r->right > right)
        right = r->right;
    if (r->bottom > bottom)
        bottom = r->bottom;
}

bool FXRect::CombineAnd(const FXRect* r)
{
    if (!r)
        return !IsEmpty();
    if (r->left > left)
        left = r->left;
    if (r->top > top)
        top = r->top;
    if (r->right < right)
        right = r->right;
    if (r->bottom < bottom)
        bottom = r->bottom;
    return !IsEmpty();
}
