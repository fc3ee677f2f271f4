#include "package/FXPackage.h"
#include "package/FXPackageData.h"
#include "render/FXMaterial.h"
#include "support/GLDevice.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

namespace {

std::string MaterialRecord(const std::string& texRef, int colours)
{
    Bytes b;
    b.Str("glass").Str(texRef);
    for (int i = 0; i < colours * 4; ++i)
        b.Float(0.25f);
    if (colours == 4)
        b.Float(64);
    return b.s;
}

} // namespace

TEST(FXMaterial, PreservedColoursDoNotCompound)
{
    FXMaterial m;
    EXPECT_FLOAT_EQ(m.ambient[0], 0.2f);
    EXPECT_FLOAT_EQ(m.ambient[3], 0);
    EXPECT_FLOAT_EQ(m.diffuse[3], 1);
    EXPECT_FLOAT_EQ(m.shininess, 0);
    EXPECT_TRUE(m.mipmaps);

    m.SetDefSpecular1(1);
    m.PreserveCols();
    const float half[4] = {0.5f, 0.5f, 0.5f, 1};
    m.MultiCols(half);
    m.MultiCols(half);
    EXPECT_FLOAT_EQ(m.diffuse[0], 0.5f);
    EXPECT_FLOAT_EQ(m.specular[1], 0.5f);
    EXPECT_FLOAT_EQ(m.ambient[2], 0.1f);
    EXPECT_FLOAT_EQ(m.diffuse[3], 1);
}

TEST(FXMaterial, RecordsWithoutTextureAndShortRecords)
{
    FXPackage pkg;
    FXPackageData whole, shortRec;
    std::string full = MaterialRecord("", 4), part = MaterialRecord("", 1);
    whole.InitData(&full[0], static_cast<int>(full.size()));
    shortRec.InitData(&part[0], static_cast<int>(part.size()));

    FXMaterial m;
    EXPECT_TRUE(m.LoadC(&pkg, &whole));
    EXPECT_STREQ(m.name.Get(), "glass");
    EXPECT_TRUE(m.loaded);
    EXPECT_FLOAT_EQ(m.emission[1], 0.25f);
    EXPECT_FLOAT_EQ(m.shininess, 64);
    EXPECT_EQ(m.canvas.pixmap.pixels, nullptr);
    EXPECT_FALSE(m.prepared);

    FXMaterial s;
    EXPECT_TRUE(s.LoadC(&pkg, &shortRec));
    EXPECT_FLOAT_EQ(s.ambient[0], 0.25f);
    EXPECT_FLOAT_EQ(s.diffuse[0], 0.2f); // the preset where the record ends
    EXPECT_FLOAT_EQ(s.specular[0], 1);
    EXPECT_FLOAT_EQ(s.shininess, 0);
}

TEST(FXMaterial, TextureThatFailsLeavesTheMaterialUntextured)
{
    GLDevice dev;
    ASSERT_TRUE(dev.created);
    FXPackage pkg; // empty: entry 99 does not exist
    std::string rec = MaterialRecord("99", 4);
    FXPackageData data;
    data.InitData(&rec[0], static_cast<int>(rec.size()));
    FXMaterial m;
    EXPECT_FALSE(m.LoadC(&pkg, &data));
    EXPECT_FALSE(m.prepared);
    EXPECT_EQ(m.texture, 0u);
    EXPECT_STREQ(m.textureRef.Get(), "99");
    EXPECT_FLOAT_EQ(m.diffuse[0], 0.25f);

    // A canvas with pixels uploads; one without does not, and leaves nothing.
    FXCanvas c;
    ASSERT_TRUE(c.pixmap.Realloc(300, 200));
    c.pixmap.Clear(0xff0000ffu);
    EXPECT_TRUE(m.SetTexture(&c));
    EXPECT_TRUE(m.prepared);
    EXPECT_NE(m.texture, 0u);
    EXPECT_FLOAT_EQ(m.texExtentU, 300.0f / 512);
    EXPECT_FLOAT_EQ(m.texExtentV, 200.0f / 256);
    FXCanvas empty;
    EXPECT_FALSE(m.SetTexture(&empty));
    EXPECT_FALSE(m.prepared);
    EXPECT_EQ(m.texture, 0u);
}
