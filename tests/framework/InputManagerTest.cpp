#include "framework/InputManager.h"

#include "FakeInputDevice.h"
#include "platform/input/KeyCodes.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace InputTest;
using GameLib::CInputCondition;
using GameLib::CInputManager;

std::string Message(const std::string& term, const std::string& rest)
{
    return "Error: InputManager Condition '" + term + "' - " + rest + "\n";
}

// Every term with the condition it gives, or the trace it gives when refused (kind 0).
TEST(InputManagerParseTest, TermsGiveTheirConditionsOrTheirMessage)
{
    const std::string operators = "unknown comparison operator; must be <, >, <=, >=, == or !=";
    struct Case
    {
        std::string term;
        CInputCondition expected; // device, kind, button, axis, threshold, value 0
        std::string message;
    } cases[] = {
        {"gamepad0:axis0.value>+0.5", {2, 7, -1, 0, 0.5f, 0}, ""},
        {"gamepad0:axis1.value=-1", {2, 9, -1, 1, -1.0f, 0}, ""},
        {"joystick1:axis1.value!=x", {3, 10, -1, 1, 0.0f, 0}, ""},
        {"gamepad0:axis1.value==2", {2, 9, -1, 1, 2.0f, 0}, ""},
        {"gamepad0:axis1.value<>1", {2, 11, -1, 1, 0.0f, 0}, ""},
        {"gamepad3:slider2.value<=0.25", {5, 12, -1, 7, 0.25f, 0}, ""},
        {"gamepad2:ry.value>=1e-1", {4, 8, -1, 4, 0.1f, 0}, ""},
        {"gamepad0:axis1.value~1", {2, 0, -1, 1, 1.0f, 0}, operators},
        {"gamepad0:axis1.value", {2, 0, -1, 1, 0, 0}, operators},
        {"keyboard:return.down", {0, 2, 6, -1, 0, 0}, ""},
        {"keyboard:numpadslash.repeatevent", {0, 3, 85, -1, 0, 0}, ""},
        {"keyboard:ralt.notheld", {0, 6, 125, -1, 0, 0}, ""},
        {"keyboard:0.up", {0, 1, 40, -1, 0, 0}, ""},
        {"keyboard:return",
         {0, 0, 6, -1, 0, 0},
         "you must specify a state like for instance '.down' or '.up'"},
        {"keyboard:anykey", {0, 4, -1, -1, 0, 0}, ""},
        {"keyboard:capslock", {0, 14, -1, -1, 0, 0}, ""},
        {"keyboard:scrolllock", {0, 13, -1, -1, 0, 0}, ""},
        {"keyboard:capslock.down", {0, 14, -1, -1, 0, 0}, "'down' can only be used with buttons"},
        {"keyboard:menu.down",
         {0, 0, -1, -1, 0, 0},
         "keyboard key 'menu' does not have a directinput mapping"},
        {"keyboard:f20.down", {0, 0, -1, -1, 0, 0}, "keyboard key 'f20' does not have a directinput mapping"},
        {"keyboard:Return.down", {0, 0, -1, -1, 0, 0}, "unknown keyboard key 'Return'"},
        {"keyboard:none.down", {0, 0, -1, -1, 0, 0}, "unknown keyboard key 'none'"},
        {"keyboard:a.value>1", {0, 0, 41, -1, 0, 0}, "'value' can only be used with axis"},
        {"mouse:button", {1, 0, 0, -1, 0, 0}, "you must specify a state like for instance '.down' or '.up'"},
        {"mouse:button.down", {1, 2, 0, -1, 0, 0}, ""},
        {"mouse:rightbutton.held", {1, 5, 1, -1, 0, 0}, ""},
        {"mouse:axis5", {1, 17, -1, 5, 0, 0}, ""},
        {"mouse:wheel.value<0", {1, 11, -1, 2, 0, 0}, ""},
        {"mouse:anybutton", {1, 4, -1, -1, 0, 0}, ""},
        {"mouse:foo.down", {1, 0, -1, -1, 0, 0}, "'foo' is illegal for mouse device"},
        {"gamepad0:foo.down", {2, 0, -1, -1, 0, 0}, "'foo' is not a valid object for gamepads"},
        {"gamepad0:leftbutton.down", {2, 0, -1, -1, 0, 0}, "'leftbutton' is not a valid object for gamepads"},
        {"gamepad1:button11.held", {3, 5, 11, -1, 0, 0}, ""},
        {"gamepad1:button99999999999.held", {3, 5, 2147483647, -1, 0, 0}, ""}, // held at 32 bits
        {"mouse:axis-99999999999", {1, 17, -1, -2147483647 - 1, 0, 0}, ""},
        {"gamepad7:button0",
         {0, 0, -1, -1, 0, 0},
         "unknown device, must be 'keyboard', 'mouse', 'gamepad0', 'joystick0' etc."},
        {"keyboard:return.pressed", {0, 0, 6, -1, 0, 0}, "unknown state 'pressed'"},
        {"mouse:x.down", {1, 0, -1, 0, 0, 0}, "'down' can only be used with buttons"},
        {"keyboard", {0, 0, -1, -1, 0, 0}, ""},
    };
    CInputManager manager;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.term);
        Platform::DebugOutputCapture capture;
        CInputCondition condition;
        manager.ParseCondition(condition, c.term, 0.0f);
        EXPECT_EQ(capture.Text(), c.message.empty() ? "" : Message(c.term, c.message));
        EXPECT_EQ(condition.kind, c.expected.kind);
        if (c.term != "gamepad7:button0")
        {
            EXPECT_EQ(condition.device, c.expected.device);
        }
        EXPECT_EQ(condition.button, c.expected.button);
        EXPECT_EQ(condition.axis, c.expected.axis);
        EXPECT_FLOAT_EQ(condition.threshold, c.expected.threshold);
    }

    CInputCondition condition;
    manager.ParseCondition(condition, "keyboard:a.held", -0.75f);
    EXPECT_EQ(condition.value, -0.75f);
}

