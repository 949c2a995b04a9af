// The orbit camera: its angles and pose, the board's place and distance, the orbit under the camera
// keys, and the intro flight that ends in the orbit.
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/FocusCameraNode.h"

#include "NodeTesting.h"
#include "engine/Camera.h"
#include "framework/InputManager.h"
#include "platform/input/KeyCodes.h"
#include "tests/framework/FakeInputDevice.h"
#include "tests/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>
#include <unistd.h>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using NodeTesting::NodePtr;

constexpr float kPi = std::numbers::pi_v<float>;

CVector3 Row(const CMatrix& m, int row)
{
    return {m.m[row][0], m.m[row][1], m.m[row][2]};
}

void ExpectNear(const CVector3& expected, const CVector3& actual, float tolerance)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

// The smallest turn that takes angle a onto b.
float AngleBetween(float a, float b)
{
    return std::remainder(b - a, 2.0f * kPi);
}

// A Z-up focus camera with wide pitch limits, 5 units from (2, -3, 1).
NodePtr<CFocusCameraNode> ZUpCamera()
{
    NodePtr<CFocusCameraNode> camera(new CFocusCameraNode());
    camera->SetUpAxis(CVector3(0.0f, 0.0f, 4.0f));
    camera->SetDistance(5.0f);
    camera->SetPitch(0.0f);
    camera->SetFocusPoint(CVector3(2.0f, -3.0f, 1.0f));
    return camera;
}

TEST(FocusCameraNodeTest, StartsYUpAtDistanceOneTakingTheNodesUpVector)
{
    NodePtr<CFocusCameraNode> camera(new CFocusCameraNode());
    ExpectNear(CVector3(0.0f, 1.0f, 0.0f), camera->GetUpAxis(), 0.0f);
    EXPECT_FLOAT_EQ(-kPi / 2.0f, camera->GetMinPitch());
    EXPECT_FLOAT_EQ(kPi / 2.0f, camera->GetMaxPitch());
    EXPECT_EQ(1.0f, camera->GetDistance());
    EXPECT_TRUE(camera->GetUseNodeUpVector());
    EXPECT_TRUE(camera->IsKindOf(typeid(GameLib::CCameraNode)));
    camera->SetUpAxis(CVector3(0.0f, 0.0f, 4.0f));
    ExpectNear(CVector3(0.0f, 0.0f, 1.0f), camera->GetUpAxis(), 0.0f);
}

// With Z up: yaw 0 looks along -Y, a quarter turn along +X; the pitch looks down.
TEST(FocusCameraNodeTest, AnglesPointTheCameraAsTheyAreDefined)
{
    struct Case
    {
        float yaw, pitch;
        CVector3 forward, right;
    };
    const float c = std::cos(1.1f), s = std::sin(1.1f);
    const Case cases[] = {
        {0.0f, 0.0f, {0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}},
        {kPi / 2.0f, 0.0f, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}},
        {-kPi / 2.0f, 0.0f, {-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}},
        {0.0f, 1.1f, {0.0f, -c, -s}, {1.0f, 0.0f, 0.0f}},
        {kPi, 1.1f, {0.0f, c, -s}, {-1.0f, 0.0f, 0.0f}},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(testing::Message() << "yaw " << k.yaw << " pitch " << k.pitch);
        NodePtr<CFocusCameraNode> camera = ZUpCamera();
        camera->SetPitch(k.pitch);
        camera->SetYaw(k.yaw);
        const CMatrix& pose = camera->GetLocalTransform();
        ExpectNear(k.forward, Row(pose, 2), 1e-5f);
        ExpectNear(k.right, Row(pose, 0), 1e-5f);
        // The pose is a rotation: right = up x forward.
        ExpectNear(Row(pose, 0), Row(pose, 1).Cross(Row(pose, 2)), 1e-5f);
        ExpectNear(CVector3(2.0f, -3.0f, 1.0f), camera->GetFocusPoint(), 1e-5f);
        ExpectNear(CVector3(2.0f, -3.0f, 1.0f) - k.forward * 5.0f, Row(pose, 3), 1e-4f);
    }
}

