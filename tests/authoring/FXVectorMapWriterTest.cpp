#include "package/FXPackageData.h"
#include "package/FXVectorMap.h"
#include "package/PMeshSaveClb.h"
#include "support/TempFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Lets vertices share only within the same mesh.
class SameMeshOnly : public PMeshSaveClb {
public:
    bool TestRedirect(int meshA, int, int meshB, int) override { return meshA == meshB; }
};

} // namespace

TEST(FXVectorMapWriter, EqualVectorsAreStoredOnceUnlessTheCallbackRefuses)
{
    FXVectorMap m;
    const float a[3] = {1, 2, 3}, b[3] = {1, 2, 3.0001f}, zero[3] = {0, 0, 0}, negZero[3] = {-0.0f, 0, 0};
    EXPECT_EQ(m.PushVecPos(a, nullptr, 0, 0), 0);
    EXPECT_EQ(m.PushVecPos(b, nullptr, 0, 1), 1);
    EXPECT_EQ(m.PushVecPos(a, nullptr, 1, 5), 0);
    EXPECT_EQ(m.posCount, 2);
    EXPECT_EQ(m.positions.count, 6);
    EXPECT_EQ(m.posMesh.GetInt(1), 0);
    EXPECT_EQ(m.posVertex.GetInt(1), 1);

    SameMeshOnly clb;
    EXPECT_EQ(m.FindVecPos(a, &clb, 0, 9), 0);
    EXPECT_EQ(m.FindVecPos(a, &clb, 3, 9), -1);
    EXPECT_EQ(m.PushVecPos(a, &clb, 3, 9), 2);
    EXPECT_EQ(m.posMesh.GetInt(2), 3);

    EXPECT_EQ(m.PushVecNorm(zero, nullptr, 0, 0), 0);
    EXPECT_EQ(m.PushVecNorm(negZero, nullptr, 0, 1), 0); // exact float equality
    const float t[2] = {0.25f, 0.75f};
    EXPECT_EQ(m.PushVecTex(t, nullptr, 0, 0), 0);
    EXPECT_EQ(m.FindVecTex(t, nullptr, 0, 0), 0);

    const float c[3] = {7, 8, 9};
    EXPECT_TRUE(m.SetVecPos(1, c));
    EXPECT_FALSE(m.SetVecPos(3, c));
    EXPECT_FALSE(m.SetVecTex(-1, t));
    float out[3];
    ASSERT_TRUE(m.GetVecPos(1, out));
    EXPECT_EQ(out[2], 9);
}

TEST(FXVectorMapWriter, MangleIsExactlyReversibleAndRecordsRoundTrip)
{
    FXVectorMap m;
    const float vs[4][3] = {{0.1f, -7.25f, 1e30f}, {3.3f, 0, -0.0f}, {1e-38f, 2, 2}, {0.1f, 0.1f, 0.1f}};
    for (int i = 0; i < 4; ++i)
        m.PushVecPos(vs[i], nullptr, 0, i);
    const float tex[2] = {0.5f, 1};
    m.PushVecTex(tex, nullptr, 0, 0);
    std::string before(reinterpret_cast<const char*>(m.positions.items), 48);
    m.ManglePos(false);
    EXPECT_NE(std::string(reinterpret_cast<const char*>(m.positions.items), 48), before);
    m.ManglePos(true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.positions.items), 48), before);

    FILE* f = std::tmpfile();
    ASSERT_TRUE(m.Save(f));
    long n = std::ftell(f);
    std::rewind(f);
    FXVectorMap back;
    ASSERT_TRUE(back.Load(f));
    EXPECT_EQ(back.posCount, 4);
    EXPECT_EQ(back.normCount, 0);
    EXPECT_EQ(back.texCount, 1);

    // The stdio record is what LoadC reads from a package entry.
    std::string bytes(static_cast<size_t>(n), '\0');
    std::rewind(f);
    ASSERT_EQ(std::fread(&bytes[0], 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    FXPackageData d;
    d.InitData(&bytes[0], static_cast<int>(bytes.size()));
    FXVectorMap fromPackage;
    fromPackage.LoadC(nullptr, &d);
    EXPECT_EQ(fromPackage.posCount, 4);
    float out[3];
    ASSERT_TRUE(fromPackage.GetVecPos(2, out));
    EXPECT_EQ(out[0], 1e-38f);
    EXPECT_EQ(d.remaining, 0);
}
