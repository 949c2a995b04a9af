// The 3D puzzle screen in the running game: the playing field's mouse by state, drags through the game
// camera, the mouse given back when a level ends or is quit during a drag, the intro flight's set-up from
// the profile, the camera pitch kept from level to level, and a frame of play.
#include "tests/game/puzzle/PuzzleScreenTesting.h"

#include "engine/Camera.h"
#include "foundation/Matrix.h"
#include "game/ScreenFader.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleScreen3D.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameManager.h"
#include "puzzle/Block.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "ui/Panel.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

using BaseLib::CPoint;
using BaseLib::CVector2;
using BaseLib::CVector3;
using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;
using namespace PuzzleScreenTesting;

// The first level of the first map ("basic/01.xml", 4 × 4) has the single block 9 at (2, 1), free to
// move one cell north.
constexpr std::int32_t kBlock = 9;
// The top of a block's pick mesh above its node.
constexpr float kBlockTop = 0.7f;

// The 3D screen with its mouse callbacks in reach, for the states the mouse cannot reach on the window
// (the root panel is hidden before "Intro" and disabled from "Outro" on).
class ProbeScreen3D : public CPuzzleScreen3D
{
public:
    using CPuzzleScreen3D::CPuzzleScreen3D;
    using CPuzzleScreen3D::OnPlayingFieldButtonDown;
    using CPuzzleScreen3D::OnPlayingFieldButtonUp;
    using CPuzzleScreen3D::OnPlayingFieldMouseMove;
};

// Stands for the 3D screen's playing field: a full-window panel whose mouse goes, as viewport points, into
// the user interface's 3D cursor, the capture held from press to release.
class CursorFieldScreen : public CQuarrowUIScreen
{
public:
    explicit CursorFieldScreen(CQuarrowUI* ui) : CQuarrowUIScreen(ui, nullptr) {}
    void Update() override {}
    void OnActivate() override
    {
        CQuarrowUIScreen::OnActivate();
        UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
        if (field == nullptr)
        {
            field = new UILib::CPanel();
            field->SetColor(BaseLib::CColor(255, 255, 255, 0));
            const BaseLib::CSize size = windows->GetLayerRoot(0)->GetSize();
            field->SetSize(size.cx, size.cy);
            field->SetOnLButtonDown(UILib::CMouseCallback::Bind(this, &CursorFieldScreen::Down));
            field->SetOnLButtonUp(UILib::CMouseCallback::Bind(this, &CursorFieldScreen::Up));
            field->SetOnMouseMove(UILib::CMouseCallback::Bind(this, &CursorFieldScreen::Move));
            windows->AddToLayer(field, 0);
        }
        field->SetVisible(true);
    }
    void OnDeactivate() override
    {
        field->SetVisible(false);
        CQuarrowUIScreen::OnDeactivate();
    }

    UILib::CPanel* field = nullptr;

private:
    CVector2 ToViewport(UILib::CWindow* window, const CPoint& point) const
    {
        const CPoint at = window->GetScreenPosition();
        return GetUserInterface()->PixelToViewport(static_cast<float>(at.x + point.x), static_cast<float>(at.y + point.y));
    }
    void Down(UILib::CWindow* window, CPoint& point)
    {
        UILib::CWindowManager::GetInstance()->SetMouseCapture(window);
        GetUserInterface()->Get3DCursor()->QueueButtonDown(ToViewport(window, point));
    }
    void Up(UILib::CWindow* window, CPoint& point)
    {
        GetUserInterface()->Get3DCursor()->QueueButtonUp(ToViewport(window, point));
        UILib::CWindowManager::GetInstance()->ReleaseMouseCapture(window);
    }
    void Move(UILib::CWindow* window, CPoint& point)
    {
        GetUserInterface()->Get3DCursor()->QueueMouseMove(ToViewport(window, point));
    }
};

class PuzzleScreen3DTest : public ::testing::Test
{
protected:
    // A smaller window than the game's default keeps the software rasteriser's frames short.
    static GameSettings Small()
    {
        GameSettings settings;
        settings.width = 640;
        settings.height = 480;
        return settings;
    }