std::vector<std::vector<std::int32_t>> ButtonsOf(const CInputManager& manager, const char* action)
{
    std::vector<std::vector<std::int32_t>> result;
    const GameLib::CInputAction* found = manager.FindAction(action, "gui");
    if (found != nullptr)
    {
        for (const GameLib::TInputBinding& binding : found->GetBindings())
        {
            result.emplace_back();
            for (const CInputCondition& condition : binding)
            {
                result.back().push_back(condition.button);
            }
        }
    }
    return result;
}

TEST(InputManagerParseTest, ModifierWordsStandForEitherSide)
{
    using Terms = std::vector<std::vector<std::int32_t>>;
    constexpr std::int32_t s = 59, x = 64, lcontrol = 9, rcontrol = 10, lshift = 7, rshift = 8;
    CInputManager manager;
    EXPECT_TRUE(manager.AddBinding("keyboard:s.held  &&  keyboard:control.held", "a", "gui"));
    EXPECT_EQ(ButtonsOf(manager, "a"), (Terms{{s, lcontrol}, {s, rcontrol}}));
    EXPECT_TRUE(manager.AddBinding("keyboard:control.notheld && keyboard:x.down", "b", "gui"));
    EXPECT_EQ(ButtonsOf(manager, "b"), (Terms{{rcontrol, lcontrol, x}}));
    EXPECT_EQ(manager.FindAction("b", "gui")->GetBindings()[0][0].kind, GameLib::kConditionNotHeld);
    EXPECT_TRUE(manager.AddBinding("keyboard:control.held && keyboard:shift.held", "c", "gui"));
    EXPECT_EQ(ButtonsOf(manager, "c"),
              (Terms{{lcontrol, lshift}, {lcontrol, rshift}, {rcontrol, lshift}, {rcontrol, rshift}}));

    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(manager.AddBinding("keyboard:s.down && keyboard:foo.down && keyboard:x.down", "d", "gui"));
    EXPECT_EQ(ButtonsOf(manager, "d"), (Terms{{s}})) << "the terms before the refused one stay";
    EXPECT_EQ(capture.Text(), Message("keyboard:foo.down", "unknown keyboard key 'foo'"));
    EXPECT_TRUE(manager.AddBinding("", "e", "gui"));
    EXPECT_EQ(ButtonsOf(manager, "e"), (Terms{{}}));
}

// A manager over scripted devices: a keyboard, a mouse with five buttons and three controllers.
class InputManagerTest : public ::testing::Test
{
protected:
    InputManagerTest()
    {
        m_mouseDevice.caps.axes = 3;
        m_mouseDevice.caps.buttons = 5;
        for (FakeInputDevice& pad : m_pads)
        {
            pad.caps.axes = 6;
            pad.caps.buttons = 12;
        }
        m_manager.CreateKeyboard(&m_keyboardDevice);
        m_manager.CreateMouse(&m_mouseDevice);
        for (FakeInputDevice& pad : m_pads)
        {
            m_manager.AddJoystick(&pad);
        }
    }

    // Events the action counted in one update of the step, taken from its pending count.
    int Frame(const char* action, float step = 0.016f, const char* context = "gui")
    {
        m_manager.ClearPendingEvents(context);
        m_manager.Update(step);
        int events = 0;
        while (m_manager.ConsumeActionEvent(action, context))
        {
            ++events;
        }
        return events;
    }

    void Key(std::uint8_t key, bool down) { m_keyboardDevice.SetKey(key, down); }

