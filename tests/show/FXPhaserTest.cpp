#include "package/FXPackageData.h"
#include "show/FXPhaser.h"
#include "show/FXPhaser1.h"
#include "support/PackageBytes.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FXPhaser, NonLoopingStopsExactlyOnOne)
{
    FXPhaser p;
    p.loop = false;
    p.duration = 2;
    p.Restart(10);
    p.OnRender(nullptr, 11);
    EXPECT_EQ(p.phase, 0.5f);
    p.OnRender(nullptr, 12);
    EXPECT_EQ(p.phase, 1.0f);
    EXPECT_FALSE(p.active);
    EXPECT_TRUE(p.periodDone);
    p.OnRender(nullptr, 500);
    EXPECT_EQ(p.phase, 1.0f);

    FXPhaser back;
    back.loop = false;
    back.Restart(0);
    back.reverse = true;
    back.OnRender(nullptr, 0.25);
    EXPECT_EQ(back.phase, 0.75f);
    back.OnRender(nullptr, 1.0);
    EXPECT_EQ(back.phase, 0.0f);
    EXPECT_FALSE(back.active);
}

TEST(FXPhaser, LoopingCarriesOvershootAndSkipsLongStalls)
{
    FXPhaser p;
    p.duration = 10;
    p.Restart(0);
    p.OnRender(nullptr, 2.5);
    EXPECT_EQ(p.phase, 0.25f);
    p.OnRender(nullptr, 10.2);
    EXPECT_EQ(p.periodStart, 10.0);
    EXPECT_NEAR(p.phase, 0.02f, 1e-6f);
    p.OnRender(nullptr, 35);
    EXPECT_EQ(p.periodStart, 35.0);
    EXPECT_EQ(p.phase, 0.0f);

    // A light phaser never restarted: its first frame at an uptime far past
    // periodStart 0 starts it from 0 at that frame.
    FXPhaser light;
    light.duration = 12;
    light.OnRender(nullptr, 86400.0);
    EXPECT_EQ(light.periodStart, 86400.0);
    EXPECT_EQ(light.phase, 0.0f);
}

TEST(FXPhaser, PingPongSmoothAndShaping)
{
    FXPhaser p;
    p.duration = 15;
    p.pingPong = true;
    p.smooth = true;
    p.Restart(0);
    const double ts[] = {7.5, 15, 22.5, 30};
    const float want[] = {0.5f, 1.0f, 0.5f, 0.0f};
    for (int i = 0; i < 4; ++i) {
        p.OnRender(nullptr, ts[i]);
        EXPECT_FLOAT_EQ(p.phase, want[i]) << ts[i];
    }
    // Restart of a phaser running backwards makes it run forwards.
    p.OnRender(nullptr, 50); // the period from 30 ended at 45: backwards
    EXPECT_TRUE(p.reverse);
    EXPECT_GT(p.phase, 0.5f);
    p.Restart(50);
    EXPECT_FALSE(p.reverse);
    p.OnRender(nullptr, 51);
    EXPECT_LT(p.phase, 0.1f);

    FXPhaser s, h, c, st;
    s.smooth = true;
    h.halfSmooth = true;
    c.cubicFirst = true;
    c.nextDuration = 4;
    st.steepStart = true;
    for (FXPhaser* x : {&s, &h, &c, &st}) {
        x->Restart(0);
        x->OnRender(nullptr, 0.25);
    }
    EXPECT_EQ(s.phase, 0.15625f);
    EXPECT_EQ(h.phase, 0.203125f);
    EXPECT_EQ(c.phase, 0.015625f);
    float c12 = 0.92f;
    for (int i = 0; i < 11; ++i)
        c12 *= 0.92f;
    float d = 0.92f - 0.25f, d12 = d;
    for (int i = 0; i < 11; ++i)
        d12 *= d;
    EXPECT_EQ(st.phase, c12 - d12);
    // After the cubic first period the next one takes nextDuration.
    c.OnRender(nullptr, 1.0);
    EXPECT_FALSE(c.cubicFirst);
    EXPECT_EQ(c.duration, 4.0);
    EXPECT_EQ(c.periodStart, 4.0); // moved by the new duration, not the old

    FXPhaser env;
    env.phase = 0.75f;
    EXPECT_EQ(env.GetOnOff(0.5f, 1.0f), 0.5f);
    env.phase = 0.2f;
    EXPECT_EQ(env.GetOnOff(0.5f, 1.0f), 1.0f);
    env.phase = 1.0f;
    EXPECT_EQ(env.GetOnOff(0.5f, 1.0f), 0.0f);
}

TEST(FXPhaser, ZeroDurationNeverGivesNaN)
{
    for (int looping = 0; looping < 2; ++looping) {
        FXPhaser p;
        p.duration = 0;
        p.loop = looping != 0;
        p.pingPong = true;
        p.Restart(5);
        for (double t : {5.0, 5.0, 6.0, 100.0}) {
            p.OnRender(nullptr, t);
            ASSERT_FALSE(std::isnan(p.phase));
            ASSERT_GE(p.phase, 0.0f);
            ASSERT_LE(p.phase, 1.0f);
        }
    }
}

TEST(FXPhaser, RecordAndFileForms)
{
    Bytes b;
    b.Float(0.25f);
    double d = 7.5;
    int64_t bits;
    std::memcpy(&bits, &d, 8);
    b.Int(static_cast<int32_t>(bits & 0xffffffff)).Int(static_cast<int32_t>(bits >> 32));
    b.Raw(std::string("\x00\x01\x01\x02\x01\x00", 6)); // pingPong byte 2 is not true
    FXPackageData data;
    data.InitData(&b.s[0], static_cast<int>(b.s.size()));
    FXPhaser p;
    p.LoadC(nullptr, &data);
    EXPECT_EQ(p.phase, 0.25f);
    EXPECT_EQ(p.duration, 7.5);
    EXPECT_FALSE(p.active);
    EXPECT_TRUE(p.reverse);
    EXPECT_TRUE(p.loop);
    EXPECT_FALSE(p.pingPong);
    EXPECT_TRUE(p.smooth);
    EXPECT_FALSE(p.halfSmooth);
    EXPECT_EQ(data.remaining, 0);

    FILE* f = std::tmpfile();
    ASSERT_TRUE(p.Save(f));
    EXPECT_EQ(std::ftell(f), 18);
    std::rewind(f);
    char raw[18];
    ASSERT_EQ(std::fread(raw, 1, 18, f), 18u);
    EXPECT_EQ(std::string(raw, 18), b.s.substr(0, 12) + std::string("\x00\x01\x01\x00\x01\x00", 6));
    std::rewind(f);
    FXPhaser q;
    ASSERT_TRUE(q.Load(f));
    EXPECT_EQ(q.duration, 7.5);
    EXPECT_TRUE(q.smooth);
    EXPECT_FALSE(q.active);
    std::fclose(f);
}

TEST(FXPhaser1, RestartsItselfAfterTheDelay)
{
    FXPhaser1 p;
    p.autoRestart = true;
    p.restartDelay = 3;
    p.loop = false;
    p.duration = 1;
    p.FXPhaser::Restart(0);
    p.OnRender(nullptr, 1.0);
    EXPECT_FALSE(p.active);
    p.OnRender(nullptr, 2.0); // periodStart moved to 1; 1 s is not the delay
    EXPECT_FALSE(p.active);
    p.OnRender(nullptr, 4.5);
    EXPECT_TRUE(p.active);
    EXPECT_TRUE(p.loop);
    EXPECT_EQ(p.periodStart, 4.5);
    EXPECT_EQ(p.phase, 0.0f);
}