    void Start(GameSettings settings = Small())
    {
        WithoutTutorials(settings);
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        NameStates(*game);
        for (const char* name : {"levelselection", "map", "gameresult"})
        {
            standIns[name] = new StandInScreen(&game->UI());
            game->AddScreen(name, standIns[name]);
        }
    }
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    CPuzzleScreen3D& Screen() { return *dynamic_cast<CPuzzleScreen3D*>(game->Screens().FindScreen("ingame3d")); }
    CGameCameraNode& Camera() { return *game->UI().GetCamera(); }

    // The first level of the first map started as the map starts one, the screen switched to and run
    // until the state; the flight of a level entered to be played is hurried as a click hurries it.
    ::testing::AssertionResult EnterUntil(const std::string& state)
    {
        game->PostWorldCommand("StartGame");
        game->PostWorldCommand("SetMap", "0");
        if (auto result = game->RunFrames(1); !result)
        {
            return result;
        }
        game->PostWorldCommand("SwitchToLevel", "0");
        if (auto result = game->RunFrames(1); !result)
        {
            return result;
        }
        if (!game->SwitchTo("ingame3d"))
        {
            return ::testing::AssertionFailure() << "no screen \"ingame3d\"";
        }
        if (state == "Playing")
        {
            if (auto result = game->RunUntil([&] { return PuzzleStateOf(*game) == "Intro"; }, "the intro"); !result)
            {
                return result;
            }
            Camera().SetIntroSpeed(5.0f);
        }
        return game->RunUntil([&] { return PuzzleStateOf(*game) == state; }, "the state " + state);
    }

    const CBlock& Block(std::int32_t id)
    {
        for (const CBlock* block : game->World().GetPuzzle()->GetBlocks())
        {
            if (block->GetId() == id)
            {
                return *block;
            }
        }
        throw std::runtime_error("no block " + std::to_string(id));
    }

    // The middle of the top of the block's first cell, where the scene shows it.
    CVector3 BlockTop(std::int32_t id)
    {
        GameLib::CSceneManager::NodeArray nodes;
        game->World().GetSceneManager()->GetNodesOfType(typeid(CBlockEntityNode), nodes);
        for (GameLib::CSceneGraphNode* node : nodes)
        {
            if (static_cast<CBlockEntityNode*>(node)->GetBlock()->GetId() == id)
            {
                const BaseLib::CMatrix& m = node->GetWorldTransform();
                return {m.m[3][0], m.m[3][1], m.m[3][2] + kBlockTop};
            }
        }
        ADD_FAILURE() << "no node for block " << id;
        return {};
    }

    // The window pixel where the game camera (as the last frame drew) shows a world point.
    CPoint PixelOf(const CVector3& point)
    {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(point, 1.0f), Camera().GetCamera()->viewProjection);
        const UILib::CWindow& root = *UILib::CWindowManager::GetInstance()->GetLayerRoot(0);
        const float x = (clip.x / clip.w + 1.0f) * 0.5f * static_cast<float>(root.GetSize().cx);
        const float y = (1.0f - clip.y / clip.w) * 0.5f * static_cast<float>(root.GetSize().cy);
        return game->WindowPoint(CPoint(static_cast<std::int32_t>(std::lround(x)), static_cast<std::int32_t>(std::lround(y))));
    }

    // A press on the block's top, moves carrying it (dx, dy) cells in steps, the button still down.
    ::testing::AssertionResult PressAndDrag(std::int32_t id, float dx, float dy, int steps = 1)
    {
        const CVector3 from = BlockTop(id);
        grabbedAt = from;
        if (!game->MouseMove(PixelOf(from)) || !game->RunFrames(1) || !game->MouseButton(PixelOf(from), true) ||
            !game->RunFrames(1))
        {
            return ::testing::AssertionFailure() << "the press on block " << id;
        }
        for (int step = 1; step <= steps; ++step)
        {
            const float t = static_cast<float>(step) / static_cast<float>(steps);
            // Board x runs along world +X, board y along world -Y.
            dragTo = PixelOf(from + CVector3(dx * t, -dy * t, 0.0f));
            if (!game->MouseMove(dragTo) || !game->RunFrames(1))
            {
                return ::testing::AssertionFailure() << "the drag of block " << id;
            }
        }
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult Release()
    {
        if (!game->MouseButton(dragTo, false))
        {
            return ::testing::AssertionFailure() << "the release was refused";
        }
        return game->RunFrames(1);
    }

    UILib::CWindow* Capture() const { return UILib::CWindowManager::GetInstance()->GetMouseCapture(); }

    // A click on the stand-in now current reaches it.
    void ExpectTheNextScreenTakesAClick(const char* name)
    {
        ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == name; }, name));
        EXPECT_EQ(Capture(), nullptr);
        EXPECT_FALSE(Screen().IsDragging());
        // The stand-in does not fade in as a real screen does.
        game->UI().GetFader()->SetTarget(1.0f, 0.0f);
        ASSERT_TRUE(game->RunFrames(1));
        StandInScreen& next = *standIns[name];
        const int clicks = next.clicks;
        ASSERT_TRUE(game->Click(game->CentreOf(*next.button)));
        EXPECT_EQ(next.clicks, clicks + 1) << name;
    }

    std::unique_ptr<GameHarness> game;
    std::map<std::string, StandInScreen*> standIns;
    CVector3 grabbedAt;
    CPoint dragTo;
};