    FakeInputDevice m_keyboardDevice{256};
    FakeInputDevice m_mouseDevice{sizeof(MouseState)};
    FakeInputDevice m_pads[3] = {FakeInputDevice(sizeof(JoystickState)),
                                 FakeInputDevice(sizeof(JoystickState)),
                                 FakeInputDevice(sizeof(JoystickState))};
    CInputManager m_manager;
};

TEST_F(InputManagerTest, DownFiresInThePressFrameAndHeldInEveryFrame)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:return.down", "select", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("keyboard:right.held", "next", "gui"));
    EXPECT_EQ(Frame("select"), 0);
    Key(KeyReturn, true);
    Key(KeyRight, true);
    EXPECT_EQ(Frame("select"), 1);
    EXPECT_EQ(Frame("select"), 0) << "the key stays down (automatic repeats change nothing)";
    EXPECT_TRUE(m_manager.IsActionActive("next", "gui"));
    for (int frame = 0; frame < 3; ++frame)
    {
        m_manager.Update(0.016f);
    }
    EXPECT_TRUE(m_manager.IsActionTriggered("next", "gui", false));
    m_manager.ClearPendingEvents("gui");
    EXPECT_FALSE(m_manager.IsActionTriggered("next", "gui", false));
    Key(KeyReturn, false);
    EXPECT_EQ(Frame("select"), 0);
    Key(KeyReturn, true);
    EXPECT_EQ(Frame("select"), 1);
}

TEST_F(InputManagerTest, BindingsCountTheirEventsAndTheLargestValueWins)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:s.down && keyboard:control.held", "save", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("keyboard:s.held && keyboard:control.held", "hold", "gui"));
    ASSERT_TRUE(m_manager.ParseBinding("keyboard:left.held", "move", -1.0f, "game"));
    ASSERT_TRUE(m_manager.ParseBinding("keyboard:right.held", "move", +1.0f, "game"));

    Key(KeyS, true);
    Key(KeyLeftControl, true);
    EXPECT_EQ(Frame("save"), 1);
    Key(KeyRightControl, true);
    EXPECT_EQ(Frame("hold"), 2);
    EXPECT_EQ(Frame("hold"), 2);
    EXPECT_EQ(Frame("save"), 0);

    Key(KeyLeft, true);
    Key(KeyRight, true);
    EXPECT_EQ(Frame("move", 0.016f, "game"), 2);
    EXPECT_EQ(m_manager.GetActionValue("move", "game"), -1.0f) << "the earlier binding wins the tie";
    Key(KeyLeft, false);
    EXPECT_EQ(Frame("move", 0.016f, "game"), 1);
    EXPECT_EQ(m_manager.GetActionValue("move", "game"), 1.0f);
    Key(KeyRight, false);
    EXPECT_EQ(Frame("move", 0.016f, "game"), 0);
    EXPECT_EQ(m_manager.GetActionValue("move", "game"), 1.0f) << "kept from the last update with events";
}

