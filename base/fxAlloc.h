// Allocation helpers.
#pragma once

// size zero-filled bytes, or null when the allocation fails; free with free().
void* fxMalloc(unsigned size);

// The smallest power of two at least n; 1 for n of 1 or less. 0 when no int
// power of two is that large (n above 2^30): callers treat 0 as "too large".
int fxPower2(int n);