TEST_F(PuzzleScreen3DTest, IsTheGamesScreenForTheThreeDimensionalRendererAndLetsTheSceneBeDrawn)
{
    Start();
    ASSERT_EQ(game->UI().GetPuzzleScreenName(), "ingame3d");
    auto* screen = dynamic_cast<CPuzzleScreen3D*>(game->Screens().FindScreen("ingame3d"));
    ASSERT_NE(screen, nullptr);
    EXPECT_FALSE(screen->HidesScene());
    EXPECT_FALSE(screen->IsDragging());
}

// With the profile's free camera (flag 0) and pitch 0.9, on the 4 × 4 board.
TEST_F(PuzzleScreen3DTest, TheIntroSetsTheCameraUpFromTheProfileAndPlayingWaitsForTheFadeAndTheFlight)
{
    Start();
    RecordingSoundDevice& sound = RecordingSoundDevice::Install();
    SaveGameOptions& options = game->AddProfile("Player").GetOptions();
    options.cameraFlag = 0;
    options.cameraValue = 0.9f;
    struct Frame
    {
        std::string state;
        bool fading;
        std::int32_t mode;
    };
    std::vector<Frame> frames;
    game->SetFrameHook([&] {
        if (game->IsRunning())
        {
            frames.push_back({PuzzleStateOf(*game), game->UI().GetFader()->IsFading(), Camera().GetMode()});
        }
    });

    ASSERT_TRUE(EnterUntil("Intro"));
    CGameCameraNode& camera = Camera();
    EXPECT_EQ(camera.GetMode(), CGameCameraNode::IntroFlight);
    EXPECT_FLOAT_EQ(camera.GetCamera()->fieldOfView, std::numbers::pi_v<float> / 4.0f);
    EXPECT_FLOAT_EQ(camera.GetMinPitch(), 0.1f);
    EXPECT_FLOAT_EQ(camera.GetBoardDistance(), 6.0f);
    EXPECT_FLOAT_EQ(camera.GetYawStep(), std::numbers::pi_v<float> / 2.0f);
    EXPECT_EQ(game->World().GetCameraAnimationName(), "animation>camera_gs_plastic_field_4x4.x");
    EXPECT_TRUE(camera.IsFlightPlaying()) << "the level's flight is loaded and playing";
    EXPECT_FALSE(camera.GetStepRotation());
    EXPECT_FLOAT_EQ(camera.GetTargetPitch(), 0.9f);
    EXPECT_EQ(sound.Count(SoundEvent::Play, "sound>camera.wav"), 1u);

    ASSERT_TRUE(game->RunUntil([&] { return PuzzleStateOf(*game) == "Playing"; }, "playing"));
    EXPECT_NEAR(camera.GetPitch(), 0.9f, 1e-3f);
    bool heldByTheFlight = false;
    for (std::size_t i = 0; i < frames.size(); ++i)
    {
        SCOPED_TRACE(i);
        if (frames[i].state == "Playing")
        {
            EXPECT_FALSE(frames[i].fading);
            EXPECT_EQ(frames[i].mode, CGameCameraNode::Orbit);
        }
        heldByTheFlight |= frames[i].state == "Intro" && !frames[i].fading && frames[i].mode != CGameCameraNode::Orbit;
    }
    EXPECT_TRUE(heldByTheFlight) << "the flight outlasts the fade, and the intro waits for it";

    // Music off: no camera sound, the flight still runs to its orbit.
    options.music = 0;
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    sound.ClearLog();
    ASSERT_TRUE(EnterUntil("Intro"));
    EXPECT_TRUE(Camera().IsFlightPlaying());
    Camera().SetIntroSpeed(5.0f);
    ASSERT_TRUE(game->RunUntil([&] { return PuzzleStateOf(*game) == "Playing"; }, "playing"));
    EXPECT_EQ(sound.Count(SoundEvent::Play, "sound>camera.wav"), 0u);
}