TEST(FocusCameraNodeTest, YawAndPitchReadBackWhatWasSetAndKeepTheFocus)
{
    for (float yaw : {-kPi / 2.0f, 0.0f, 0.3f, kPi / 2.0f, 3.0f})
    {
        for (float pitch : {0.0f, 0.67f, 1.1f, 1.5f})
        {
            SCOPED_TRACE(testing::Message() << "yaw " << yaw << " pitch " << pitch);
            NodePtr<CFocusCameraNode> camera = ZUpCamera();
            camera->SetYaw(yaw);
            camera->SetPitch(pitch);
            EXPECT_NEAR(yaw, camera->GetYaw(), 1e-4f);
            EXPECT_NEAR(pitch, camera->GetPitch(), 1e-4f);
            camera->RotateYaw(0.25f);
            camera->RotatePitch(-0.25f);
            EXPECT_NEAR(0.0f, AngleBetween(yaw + 0.25f, camera->GetYaw()), 1e-4f);
            EXPECT_NEAR(pitch - 0.25f, camera->GetPitch(), 1e-4f);
            ExpectNear(CVector3(2.0f, -3.0f, 1.0f), camera->GetFocusPoint(), 1e-4f);
        }
    }
}

TEST(FocusCameraNodeTest, PitchStaysWithinItsLimits)
{
    NodePtr<CFocusCameraNode> camera = ZUpCamera();
    camera->SetPitchLimits(0.67f, 1.5f);
    camera->SetPitch(3.0f);
    EXPECT_NEAR(1.5f, camera->GetPitch(), 1e-5f);
    camera->RotatePitch(-10.0f);
    EXPECT_NEAR(0.67f, camera->GetPitch(), 1e-5f);
}