TEST_F(InputManagerTest, ControllersAndTheMouse)
{
    ASSERT_TRUE(m_manager.AddBinding("gamepad2:button1.held", "third", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("joystick3:anybutton", "fourth", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("gamepad3:button0.notheld", "fourthup", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("gamepad1:button3.down", "press", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("gamepad0:axis0", "steer", "game"));
    ASSERT_TRUE(m_manager.AddBinding("gamepad0:x.value > +0.5", "right", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("mouse:leftbutton.down", "click", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("mouse:wheel.value>0", "wheel", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("mouse:axis5", "none", "gui"));

    m_pads[2].StateAs<JoystickState>().buttons[1] = 0x80;
    m_pads[1].StateAs<JoystickState>().buttons[3] = 0x80;
    EXPECT_EQ(Frame("third"), 1);
    EXPECT_FALSE(m_manager.IsActionActive("fourth", "gui")) << "there is no fourth controller";
    EXPECT_FALSE(m_manager.IsActionActive("fourthup", "gui"));
    EXPECT_TRUE(m_manager.IsActionTriggered("press", "gui", false));
    EXPECT_EQ(Frame("press"), 0);

    JoystickState& pad = m_pads[0].StateAs<JoystickState>();
    for (const auto& [raw, value, right] : {std::tuple{100, 100 / 128.0f, true}, std::tuple{3, 0.0f, false},
                                            std::tuple{-60, -60 / 128.0f, false}})
    {
        pad.x = raw;
        EXPECT_EQ(Frame("steer", 0.016f, "game"), 1) << raw;
        EXPECT_FLOAT_EQ(m_manager.GetActionValue("steer", "game"), value) << raw;
        EXPECT_EQ(m_manager.IsActionActive("right", "gui"), right) << raw;
    }

    MouseState& mouse = m_mouseDevice.StateAs<MouseState>();
    mouse.buttons[0] = 0x80;
    mouse.wheel = 120;
    EXPECT_EQ(Frame("click"), 1);
    EXPECT_TRUE(m_manager.IsActionActive("wheel", "gui"));
    EXPECT_EQ(Frame("click"), 0);
    EXPECT_EQ(Frame("none"), 1);
    EXPECT_EQ(m_manager.GetActionValue("none", "gui"), 0.0f);
}

TEST_F(InputManagerTest, DeactivationReleasesEveryKey)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:right.held", "held", "gui"));
    ASSERT_TRUE(m_manager.AddBinding("keyboard:right.up", "up", "gui"));
    Key(KeyRight, true);
    EXPECT_EQ(Frame("held"), 1);
    m_keyboardDevice.readResult = NotAcquired;
    m_keyboardDevice.acquireResult = OtherHasPriority;
    m_manager.Update(0.016f);
    EXPECT_FALSE(m_manager.IsActionActive("held", "gui"));
    EXPECT_TRUE(m_manager.ConsumeActionEvent("up", "gui"));
    EXPECT_FALSE(m_manager.ConsumeActionEvent("up", "gui"));
    EXPECT_EQ(Frame("up"), 0);
}

// Frames of a held key bound with "repeatevent": the events of each frame.
TEST_F(InputManagerTest, RepeatEventsFollowTheHeldTime)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:down.repeatevent", "step", "gui"));
    Key(KeyDown, true);
    std::vector<int> eventFrames;
    int total = 0;
    for (int frame = 1; frame <= 42; ++frame)
    {
        const int events = Frame("step", 0.01f);
        total += events;
        if (events > 0)
        {
            eventFrames.push_back(frame);
        }
    }
    // The press, then the frames whose held time first reaches 0.30, 0.35 and 0.40 s (a float sum of
    // 0.01 steps may land just below an instant, so the event may come one frame later).
    EXPECT_EQ(total, 4);
    ASSERT_EQ(eventFrames.size(), 4u);
    EXPECT_EQ(eventFrames[0], 1);
    for (int i = 1; i < 4; ++i)
    {
        EXPECT_GE(eventFrames[i], 25 + 5 * i);
        EXPECT_LE(eventFrames[i], 26 + 5 * i);
    }
}

TEST_F(InputManagerTest, ALongFrameGivesTheRepeatsItPassedAndTheNextFrameNone)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:down.repeatevent", "step", "gui"));
    Key(KeyDown, true);
    EXPECT_EQ(Frame("step", 0.01f), 1);
    for (int frame = 0; frame < 10; ++frame)
    {
        EXPECT_EQ(Frame("step", 0.01f), 0);
    }
    EXPECT_EQ(Frame("step", 0.5f), 7) << "0.30, 0.35, ... 0.60 s passed";
    EXPECT_EQ(Frame("step", 0.016f), 0);
    EXPECT_EQ(Frame("step", 0.05f), 1);
}

TEST_F(InputManagerTest, QueriesOnUnknownNamesCreateNothing)
{
    ASSERT_TRUE(m_manager.AddBinding("keyboard:return.held", "select", "gui"));
    Key(KeyReturn, true);
    m_manager.Update(0.016f);
    for (const auto& [action, context] : {std::pair{"select", "nothere"}, std::pair{"nothere", "gui"}})
    {
        EXPECT_FALSE(m_manager.IsActionTriggered(action, context, false));
        EXPECT_FALSE(m_manager.ConsumeActionEvent(action, context));
        EXPECT_FALSE(m_manager.IsActionActive(action, context));
        EXPECT_EQ(m_manager.GetActionValue(action, context), 0.0f);
        EXPECT_EQ(m_manager.FindAction(action, context), nullptr);
    }
    m_manager.ClearPendingEvents("nothere");
    EXPECT_FALSE(m_manager.HasContext("nothere"));
    EXPECT_TRUE(m_manager.IsActionTriggered("select", "gui", false));
}

TEST(InputManagerDevicesTest, AManagerWithoutDevicesHoldsNothingButAnalogTerms)
{
    CInputManager manager;
    manager.CreateKeyboard(nullptr);
    manager.CreateMouse(nullptr);
    manager.AddJoystick(nullptr);
    ASSERT_TRUE(manager.AddBinding("keyboard:right.notheld", "a", "gui"));
    ASSERT_TRUE(manager.AddBinding("mouse:button0.notheld", "b", "gui"));
    ASSERT_TRUE(manager.AddBinding("gamepad0:button0.notheld", "c", "gui"));
    ASSERT_TRUE(manager.AddBinding("mouse:x", "d", "gui"));
    manager.Update(0.016f);
    EXPECT_TRUE(manager.IsActionActive("a", "gui")) << "the keyboard wrapper exists without a device";
    EXPECT_FALSE(manager.IsActionActive("b", "gui"));
    EXPECT_FALSE(manager.IsActionActive("c", "gui"));
    EXPECT_TRUE(manager.IsActionActive("d", "gui"));
}

} // namespace
