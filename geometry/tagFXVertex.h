// tagFXVertex: the 76-byte vertex, the same bytes in memory and in mesh
// records (little-endian hosts).
#pragma once

#include <cstdint>

struct tagFXVertex {
    float pos[3];
    float norm[3];
    float tex[2];
    float col[4];     // used when the mesh's colMode is 1
    float normSum[3]; // unnormalised normal that Normalize derives norm from
    int32_t mark;     // non-zero selects the vertex for Normalize(true)
    uint32_t spare[3];
};

static_assert(sizeof(tagFXVertex) == 76, "the vertex record is 76 bytes");