// Rounding puts the dot product of two unit vectors just above 1 for a camera looking level; an arc
// cosine of that is not a number. Tilted up axes and a frame whose rows are not quite of unit length
// show it.
TEST(FocusCameraNodeTest, ALevelCameraHasPitchZeroNotANumber)
{
    for (const CVector3& axis :
         {CVector3(0.3f, 0.1f, 1.0f), CVector3(1.0f, 1.0f, 1.0f), CVector3(0.0f, 0.0f, 1.0f)})
    {
        SCOPED_TRACE(testing::Message() << "up " << axis.x << " " << axis.y << " " << axis.z);
        NodePtr<CFocusCameraNode> camera(new CFocusCameraNode());
        camera->SetUpAxis(axis);
        for (int i = 0; i < 2000; ++i)
        {
            const float yaw = -3.1f + static_cast<float>(i) * 0.0031f;
            camera->SetLocalTransform(camera->BuildOrientation(yaw, 0.0f));
            ASSERT_NEAR(0.0f, camera->GetPitch(), 1e-3f) << "yaw " << yaw;
            ASSERT_FALSE(std::isnan(camera->GetYaw())) << "yaw " << yaw;
        }
    }
    NodePtr<CFocusCameraNode> camera(new CFocusCameraNode());
    camera->SetUpAxis(CVector3(0.0f, 0.0f, 1.0f));
    // Right, up, forward and position of a level camera as an animation frame may hold it.
    camera->SetLocalTransform(CMatrix({1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0000001f, 0.0f},
                                      {0.0f, -1.0000001f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(0.0f, camera->GetPitch());
    EXPECT_EQ(0.0f, camera->GetYaw());
}

TEST(GameCameraNodeTest, StartsIdleWithItsOrbitValues)
{
    NodePtr<CGameCameraNode> camera(CGameCameraNode::Create(nullptr, nullptr));
    EXPECT_EQ(CGameCameraNode::Idle, camera->GetMode());
    EXPECT_TRUE(camera->GetStepRotation());
    EXPECT_EQ(1.0f, camera->GetTargetPitch());
    EXPECT_FLOAT_EQ(kPi / 2.0f, camera->GetYawStep());
    EXPECT_EQ(4.0f, camera->GetYawSpeed());
    EXPECT_EQ(9.0f, camera->GetBoardDistance());
    EXPECT_TRUE(camera->IsKindOf(typeid(CFocusCameraNode)));
    EXPECT_FALSE(camera->Update(0.1f)) << "idle does nothing";

    camera->ResetForIntro();
    const Qen::CCamera& lens = *camera->GetCamera();
    EXPECT_FLOAT_EQ(kPi / 4.0f, lens.fieldOfView);
    EXPECT_EQ(200.0f, lens.farDistance);
    ExpectNear(CVector3(0.0f, 0.0f, 1.0f), camera->GetUpAxis(), 0.0f);
    EXPECT_EQ(0.1f, camera->GetMinPitch());
    EXPECT_EQ(1.5f, camera->GetMaxPitch());
    EXPECT_EQ(9.0f, camera->GetDistance());
}

// Every board's middle is (2.5, -2.5); the orbit distance is 1.5 per cell of the shorter side; the far
// plane keeps the whole board (with its ring of exits) in view.
TEST(GameCameraNodeTest, BoardSizeGivesFocusYawStepDistanceAndFarPlane)
{
    struct Case
    {
        int w, h;
        float yawStep, distance, farAtLeast;
    };
    const Case cases[] = {
        {6, 6, kPi / 2.0f, 9.0f, 100.0f},
        {8, 6, kPi, 9.0f, 100.0f},
        {4, 4, kPi / 2.0f, 6.0f, 100.0f},
        {1, 1, kPi / 2.0f, 1.5f, 100.0f},
        {7, 5, kPi, 7.5f, 100.0f},
        {43, 43, kPi / 2.0f, 64.5f, 100.0f},
        {1000, 6, kPi, 9.0f, 512.0f}, // the board's ends lie 500 units from its middle
        {1000, 1000, kPi / 2.0f, 1500.0f, 2210.0f},
        {0, 0, kPi / 2.0f, 1.5f, 100.0f}, // the empty level a failed load leaves
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(testing::Message() << k.w << " x " << k.h);
        NodePtr<CGameCameraNode> camera(CGameCameraNode::Create(nullptr, nullptr));
        camera->SetBoardSize(k.w, k.h);
        camera->ResetForIntro();
        ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusTarget(), 0.0f);
        EXPECT_FLOAT_EQ(k.yawStep, camera->GetYawStep());
        EXPECT_FLOAT_EQ(k.distance, camera->GetBoardDistance());
        camera->SetMode(CGameCameraNode::Orbit);
        const float far = camera->GetCamera()->farDistance;
        EXPECT_GE(far, k.farAtLeast);
        if (k.farAtLeast == 100.0f)
        {
            EXPECT_EQ(100.0f, far) << "boards up to 43 cells a side keep the far plane at 100";
        }
        EXPECT_LT(k.distance, far);
        ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusPoint(), 1e-3f);
        EXPECT_EQ(0.67f, camera->GetMinPitch());
    }
}

TEST(GameCameraNodeTest, TargetPitchFromASavedGameStaysWithinTheOrbit)
{
    NodePtr<CGameCameraNode> camera(CGameCameraNode::Create(nullptr, nullptr));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, float> cases[] = {{1.1f, 1.1f},   {0.67f, 0.67f}, {5.0f, 1.5f}, {0.0f, 0.67f},
                                             {-3.0f, 0.67f}, {nan, 1.1f},    {inf, 1.1f},  {-inf, 1.1f}};
    for (const auto& [given, kept] : cases)
    {
        camera->SetTargetPitch(given);
        EXPECT_EQ(kept, camera->GetTargetPitch()) << given;
    }
}

// A camera in orbit over a board, turned by a scripted keyboard through the game's camera bindings.
class CameraOrbitTest : public testing::Test
{
protected:
    void SetUp() override
    {
        input.CreateKeyboard(&keyboard);
        for (const auto& [action, key, value] : {std::tuple{"camera_vertical", "keyboard:up.held", 1.0f},
                                                 {"camera_vertical", "keyboard:down.held", -1.0f},
                                                 {"camera_horizontal", "keyboard:left.held", -1.0f},
                                                 {"camera_horizontal", "keyboard:right.held", 1.0f}})
        {
            ASSERT_TRUE(input.ParseBinding(key, action, value, "gui"));
        }
        Board(6, 6);
    }

    void Board(int w, int h)
    {
        camera.reset(CGameCameraNode::Create(nullptr, &input));
        camera->ResetForIntro();
        camera->SetBoardSize(w, h);
        camera->SetTargetPitch(1.1f);
        camera->SetMode(CGameCameraNode::Orbit);
        camera->SetPitch(1.1f);
    }

    // One frame: the keys as given, the input update, the camera's update.
    bool Frame(std::initializer_list<Platform::Input::KeyCode> held, float dt = 1.0f / 60.0f)
    {
        for (Platform::Input::KeyCode key : {Platform::Input::KeyUp, Platform::Input::KeyDown,
                                             Platform::Input::KeyLeft, Platform::Input::KeyRight})
        {
            keyboard.SetKey(key, false);
        }
        for (Platform::Input::KeyCode key : held)
        {
            keyboard.SetKey(key, true);
        }
        input.Update(dt);
        return camera->Update(dt);
    }

    InputTest::FakeInputDevice keyboard{256};
    GameLib::CInputManager input;
    NodePtr<CGameCameraNode> camera;
};

TEST_F(CameraOrbitTest, PitchKeysTurnOneRadianPerSecondWithinTheOrbitLimits)
{
    const float start = camera->GetPitch();
    EXPECT_TRUE(Frame({Platform::Input::KeyUp}, 0.1f));
    EXPECT_NEAR(start + 0.1f, camera->GetPitch(), 1e-4f);
    float lowest = 10.0f, highest = -10.0f;
    for (int frame = 0; frame < 300; ++frame)
    {
        Frame({Platform::Input::KeyUp});
        lowest = std::min(lowest, camera->GetPitch());
        highest = std::max(highest, camera->GetPitch());
    }
    for (int frame = 0; frame < 300; ++frame)
    {
        Frame({Platform::Input::KeyDown});
        lowest = std::min(lowest, camera->GetPitch());
        highest = std::max(highest, camera->GetPitch());
    }
    EXPECT_NEAR(1.5f, highest, 1e-4f);
    EXPECT_NEAR(0.67f, lowest, 1e-4f);
    EXPECT_NEAR(0.67f, camera->GetPitch(), 1e-4f);
    ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusPoint(), 1e-3f);
    EXPECT_FALSE(Frame({})) << "nothing held, nothing turns";
}