TEST_F(PuzzleScreen3DTest, AFrameOfPlayShowsTheSceneUnderTheHud)
{
    Start(GameSettings{});
    ASSERT_TRUE(EnterUntil("Playing"));
    ASSERT_TRUE(game->RunFrames(2));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels pixels = game->ReadFrame(width, height);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "ingame3d", width, height, pixels));
    std::size_t drawn = 0;
    for (std::uint32_t p : pixels)
    {
        drawn += (p & 0xFFFFFFu) != CQuarrowRenderer::kClearColour;
    }
    EXPECT_GE(drawn * 5, pixels.size()) << "at least a fifth of the picture is the scene or the HUD";

    // The move label's text is drawn: its rectangle holds more than one colour.
    UILib::CWindow* label = Screen().GetRootPanel()->FindChildByName("moveslabel", true, "CLabel");
    ASSERT_NE(label, nullptr);
    const BaseLib::CRect box = game->WindowPixels(*label);
    ASSERT_GT(box.right - box.left, 2);
    const std::uint32_t first = pixels[static_cast<std::size_t>(box.top * width + box.left)];
    bool varied = false;
    for (int y = box.top; y < box.bottom && y < height; ++y)
    {
        for (int x = box.left; x < box.right && x < width; ++x)
        {
            varied |= pixels[static_cast<std::size_t>(y * width + x)] != first;
        }
    }
    EXPECT_TRUE(varied) << "the move label's rectangle is uniform";
}

// Real mouse and key events through the game's own message loop; these need the display's focus alone.
class PuzzleScreen3DInputTest : public PuzzleScreen3DTest
{
protected:
    void Start(GameSettings settings = Small())
    {
        PuzzleScreen3DTest::Start(settings);
        game->FocusWindow();
        // The first click on the window only activates it.
        ASSERT_TRUE(game->Click(CPoint(4, 4)));
    }
};

