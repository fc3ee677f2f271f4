#include "render/FXLight.h"

#include <gtest/gtest.h>

TEST(FXLight, DefaultsAndPresets)
{
    FXLight l;
    EXPECT_FLOAT_EQ(l.pos[2], -1);
    EXPECT_FLOAT_EQ(l.pos[3], 0);
    EXPECT_FLOAT_EQ(l.ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(l.ambient[3], 1);
    EXPECT_FLOAT_EQ(l.diffuse[1], 1);
    EXPECT_FLOAT_EQ(l.specular[0], 0);
    EXPECT_FLOAT_EQ(l.spotCutoff, 180);
    EXPECT_FALSE(l.disabled);

    l.SetDefSpecular(0.5f);
    EXPECT_FLOAT_EQ(l.pos[3], 1);
    EXPECT_FLOAT_EQ(l.spotExponent, 12);
    EXPECT_FLOAT_EQ(l.constantAtt, 0.4f);
    EXPECT_FLOAT_EQ(l.linearAtt, 0.4f);
    EXPECT_FLOAT_EQ(l.quadraticAtt, 0);
    EXPECT_FLOAT_EQ(l.ambient[3], 0.5f);
    EXPECT_FLOAT_EQ(l.diffuse[3], 0.5f);
    EXPECT_FLOAT_EQ(l.specular[3], 0.5f);
    EXPECT_FLOAT_EQ(l.pos[2], -1); // presets touch only what they name
}

TEST(FXLight, MultiColorCompounds)
{
    FXLight l;
    l.SetDefSpecular(1);
    l.MultiColorF(0.5f, 0.5f, 0.5f, 1);
    l.MultiColorF(0.5f, 0.5f, 0.5f, 1);
    EXPECT_FLOAT_EQ(l.diffuse[0], 0.25f);
    EXPECT_FLOAT_EQ(l.specular[2], 0.25f);
    EXPECT_FLOAT_EQ(l.diffuse[3], 1);
}