TEST_F(CameraOrbitTest, OneStepTurnsAQuarterOnSquareBoardsAndIgnoresPressesUnderWay)
{
    const float start = camera->GetYaw();
    const float dt = 1.0f / 60.0f;
    EXPECT_TRUE(Frame({Platform::Input::KeyRight}, dt));
    int frames = 1;
    bool pressedAgain = false;
    while (camera->GetPendingYaw() != 0.0f && frames < 100)
    {
        // A second press half-way changes nothing.
        const bool press = frames == 10;
        pressedAgain = pressedAgain || press;
        press ? Frame({Platform::Input::KeyRight}, dt) : Frame({}, dt);
        ++frames;
    }
    EXPECT_TRUE(pressedAgain);
    EXPECT_NEAR(kPi / 2.0f, AngleBetween(start, camera->GetYaw()), 1e-3f);
    EXPECT_NEAR(0.39f, static_cast<float>(frames) * dt, 0.02f);
    EXPECT_FALSE(Frame({}, dt));
    EXPECT_NEAR(1.1f, camera->GetPitch(), 1e-4f);
    ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusPoint(), 1e-3f);

    Frame({Platform::Input::KeyLeft}, dt);
    for (int frame = 0; frame < 60; ++frame)
    {
        Frame({}, dt);
    }
    EXPECT_NEAR(0.0f, AngleBetween(start, camera->GetYaw()), 1e-3f) << "left turns back";
}

TEST_F(CameraOrbitTest, OneStepTurnsHalfWayOnOtherBoards)
{
    Board(8, 6);
    const CVector3 forward = Row(camera->GetLocalTransform(), 2);
    Frame({Platform::Input::KeyRight});
    for (int frame = 0; frame < 120; ++frame)
    {
        Frame({});
    }
    const CVector3 turned = Row(camera->GetLocalTransform(), 2);
    ExpectNear(CVector3(-forward.x, -forward.y, forward.z), turned, 1e-3f);
    EXPECT_EQ(0.0f, camera->GetPendingYaw());
}

TEST_F(CameraOrbitTest, ContinuousModeTurnsOneRadianPerSecond)
{
    camera->SetStepRotation(false);
    const float start = camera->GetYaw();
    for (int frame = 0; frame < 60; ++frame)
    {
        EXPECT_TRUE(Frame({Platform::Input::KeyRight}));
    }
    EXPECT_NEAR(1.0f, AngleBetween(start, camera->GetYaw()), 1e-3f);
    EXPECT_FALSE(Frame({}));
    EXPECT_NEAR(1.0f, AngleBetween(start, camera->GetYaw()), 1e-3f) << "stops when the key is let go";
}

// The intro on the committed camera flights.
class CameraIntroTest : public MediaTesting::MediaFixture
{
protected:
    NodePtr<CGameCameraNode> StartIntro(const std::string& flight, float targetPitch, int w = 6, int h = 6)
    {
        NodePtr<CGameCameraNode> camera(CGameCameraNode::Create(&controller, nullptr));
        camera->ResetForIntro();
        camera->SetBoardSize(w, h);
        if (!flight.empty())
        {
            camera->LoadCameraAnimation(flight);
        }
        camera->SetTargetPitch(targetPitch);
        camera->SetMode(CGameCameraNode::IntroFlight);
        return camera;
    }

    struct Run
    {
        int flightFrames = 0;
        int frames = 0;
    };