TEST_F(PuzzleScreen3DInputTest, TheMouseSpeedsTheIntroUpAndReachesTheCursorOnlyWhilePlaying)
{
    Start();
    auto* probe = new ProbeScreen3D(&game->UI(), &game->World());
    game->AddScreen("ingame3d", probe);
    C3DCursor& cursor = *game->UI().Get3DCursor();
    BaseLib::CPoint point(500, 400);
    const auto expectNothingTaken = [&](const char* state) {
        SCOPED_TRACE(state);
        ASSERT_EQ(probe->GetStateName(), state);
        UILib::CWindow* field = probe->GetPlayingField();
        ASSERT_NE(field, nullptr);
        probe->OnPlayingFieldButtonDown(field, point);
        probe->OnPlayingFieldMouseMove(field, point);
        EXPECT_EQ(Capture(), nullptr);
        EXPECT_FALSE(probe->IsDragging());
        EXPECT_EQ(cursor.GetQueuedEventCount(), 0u);
        probe->OnPlayingFieldButtonUp(field, point);
        EXPECT_EQ(cursor.GetQueuedEventCount(), 0u);
    };

    // A first level creates the windows; the second entry starts in "WaitForPuzzle" with them.
    ASSERT_TRUE(EnterUntil("Playing"));
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->SwitchTo("ingame3d"));
    expectNothingTaken("WaitForPuzzle");

    // Presses during the flight make it five times faster, however many; nothing is captured or queued.
    ASSERT_TRUE(game->RunUntil([&] { return probe->GetStateName() == "Intro"; }, "the intro"));
    EXPECT_FLOAT_EQ(Camera().GetIntroSpeed(), 1.0f);
    const CPoint middle = game->CentreOf(*probe->GetPlayingField());
    for (int press = 0; press < 3; ++press)
    {
        ASSERT_TRUE(game->Click(middle));
        ASSERT_EQ(probe->GetStateName(), "Intro");
        EXPECT_FLOAT_EQ(Camera().GetIntroSpeed(), 5.0f);
        EXPECT_EQ(Capture(), nullptr);
        EXPECT_EQ(TakeGameCommands(*game), "");
    }

    // Playing, the world paused so that the commands stay in the channel: a press on the block, a move of
    // one cell north and the release become select, drag and release, with the capture held in between.
    ASSERT_TRUE(game->RunUntil([&] { return probe->GetStateName() == "Playing"; }, "playing"));
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(1));
    const BaseLib::CRectF start = Block(kBlock).GetRect();
    ASSERT_TRUE(PressAndDrag(kBlock, 0.0f, -1.0f));
    EXPECT_EQ(Capture(), probe->GetPlayingField());
    EXPECT_TRUE(probe->IsDragging());
    ASSERT_TRUE(Release());
    EXPECT_EQ(Capture(), nullptr);
    EXPECT_FALSE(probe->IsDragging());
    std::vector<GameCommand> commands;
    for (CQuarrowInputChannel& channel = game->GameCommands(); channel.HasCommands(); channel.Pop())
    {
        commands.push_back(channel.Front());
    }
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].kind, GameCommandKind::GrabBlock);
    EXPECT_EQ(commands[1].kind, GameCommandKind::MoveBlock);
    EXPECT_EQ(commands[2].kind, GameCommandKind::ReleaseBlock);
    for (const GameCommand& command : commands)
    {
        EXPECT_EQ(command.param, kBlock);
    }
    EXPECT_NEAR(commands[1].x, start.left, 0.05f);
    EXPECT_NEAR(commands[1].y, start.top - 1.0f, 0.05f);

    // Outro and ShutLevel take nothing either (the quit key starts the outro).
    game->PostWorldCommand("SetPause", "false");
    ASSERT_TRUE(game->PressKey("Escape"));
    expectNothingTaken("Outro");
    ASSERT_TRUE(game->RunUntil([&] { return probe->GetStateName() == "ShutLevel"; }, "the level shut"));
    expectNothingTaken("ShutLevel");
}

TEST_F(PuzzleScreen3DInputTest, ADragThroughTheCameraMovesTheBlockOneCell)
{
    Start();
    ASSERT_TRUE(EnterUntil("Playing"));
    const BaseLib::CRectF start = Block(kBlock).GetRect();
    ASSERT_TRUE(PressAndDrag(kBlock, 0.0f, -1.0f));
    ASSERT_TRUE(Release());
    ASSERT_TRUE(SettleBlocks(*game));
    EXPECT_FLOAT_EQ(Block(kBlock).GetRect().left, start.left);
    EXPECT_FLOAT_EQ(Block(kBlock).GetRect().top, start.top - 1.0f);
    EXPECT_EQ(game->World().GetPuzzle()->GetMoveCount(), 1);
}

// The cursor on its own: any playing field that queues its mouse into it gets the commands of a drag.
TEST_F(PuzzleScreen3DInputTest, ThePlayingFieldsMouseBecomesTheCommandsOfADragThroughTheCursor)
{
    Start();
    ASSERT_TRUE(EnterUntil("Playing"));
    game->AddScreen("cursorfield", new CursorFieldScreen(&game->UI()));
    ASSERT_TRUE(game->SwitchTo("cursorfield"));
    // Paused, the world leaves the commands in the channel.
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_EQ(TakeGameCommands(*game), "");

    const BaseLib::CRectF start = Block(kBlock).GetRect();
    ASSERT_TRUE(PressAndDrag(kBlock, 1.0f, 0.0f, 4));
    EXPECT_NE(Capture(), nullptr);
    ASSERT_TRUE(Release());
    EXPECT_EQ(Capture(), nullptr);
    std::vector<GameCommand> commands;
    for (CQuarrowInputChannel& channel = game->GameCommands(); channel.HasCommands(); channel.Pop())
    {
        commands.push_back(channel.Front());
    }
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(commands.front().kind, GameCommandKind::GrabBlock);
    EXPECT_EQ(commands.back().kind, GameCommandKind::ReleaseBlock);
    for (std::size_t i = 1; i + 1 < commands.size(); ++i)
    {
        EXPECT_EQ(commands[i].kind, GameCommandKind::MoveBlock) << i;
    }
    for (const GameCommand& command : commands)
    {
        EXPECT_EQ(command.param, kBlock);
    }
    const GameCommand& last = commands[commands.size() - 2];
    EXPECT_NEAR(last.x, start.left + 1.0f, 0.05f);
    EXPECT_NEAR(last.y, start.top, 0.05f);

    // The same commands, unpaused: the block stands one cell east.
    CQuarrowInputChannel& channel = game->GameCommands();
    for (const GameCommand& command : commands)
    {
        switch (command.kind)
        {
        case GameCommandKind::GrabBlock: channel.PushGrabBlock(command.param); break;
        case GameCommandKind::MoveBlock: channel.PushMoveBlock(command.param, command.x, command.y); break;
        case GameCommandKind::ReleaseBlock: channel.PushReleaseBlock(command.param); break;
        default: break;
        }
    }
    game->PostWorldCommand("SetPause", "false");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(SettleBlocks(*game));
    EXPECT_FLOAT_EQ(Block(kBlock).GetRect().left, start.left + 1.0f);
    EXPECT_FLOAT_EQ(Block(kBlock).GetRect().top, start.top);
    EXPECT_EQ(game->World().GetPuzzle()->GetMoveCount(), 1);
}

