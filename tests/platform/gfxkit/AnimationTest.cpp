#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/anim/AnimationSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace
{

using namespace Platform::GfxKit;
using Platform::Gfx::InvalidCall;
using Platform::Gfx::InvalidData;
using Platform::Gfx::NoInterface;
using Platform::Gfx::Ok;
using Platform::Gfx::Result;

template <typename T>
struct ReleaseOf
{
    void operator()(T* object) const { object->Release(); }
};
template <typename T>
using Held = std::unique_ptr<T, ReleaseOf<T>>;

Held<KeyframedAnimationSet> MakeSet(const char* name, std::uint32_t playback, std::uint32_t animations,
                                    double ticks = 4800)
{
    KeyframedAnimationSet* set = nullptr;
    EXPECT_EQ(Ok, CreateKeyframedAnimationSet(name, ticks, playback, animations, 0, nullptr, &set));
    return Held<KeyframedAnimationSet>(set);
}

// One target "bone" moving from (0, 0, 0) at tick 0 to (4, 0, 0) at tick 9600 (2 s at 4800 per second).
Held<KeyframedAnimationSet> Slide(std::uint32_t playback)
{
    Held<KeyframedAnimationSet> set = MakeSet("slide", playback, 1);
    const KeyVector3 keys[] = {{0, {0, 0, 0}}, {9600, {4, 0, 0}}};
    EXPECT_EQ(Ok, set->RegisterAnimationSRTKeys("bone", 0, 0, 2, nullptr, nullptr, keys, nullptr));
    return set;
}

void ExpectNear(const Matrix& expected, const Matrix& actual, float tolerance)
{
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

Quaternion AxisAngle(Vector3 axis, float angle)
{
    Quaternion q;
    QuaternionRotationAxis(&q, &axis, angle);
    return q;
}

TEST(AnimationSetTest, PeriodPositionsAndInterpolation)
{
    Held<KeyframedAnimationSet> loop = Slide(PlaybackType::Loop);
    EXPECT_DOUBLE_EQ(2.0, loop->GetPeriod());
    EXPECT_STREQ("slide", loop->GetName());
    EXPECT_EQ(4800.0, loop->GetSourceTicksPerSecond());

    Vector3 scale, translation;
    Quaternion rotation{1, 1, 1, 1};
    ASSERT_EQ(Ok, loop->GetSRT(1.0, 0, &scale, &rotation, &translation));
    EXPECT_FLOAT_EQ(2.0f, translation.x);
    EXPECT_EQ(1.0f, scale.y); // kinds without keys are their identity
    EXPECT_EQ(0.0f, rotation.x);
    EXPECT_EQ(1.0f, rotation.w);
    ASSERT_EQ(Ok, loop->GetSRT(7.0, 0, nullptr, nullptr, &translation));
    EXPECT_EQ(4.0f, translation.x); // the last key holds after the keys
    EXPECT_EQ(InvalidCall, loop->GetSRT(0, 1, &scale, &rotation, &translation));

    struct Case
    {
        std::uint32_t playback;
        double time;
        double expected;
    };
    const Case cases[] = {
        {PlaybackType::Loop, 3.0, 1.0},     {PlaybackType::Once, 3.0, 2.0},   {PlaybackType::PingPong, 3.0, 1.0},
        {PlaybackType::Loop, -0.5, 1.5},    {PlaybackType::Once, -1.0, 0.0},  {PlaybackType::PingPong, 4.5, 0.5},
        {PlaybackType::PingPong, 1.5, 1.5}, {PlaybackType::Loop, 4.0, 0.0},
    };
    for (const Case& c : cases)
    {
        Held<KeyframedAnimationSet> set = Slide(c.playback);
        EXPECT_NEAR(c.expected, set->GetPeriodicPosition(c.time), 1e-12)
            << "playback " << c.playback << " at " << c.time;
    }

    std::uint32_t index = 7;
    const char* name = nullptr;
    EXPECT_EQ(Ok, loop->GetAnimationIndexByName("bone", &index));
    EXPECT_EQ(0u, index);
    EXPECT_NE(Ok, loop->GetAnimationIndexByName("other", &index));
    EXPECT_EQ(Ok, loop->GetAnimationNameByIndex(0, &name));
    EXPECT_STREQ("bone", name);
    // The set was made for one animation.
    const KeyVector3 key = {0, {1, 1, 1}};
    EXPECT_EQ(InvalidCall, loop->RegisterAnimationSRTKeys("more", 1, 0, 0, &key, nullptr, nullptr, nullptr));
    EXPECT_EQ(1u, loop->GetNumAnimations());
}

TEST(AnimationSetTest, RotationFollowsTheShorterArcAndKeysAtZeroGiveNoPeriod)
{
    Held<KeyframedAnimationSet> set = MakeSet("turn", PlaybackType::Loop, 2);
    const Vector3 y{0, 1, 0};
    // The second key is written as its negative: the same rotation, the shorter arc still taken.
    Quaternion end = AxisAngle(y, 1.2f);
    end = {-end.x, -end.y, -end.z, -end.w};
    const KeyQuaternion keys[] = {{0, AxisAngle(y, 0.2f)}, {480, end}};
    ASSERT_EQ(Ok, set->RegisterAnimationSRTKeys("arm", 0, 2, 0, nullptr, keys, nullptr, nullptr));
    Quaternion half;
    ASSERT_EQ(Ok, set->GetSRT(0.05, 0, nullptr, &half, nullptr));
    Quaternion expected;
    QuaternionSlerp(&expected, &keys[0].Value, &keys[1].Value, 0.5f);
    const Quaternion direct = AxisAngle(y, 0.7f);
    EXPECT_NEAR(expected.w, half.w, 1e-6);
    EXPECT_NEAR(std::fabs(direct.y), std::fabs(half.y), 1e-5);
    EXPECT_NEAR(std::fabs(direct.w), std::fabs(half.w), 1e-5);

    Held<KeyframedAnimationSet> still = MakeSet("still", PlaybackType::Loop, 1);
    const KeyVector3 atZero[] = {{0, {1, 2, 3}}};
    ASSERT_EQ(Ok, still->RegisterAnimationSRTKeys("arm", 0, 0, 1, nullptr, nullptr, atZero, nullptr));
    EXPECT_EQ(0.0, still->GetPeriod());
    for (double t : {0.0, 0.7, 123.0, -4.0})
    {
        EXPECT_EQ(0.0, still->GetPeriodicPosition(t));
    }
}

TEST(AnimationSetTest, DecomposedFrameMatrixAnimatesBackToItself)
{
    Matrix scaling, rotation, translation, frame, temp;
    MatrixScaling(&scaling, 1.5f, 0.5f, 2.0f);
    const Vector3 axis{0.3f, -1.0f, 0.6f};
    MatrixRotationAxis(&rotation, &axis, 2.1f);
    MatrixTranslation(&translation, -3, 4, 7.5f);
    MatrixMultiply(&frame, MatrixMultiply(&temp, &scaling, &rotation), &translation);

    KeyVector3 s, t;
    KeyQuaternion r;
    ASSERT_EQ(Ok, MatrixDecompose(&s.Value, &r.Value, &t.Value, &frame));
    Held<KeyframedAnimationSet> set = MakeSet("rest", PlaybackType::Once, 1, 60);
    ASSERT_EQ(Ok, set->RegisterAnimationSRTKeys("frame", 1, 1, 1, &s, &r, &t, nullptr));

    AnimationController* raw = nullptr;
    ASSERT_EQ(Ok, CreateAnimationController(1, 1, 1, 1, &raw));
    Held<AnimationController> controller(raw);
    Matrix output;
    ASSERT_EQ(Ok, controller->RegisterAnimationOutput("frame", &output, nullptr, nullptr, nullptr));
    ASSERT_EQ(Ok, controller->SetTrackAnimationSet(0, set.get()));
    ASSERT_EQ(Ok, controller->SetTrackEnable(0, true));
    ASSERT_EQ(Ok, controller->AdvanceTime(0.25, nullptr));
    ExpectNear(frame, output, 1e-5f);
}

TEST(AnimationSetTest, CompressionDropsKeysItCanRebuild)
{
    Held<KeyframedAnimationSet> set = MakeSet("walk", PlaybackType::PingPong, 2);
    std::vector<KeyVector3> line;
    for (int i = 0; i <= 10; ++i)
    {
        line.push_back({float(i * 480), {float(i), float(2 * i), -0.5f * float(i)}});
    }
    // A bend: straight to (2, 0, 0), then straight up.
    const KeyVector3 bend[] = {{0, {0, 0, 0}},   {480, {1, 0, 0}},  {960, {2, 0, 0}},
                               {1440, {2, 1, 0}}, {1920, {2, 2, 0}}};
    std::vector<KeyQuaternion> turn;
    for (int i = 0; i <= 6; ++i)
    {
        turn.push_back({float(i * 800), AxisAngle({0, 0, 1}, 0.4f * float(i))});
    }
    ASSERT_EQ(Ok, set->RegisterAnimationSRTKeys("hip", 0, 7, 11, nullptr, turn.data(), line.data(), nullptr));
    ASSERT_EQ(Ok, set->RegisterAnimationSRTKeys("knee", 5, 0, 0, bend, nullptr, nullptr, nullptr));

    ByteBuffer* data = nullptr;
    ASSERT_EQ(Ok, set->Compress(0, 0.001f, nullptr, &data));
    Held<ByteBuffer> held(data);
    CompressedAnimationSet* raw = nullptr;
    ASSERT_EQ(Ok, CreateCompressedAnimationSet(set->GetName(), set->GetSourceTicksPerSecond(), set->GetPlaybackType(),
                                               data, 0, nullptr, &raw));
    Held<CompressedAnimationSet> compressed(raw);

    EXPECT_STREQ("walk", compressed->GetName());
    EXPECT_EQ(set->GetPeriod(), compressed->GetPeriod());
    EXPECT_EQ(PlaybackType::PingPong, compressed->GetPlaybackType());
    ASSERT_EQ(2u, compressed->GetNumAnimations());
    const char* name = nullptr;
    ASSERT_EQ(Ok, compressed->GetAnimationNameByIndex(1, &name));
    EXPECT_STREQ("knee", name);
    EXPECT_EQ(2u, compressed->Animations()[0].translation.size());
    EXPECT_EQ(2u, compressed->Animations()[0].rotation.size());
    EXPECT_EQ(3u, compressed->Animations()[1].scale.size());

    for (double t = 0; t <= set->GetPeriod(); t += 0.037)
    {
        for (std::uint32_t a = 0; a < 2; ++a)
        {
            Vector3 s0, s1, t0, t1;
            Quaternion r0, r1;
            ASSERT_EQ(Ok, set->GetSRT(t, a, &s0, &r0, &t0));
            ASSERT_EQ(Ok, compressed->GetSRT(t, a, &s1, &r1, &t1));
            EXPECT_NEAR(t0.x, t1.x, 1e-4) << t;
            EXPECT_NEAR(t0.y, t1.y, 1e-4) << t;
            EXPECT_NEAR(t0.z, t1.z, 1e-4) << t;
            EXPECT_NEAR(s0.x, s1.x, 1e-4) << t;
            EXPECT_NEAR(s0.y, s1.y, 1e-4) << t;
            EXPECT_NEAR(std::fabs(r0.z), std::fabs(r1.z), 1e-4) << t;
            EXPECT_NEAR(std::fabs(r0.w), std::fabs(r1.w), 1e-4) << t;
        }
    }

    // Only key-framed sets answer to the key-framed interface.
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(NoInterface, compressed->QueryInterface(KeyframedAnimationSetId, &object));
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(Ok, compressed->QueryInterface(AnimationSetId, &object));
    EXPECT_EQ(1u, compressed->Release());
    EXPECT_EQ(Ok, set->QueryInterface(KeyframedAnimationSetId, &object));
    EXPECT_EQ(static_cast<AnimationSet*>(set.get()), object);
    EXPECT_EQ(1u, set->Release());

    for (float lossiness : {-0.1f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
    {
        ByteBuffer* refused = reinterpret_cast<ByteBuffer*>(1);
        EXPECT_EQ(InvalidCall, set->Compress(0, lossiness, nullptr, &refused));
        EXPECT_EQ(nullptr, refused);
    }
}

TEST(AnimationSetTest, DamagedCompressedDataIsRefused)
{
    Held<KeyframedAnimationSet> set = Slide(PlaybackType::Loop);
    ByteBuffer* data = nullptr;
    ASSERT_EQ(Ok, set->Compress(0, 0.02f, nullptr, &data));
    Held<ByteBuffer> good(data);
    const auto* bytes = static_cast<const std::uint8_t*>(good->GetBufferPointer());
    const std::vector<std::uint8_t> original(bytes, bytes + good->GetBufferSize());

    const auto patched = [&](std::size_t at, std::uint32_t word) {
        std::vector<std::uint8_t> copy = original;
        std::memcpy(copy.data() + at, &word, 4);
        return copy;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::uint32_t nanBits;
    std::memcpy(&nanBits, &nan, 4);
    // Layout: magic, count, name length, "bone", three counts, then the first key's time at 28.
    std::vector<std::vector<std::uint8_t>> damaged = {
        {},
        patched(0, 0x12345678u),                                       // not our magic
        patched(4, 0xFFFFFFFFu),                                       // huge animation count
        patched(8, 0x7FFFFFFFu),                                       // name longer than the block
        patched(24, 0x40000000u),                                      // huge translation key count
        patched(28, nanBits),                                          // a time that is not a number
        std::vector<std::uint8_t>(original.begin(), original.end() - 1), // cut short
    };
    damaged.push_back(original);
    damaged.back().push_back(0); // a byte left over
    for (std::size_t i = 0; i < damaged.size(); ++i)
    {
        ByteBuffer* block = nullptr;
        ASSERT_EQ(Ok, CreateBuffer(static_cast<std::uint32_t>(damaged[i].size()), &block));
        Held<ByteBuffer> held(block);
        if (!damaged[i].empty())
        {
            std::memcpy(block->GetBufferPointer(), damaged[i].data(), damaged[i].size());
        }
        CompressedAnimationSet* out = reinterpret_cast<CompressedAnimationSet*>(1);
        EXPECT_EQ(InvalidData, CreateCompressedAnimationSet("x", 4800, 0, block, 0, nullptr, &out)) << "case " << i;
        EXPECT_EQ(nullptr, out);
    }
}

class ControllerTest : public ::testing::Test
{
protected:
    Held<AnimationController> Controller(std::uint32_t outputs, std::uint32_t sets, std::uint32_t tracks)
    {
        AnimationController* controller = nullptr;
        EXPECT_EQ(Ok, CreateAnimationController(outputs, sets, tracks, 1, &controller));
        return Held<AnimationController>(controller);
    }

    static Matrix Marker(float value)
    {
        Matrix m;
        m.m[0][1] = value;
        return m;
    }
};

TEST_F(ControllerTest, TracksWriteIntoRegisteredOutputs)
{
    Held<AnimationController> controller = Controller(2, 2, 2);
    Matrix upper = Marker(7), lower = Marker(8), moved = Marker(9);
    ASSERT_EQ(Ok, controller->RegisterAnimationOutput("upper", &upper, nullptr, nullptr, nullptr));
    ASSERT_EQ(Ok, controller->RegisterAnimationOutput("lower", &lower, nullptr, nullptr, nullptr));
    EXPECT_EQ(InvalidCall, controller->RegisterAnimationOutput("third", &moved, nullptr, nullptr, nullptr));

    Held<KeyframedAnimationSet> set = MakeSet("slide", PlaybackType::Loop, 1);
    const KeyVector3 keys[] = {{0, {0, 0, 0}}, {9600, {4, 0, 0}}};
    ASSERT_EQ(Ok, set->RegisterAnimationSRTKeys("lower", 0, 0, 2, nullptr, nullptr, keys, nullptr));
    ASSERT_EQ(Ok, controller->RegisterAnimationSet(set.get()));
    EXPECT_EQ(InvalidCall, controller->RegisterAnimationSet(set.get()));
    EXPECT_EQ(2u, set->RefCount());
    ASSERT_EQ(Ok, controller->SetTrackAnimationSet(0, set.get()));
    ASSERT_EQ(Ok, controller->SetTrackEnable(0, true));
    ASSERT_EQ(Ok, controller->SetTrackWeight(0, 1));
    ASSERT_EQ(Ok, controller->SetTrackPosition(0, 0.5));
    ASSERT_EQ(Ok, controller->AdvanceTime(0, nullptr));
    Matrix expected;
    MatrixTranslation(&expected, 1, 0, 0);
    ExpectNear(expected, lower, 0);
    ExpectNear(Marker(7), upper, 0); // not animated: left as it was

    // The same name again: the writes move to the new matrix and no slot is taken.
    ASSERT_EQ(Ok, controller->RegisterAnimationOutput("lower", &moved, nullptr, nullptr, nullptr));
    ASSERT_EQ(Ok, controller->SetTrackSpeed(0, 2));
    ASSERT_EQ(Ok, controller->AdvanceTime(0.25, nullptr)); // 0.5 + 0.25 × 2 = 1.0 s
    MatrixTranslation(&expected, 2, 0, 0);
    ExpectNear(expected, moved, 0);
    MatrixTranslation(&expected, 1, 0, 0);
    ExpectNear(expected, lower, 0);

    // A clone with larger maximums drives the same outputs with the shared set.
    AnimationController* raw = nullptr;
    EXPECT_EQ(InvalidCall, controller->CloneAnimationController(1, 2, 2, 1, &raw));
    EXPECT_EQ(nullptr, raw);
    ASSERT_EQ(Ok, controller->CloneAnimationController(4, 64, 2, 1, &raw));
    Held<AnimationController> clone(raw);
    EXPECT_EQ(64u, clone->GetMaxNumAnimationSets());
    EXPECT_EQ(5u, set->RefCount()); // the caller, both controllers' registrations, both tracks
    AnimationSet* got = nullptr;
    ASSERT_EQ(Ok, clone->GetAnimationSet(0, &got));
    EXPECT_EQ(static_cast<AnimationSet*>(set.get()), got);
    got->Release();
    ASSERT_EQ(Ok, clone->SetTrackPosition(0, 1.5));
    ASSERT_EQ(Ok, clone->AdvanceTime(0, nullptr));
    MatrixTranslation(&expected, 3, 0, 0);
    ExpectNear(expected, moved, 0);

    controller.reset();
    EXPECT_EQ(3u, set->RefCount());
    ASSERT_EQ(Ok, clone->UnregisterAnimationSet(set.get()));
    EXPECT_EQ(0u, clone->GetNumAnimationSets());
    EXPECT_EQ(2u, set->RefCount()); // the track still plays it
}

TEST_F(ControllerTest, TracksOnOneOutputBlendByWeight)
{
    Held<AnimationController> controller = Controller(1, 2, 2);
    Vector3 translation;
    Quaternion rotation;
    Matrix matrix;
    ASSERT_EQ(Ok, controller->RegisterAnimationOutput("joint", &matrix, nullptr, &rotation, &translation));
    Held<KeyframedAnimationSet> first = MakeSet("a", PlaybackType::Loop, 1);
    Held<KeyframedAnimationSet> second = MakeSet("b", PlaybackType::Loop, 1);
    const KeyVector3 at0[] = {{0, {0, 0, 0}}};
    const KeyVector3 at4[] = {{0, {4, 0, 0}}};
    const KeyQuaternion turned[] = {{0, AxisAngle({0, 1, 0}, 1.0f)}};
    ASSERT_EQ(Ok, first->RegisterAnimationSRTKeys("joint", 0, 0, 1, nullptr, nullptr, at0, nullptr));
    ASSERT_EQ(Ok, second->RegisterAnimationSRTKeys("joint", 0, 1, 1, nullptr, turned, at4, nullptr));
    for (std::uint32_t track = 0; track < 2; ++track)
    {
        ASSERT_EQ(Ok, controller->SetTrackAnimationSet(track, track == 0 ? first.get() : second.get()));
        ASSERT_EQ(Ok, controller->SetTrackEnable(track, true));
    }
    ASSERT_EQ(Ok, controller->SetTrackWeight(0, 1));
    ASSERT_EQ(Ok, controller->SetTrackWeight(1, 3));
    ASSERT_EQ(Ok, controller->AdvanceTime(0, nullptr));
    EXPECT_FLOAT_EQ(3.0f, translation.x);
    const Quaternion expected = AxisAngle({0, 1, 0}, 0.75f);
    EXPECT_NEAR(expected.y, rotation.y, 1e-6);
    EXPECT_NEAR(3.0f, matrix.m[3][0], 1e-6);

    // A disabled track neither moves nor contributes.
    ASSERT_EQ(Ok, controller->SetTrackEnable(1, false));
    ASSERT_EQ(Ok, controller->AdvanceTime(1.0, nullptr));
    EXPECT_EQ(0.0f, translation.x);
    EXPECT_EQ(0.0f, rotation.y);
}

} // namespace