    // Frames of 1/60 s until the orbit takes over (at most 60 s).
    static Run RunIntro(CGameCameraNode& camera, float introSpeed = 1.0f)
    {
        Run run;
        camera.SetIntroSpeed(introSpeed);
        while (camera.GetMode() == CGameCameraNode::IntroFlight && run.frames < 3600)
        {
            run.flightFrames += camera.IsFlightPlaying();
            EXPECT_TRUE(camera.Update(1.0f / 60.0f));
            ++run.frames;
        }
        return run;
    }
};

TEST_F(CameraIntroTest, TheFlightEndsInTheOrbitOnTheBoardsMiddleAtTheTargetPitch)
{
    for (const auto& [w, h, board] :
         {std::tuple{6, 6, "field_6x6"}, {8, 6, "field_8x6"}, {4, 4, "field_4x4"}})
    {
        SCOPED_TRACE(board);
        NodePtr<CGameCameraNode> camera =
            StartIntro(std::string("animation>camera_jungle_") + board + ".x", 0.9f, w, h);
        EXPECT_TRUE(camera->IsFlightPlaying());
        EXPECT_EQ(1.0f, camera->GetIntroSpeed());
        const Run run = RunIntro(*camera);
        ASSERT_EQ(CGameCameraNode::Orbit, camera->GetMode());
        // The flight lasts 3 s; the glide from its last pose onto pitch 0.9 takes a few frames more.
        EXPECT_NEAR(180, run.flightFrames, 2);
        EXPECT_GT(run.frames, run.flightFrames);
        ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusPoint(), 1e-4f);
        EXPECT_NEAR(0.9f, camera->GetPitch(), 1e-4f);
        EXPECT_FLOAT_EQ(camera->GetBoardDistance(), camera->GetDistance());
        EXPECT_NEAR(camera->GetBoardDistance(),
                    (Row(camera->GetLocalTransform(), 3) - CVector3(2.5f, -2.5f, 0.0f)).Length(), 1e-3f);
        EXPECT_EQ(100.0f, camera->GetCamera()->farDistance);
    }
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

TEST_F(CameraIntroTest, AClickDuringTheIntroPlaysTheFlightFiveTimesFaster)
{
    NodePtr<CGameCameraNode> normal = StartIntro("animation>camera_gs_plastic_field_6x6.x", 1.1f);
    NodePtr<CGameCameraNode> fast = StartIntro("animation>camera_gs_plastic_field_6x6.x", 1.1f);
    const Run slow = RunIntro(*normal);
    const Run quick = RunIntro(*fast, 5.0f);
    EXPECT_EQ(CGameCameraNode::Orbit, fast->GetMode());
    EXPECT_NEAR(static_cast<float>(slow.flightFrames) / 5.0f, static_cast<float>(quick.flightFrames), 1.0f);
}

// A level without a flight, or with one that does not move, still reaches the orbit; so do saved pitches
// outside the orbit's limits.
TEST_F(CameraIntroTest, MissingOrEmptyFlightsAndDamagedPitchesStillReachTheOrbit)
{
    // The committed flight's frames without its animation.
    std::ifstream in(MediaTesting::MediaFolder() / "animations" / "camera_jungle_field_6x6.x");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text = text.substr(0, text.find("AnimationSet"));
    const std::string still = testing::TempDir() + "quarrow_still_flight_" + std::to_string(getpid()) + ".x";
    std::ofstream(still) << text;

    struct Case
    {
        std::string flight;
        float savedPitch, settles;
    };
    const Case cases[] = {
        {"", 1.1f, 1.1f},
        {still, 0.8f, 0.8f},
        {"animation>camera_jungle_field_6x6.x", std::numeric_limits<float>::quiet_NaN(), 1.1f},
        {"animation>camera_jungle_field_6x6.x", 5.0f, 1.5f},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(k.flight + " " + std::to_string(k.savedPitch));
        NodePtr<CGameCameraNode> camera = StartIntro(k.flight, k.savedPitch);
        if (k.flight.empty() || k.flight == still)
        {
            EXPECT_FALSE(camera->IsFlightPlaying());
        }
        const Run run = RunIntro(*camera);
        EXPECT_EQ(CGameCameraNode::Orbit, camera->GetMode());
        EXPECT_LT(run.frames, 3600);
        EXPECT_NEAR(k.settles, camera->GetPitch(), 1e-4f);
        ExpectNear(CVector3(2.5f, -2.5f, 0.0f), camera->GetFocusPoint(), 1e-4f);
    }
    std::remove(still.c_str());
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

} // namespace