// The release of a drag that outlives "Playing" arrives when the screen no longer takes it; the next
// screen must get the mouse all the same.
TEST_F(PuzzleScreen3DInputTest, SolvingOrQuittingDuringADragGivesTheMouseToTheNextScreen)
{
    Start();
    // A level is solved while the button is held (the developer's skip key does it; the exit cell
    // itself counts only once the player is let go).
    ASSERT_TRUE(EnterUntil("Playing"));
    ASSERT_TRUE(PressAndDrag(kBlock, 0.0f, -0.5f));
    ASSERT_EQ(Capture(), Screen().GetPlayingField());
    game->PostWorldCommand("SetSolved");
    ASSERT_TRUE(game->RunUntil([&] { return Screen().GetStateName() == "Outro"; }, "the outro"));
    EXPECT_EQ(Capture(), nullptr) << "the capture went with \"Playing\"";
    ASSERT_TRUE(Release());
    ExpectTheNextScreenTakesAClick("gameresult");

    // The quit key during a drag.
    ASSERT_TRUE(EnterUntil("Playing"));
    ASSERT_TRUE(PressAndDrag(kBlock, 0.0f, -0.5f));
    ASSERT_EQ(Capture(), Screen().GetPlayingField());
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_EQ(Screen().GetStateName(), "Outro");
    ASSERT_TRUE(Release());
    ExpectTheNextScreenTakesAClick("levelselection");
}

// The arrow keys turn the pitch; leaving keeps it in the profile, and the next flight settles on it.
TEST_F(PuzzleScreen3DInputTest, TheCameraPitchIsKeptInTheProfileAndTheNextFlightSettlesOnIt)
{
    Start();
    const auto turnUpAndLeave = [&]() -> float {
        EXPECT_TRUE(game->PressKey("Up", 10));
        const float pitch = Camera().GetPitch();
        EXPECT_TRUE(game->PressKey("Escape"));
        EXPECT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "levelselection"; },
                                   "the level selection"));
        return pitch;
    };

    // Without a profile nothing is kept: the next flight settles on the default pitch.
    ASSERT_TRUE(EnterUntil("Playing"));
    EXPECT_NEAR(Camera().GetPitch(), 1.1f, 1e-3f);
    EXPECT_GT(turnUpAndLeave(), 1.2f);
    EXPECT_FLOAT_EQ(game->UI().GetSaveGameManager()->GetCurrentOptions().cameraValue, 1.1f);
    ASSERT_TRUE(EnterUntil("Playing"));
    EXPECT_NEAR(Camera().GetPitch(), 1.1f, 1e-3f);
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "levelselection"; },
                               "the level selection"));

    CQuarrowSaveGame& profile = game->AddProfile("Player");
    ASSERT_TRUE(EnterUntil("Playing"));
    const float turned = turnUpAndLeave();
    EXPECT_GT(turned, 1.2f);
    EXPECT_FLOAT_EQ(profile.GetOptions().cameraValue, turned);
    ASSERT_TRUE(EnterUntil("Playing"));
    EXPECT_NEAR(Camera().GetPitch(), turned, 1e-3f);
}

} // namespace
