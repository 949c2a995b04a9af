#include "UiFixture.h"

#include "platform/os/Cursor.h"
#include "ui/Clock.h"

#include <cstdlib>

using BaseLib::CPoint;
using UILib::CWindow;
using UILib::CWindowMessage;
using UiTest::CTestWindow;

namespace
{

using Log = std::vector<std::string>;

// One layer: root (0, 0, 300, 200) holding the windows each test makes.
class Routing : public UiTest::UiFixture
{
protected:
    void SetUp() override
    {
        root = Child(nullptr, "root", 0, 0, 300, 200);
        manager->AddLayer(root);
    }
    void TearDown() override
    {
        UILib::SetTimeOverride(-1.0);
        UiFixture::TearDown();
    }

    CTestWindow* root = nullptr;
};

TEST_F(Routing, CaptureWheelAndKeys)
{
    CTestWindow* a = Child(root, "a", 10, 10, 50, 50);
    CTestWindow* b = Child(root, "b", 100, 10, 50, 50);
    for (CTestWindow* w : {a, b})
    {
        w->consumed = {"MLBUp", "sKeyDown", "MWheel"};
    }
    b->Activate();
    manager->SetMouseCapture(a);
    log.clear();
    Mouse("MLBUp", 120, 20);
    Key("sKeyDown", 'K');
    Mouse("MWheel", 20, 20);
    EXPECT_EQ(log, (Log{"a:MLBUp", "b:sKeyDown", "a:MWheel"})) << "the wheel follows the capture";
    manager->ReleaseMouseCapture(a);
    log.clear();
    Mouse("MWheel", 20, 20);
    EXPECT_EQ(log, (Log{"b:MWheel"})) << "the wheel goes to the focus, not to the window under the mouse";
}

TEST_F(Routing, ModalWindowBlocksClicksOutsideIt)
{
    CTestWindow* outside = Child(root, "outside", 10, 10, 50, 50);
    CTestWindow* exempt = Child(root, "exempt", 10, 100, 50, 50);
    CTestWindow* dialog = Child(root, "dialog", 100, 10, 100, 100);
    CTestWindow* inner = Child(dialog, "inner", 10, 10, 20, 20);
    inner->Activate();
    manager->PushModalWindow(dialog);
    exempt->SetExemptFromModal(true);
    log.clear();

    Mouse("MLBDwn", 20, 20);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(manager->GetFocus(), inner->GetHandle());
    outside->Activate();
    EXPECT_EQ(manager->GetFocus(), inner->GetHandle()) << "a sibling of the modal window is not activated";

    Mouse("MLBDwn", 20, 110);
    EXPECT_EQ(LogOf({"MLBDwn"}), (Log{"exempt:MLBDwn", "root:MLBDwn"}));
    EXPECT_EQ(manager->GetFocus(), exempt->GetHandle());

    // An unhandled message bubbles up to the modal window and stops there.
    log.clear();
    Mouse("MRBDwn", 115, 25);
    EXPECT_EQ(log, (Log{"inner:MRBDwn", "dialog:MRBDwn"}));
}

TEST_F(Routing, UnhandledMessagesBubbleToTheRoot)
{
    CTestWindow* a = Child(root, "a", 10, 10, 100, 100);
    Child(a, "b", 10, 10, 20, 20);
    log.clear();
    Mouse("MRBDwn", 25, 25);
    EXPECT_EQ(log, (Log{"b:MRBDwn", "a:MRBDwn", "root:MRBDwn"}));
}

TEST_F(Routing, MouseEnterAndLeave)
{
    CTestWindow* parent = Child(root, "P", 10, 10, 100, 100);
    CTestWindow* child = Child(parent, "C", 10, 10, 50, 50);
    CTestWindow* grandchild = Child(child, "G", 5, 5, 10, 10);
    CTestWindow* sibling = Child(parent, "S", 70, 10, 20, 20);
    for (CTestWindow* w : {parent, child, grandchild, sibling})
    {
        w->EnableMouseEnterLeave();
        w->consumed = {"MEnter", "MLeave"};
    }
    Mouse("MMove", 200, 150); // over the root only
    log.clear();
    Mouse("MMove", 27, 27); // into the grandchild
    EXPECT_EQ(LogOf({"MEnter", "MLeave"}), (Log{"G:MEnter", "C:MEnter", "P:MEnter"}));

    log.clear();
    Mouse("MMove", 22, 22); // grandchild -> child
    EXPECT_EQ(LogOf({"MEnter", "MLeave"}), (Log{"C:MLeave", "G:MLeave", "C:MEnter"}));

    log.clear();
    Mouse("MMove", 15, 15); // child -> its tracking parent: ascending handles, then enter again
    EXPECT_EQ(LogOf({"MEnter", "MLeave"}), (Log{"P:MLeave", "C:MLeave", "P:MEnter"}));

    Mouse("MMove", 22, 22); // back into the child
    log.clear();
    Mouse("MMove", 85, 25); // child -> sibling: the common parent hears nothing
    EXPECT_EQ(LogOf({"MEnter", "MLeave"}), (Log{"C:MLeave", "S:MEnter"}));
}

TEST_F(Routing, ActivationOrderAndFocusMessages)
{
    CTestWindow* a = Child(root, "A", 10, 10, 50, 50);
    CTestWindow* b = Child(root, "B", 30, 30, 50, 50);
    b->SetAlwaysOnTop(true);
    CTestWindow* c = Child(root, "C", 150, 10, 50, 50);
    Mouse("MLBDwn", 15, 15);
    ASSERT_EQ(root->GetChildCount(), 3);
    EXPECT_EQ(root->GetChildHandle(0), c->GetHandle());
    EXPECT_EQ(root->GetChildHandle(1), a->GetHandle());
    EXPECT_EQ(root->GetChildHandle(2), b->GetHandle());
    EXPECT_EQ(manager->GetFocus(), a->GetHandle());

    CTestWindow* p = Child(root, "P", 0, 100, 100, 100);
    CTestWindow* x = Child(p, "X", 0, 0, 10, 10);
    CTestWindow* y = Child(p, "Y", 20, 0, 10, 10);
    CTestWindow* q = Child(root, "Q", 200, 100, 100, 100);
    CTestWindow* z = Child(q, "Z", 0, 0, 10, 10);
    p->EnableActivationNotifications();
    q->EnableActivationNotifications();
    const auto focusLog = [&] { return LogOf({"WndAct", "WndDeact", "WndActI", "WndDactI"}); };
    log.clear();
    x->Activate();
    EXPECT_EQ(focusLog(), (Log{"X:WndAct", "A:WndDeact", "P:WndActI"}));
    log.clear();
    y->Activate();
    EXPECT_EQ(focusLog(), (Log{"Y:WndAct", "X:WndDeact"}));
    log.clear();
    z->Activate();
    EXPECT_EQ(focusLog(), (Log{"Z:WndAct", "Y:WndDeact", "Q:WndActI", "P:WndDactI"}));

    // Right and middle buttons never move the focus.
    Mouse("MRBDwn", 5, 105);
    Mouse("MMBDwn", 5, 105);
    EXPECT_EQ(manager->GetFocus(), z->GetHandle());

    // Disabling the focused window hands the focus to its nearest enabled ancestor.
    z->SetDisabled(true);
    EXPECT_EQ(manager->GetFocus(), q->GetHandle());
    // Hiding the focused window drops the focus.
    log.clear();
    q->SetVisible(false);
    EXPECT_EQ(manager->GetFocus(), 0u);
    EXPECT_EQ(focusLog(), (Log{"Q:WndDeact"}));
}

class CReceiver
{
public:
    void OnClick(CWindow* window, CPoint& point)
    {
        clicks.emplace_back(window, point);
    }
    void OnKey(CWindow*, std::uint32_t key, std::uint8_t modifiers)
    {
        keys.emplace_back(key, modifiers);
    }
    std::vector<std::pair<CWindow*, CPoint>> clicks;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> keys;
};

TEST_F(Routing, CallbacksAndSuppression)
{
    CTestWindow* w = Child(root, "w", 40, 30, 50, 50);
    CReceiver receiver;
    log.clear();
    Mouse("MLBDwn", 40, 30);
    EXPECT_EQ(LogOf({"MLBDwn"}), (Log{"w:MLBDwn", "root:MLBDwn"}));

    w->SetOnLButtonDown(UILib::CMouseCallback::Bind(&receiver, &CReceiver::OnClick));
    w->SetOnKeyDown(UILib::CKeyCallback::Bind(&receiver, &CReceiver::OnKey));
    log.clear();
    Mouse("MLBDwn", 40, 30);
    EXPECT_EQ(LogOf({"MLBDwn"}), (Log{"w:MLBDwn"}));
    ASSERT_EQ(receiver.clicks.size(), 1u);
    EXPECT_EQ(receiver.clicks[0].first, w);
    EXPECT_EQ(receiver.clicks[0].second, CPoint(0, 0));

    EXPECT_EQ(w->SuppressEvents(), 1);
    log.clear();
    Key("sKeyDown", 260, 3);
    EXPECT_TRUE(receiver.keys.empty());
    EXPECT_EQ(log, (Log{"w:sKeyDown", "root:sKeyDown"}));
    EXPECT_EQ(w->ResumeEvents(), 0);
    Key("sKeyDown", 260, 3);
    EXPECT_EQ(receiver.keys, (std::vector<std::pair<std::uint32_t, std::uint8_t>>{{260, 3}}));
}

TEST_F(Routing, SizeMessages)
{
    CTestWindow* parent = Child(root, "P", 0, 0, 100, 100);
    CTestWindow* child = Child(parent, "C", 0, 0, 10, 10);
    log.clear();
    child->SetSize(10, 10);
    EXPECT_TRUE(log.empty());
    child->SetSize(20, 10);
    EXPECT_EQ(log, (Log{"C:sWSize", "P:sChWSize"})) << "sChWSize is consumed by the parent";
    log.clear();
    parent->SetSize(120, 100);
    EXPECT_EQ(log, (Log{"P:sWSize", "root:sChWSize", "C:PWndSize", "P:PWndSize", "root:PWndSize"}));
    log.clear();
    child->SuppressEvents();
    child->SetSize(30, 30);
    EXPECT_EQ(child->GetSize(), BaseLib::CSize(30, 30));
    EXPECT_TRUE(log.empty());
}

TEST_F(Routing, PostedMessagesDrainOncePerFrame)
{
    CTestWindow* parent = Child(root, "P", 0, 0, 100, 100);
    CTestWindow* child = Child(parent, "C", 0, 0, 10, 10);
    parent->consumed = {"sKeyDown", "BtnClick", "RBtnClr"};
    child->onMessage = [&](const CWindowMessage& message) {
        if (message.Is("Ping"))
        {
            manager->PostMessage(child->GetHandle(), CWindowMessage("Pong"));
        }
        return false;
    };
    manager->PostMessage(child->GetHandle(), CWindowMessage("sKeyDown", CWindowMessage::Input, 'X'));
    child->PostNotification(child->GetHandle(), CWindowMessage("BtnClick", CWindowMessage::Input, 0, 7));
    manager->PostMessage(child->GetHandle(), CWindowMessage("RBtnClr", 0, 0, 7));
    manager->PostMessage(child->GetHandle(), CWindowMessage("Ping"));
    manager->PostMessage(0, CWindowMessage("Ping"));
    log.clear();
    manager->UpdateWindowAnimations();
    EXPECT_EQ(log, (Log{"C:sKeyDown", "P:sKeyDown", "C:BtnClick", "P:BtnClick", "C:RBtnClr", "C:Ping"}));
    log.clear();
    manager->UpdateWindowAnimations();
    EXPECT_EQ(log, (Log{"C:Pong"}));

    // Suppressed: notifications are not posted, and unhandled input is not passed up.
    child->SuppressEvents();
    child->PostNotification(child->GetHandle(), CWindowMessage("BtnClick", CWindowMessage::Input));
    manager->PostMessage(child->GetHandle(), CWindowMessage("sKeyDown", CWindowMessage::Input, 'Y'));
    log.clear();
    manager->UpdateWindowAnimations();
    EXPECT_EQ(log, (Log{"C:sKeyDown"}));
}

TEST_F(Routing, HandlersThatDeleteTheirWindowEndTheBubbling)
{
    CTestWindow* parent = Child(root, "P", 0, 0, 100, 100);
    CTestWindow* child = Child(parent, "C", 10, 10, 10, 10);
    child->onMessage = [child](const CWindowMessage& message) {
        if (message.Is("MRBDwn"))
        {
            child->Delete();
            return true;
        }
        return false;
    };
    log.clear();
    Mouse("MRBDwn", 12, 12);
    EXPECT_EQ(log, (Log{"C:MRBDwn"}));
    EXPECT_EQ(parent->GetChildCount(), 0);

    // A child deleting its parent from a posted message: the drain ends, the queue goes with it.
    CTestWindow* doomed = Child(root, "D", 0, 0, 100, 100);
    CTestWindow* inner = Child(doomed, "I", 0, 0, 10, 10);
    inner->onMessage = [doomed](const CWindowMessage& message) {
        if (message.Is("Boom"))
        {
            doomed->Delete();
            return true;
        }
        return false;
    };
    manager->PostMessage(inner->GetHandle(), CWindowMessage("Boom", CWindowMessage::Input));
    manager->PostMessage(inner->GetHandle(), CWindowMessage("After", CWindowMessage::Input));
    log.clear();
    manager->UpdateWindowAnimations();
    EXPECT_EQ(log, (Log{"I:Boom"}));
}

TEST_F(Routing, TooltipAfterOneSecondOfRest)
{
    CTestWindow* owner = Child(root, "owner", 50, 50, 100, 100);
    CTestWindow* inner = Child(owner, "inner", 10, 10, 20, 20);
    Child(root, "plain", 200, 50, 50, 50);
    owner->SetTooltipText("hello");

    UILib::SetTimeOverride(10.0);
    Mouse("MMove", 65, 65); // over inner, whose parent has the text
    manager->Update();
    EXPECT_EQ(manager->GetTooltip(), 0u) << "no creator installed";

    BaseLib::CString shownText;
    UILib::Handle shownOwner = 0;
    manager->SetTooltipCreator(
        [&](UILib::Handle ownerHandle) {
            shownOwner = ownerHandle;
            CWindow* tip = new CTestWindow("tip");
            tip->SetSize(40, 12);
            return tip;
        },
        [&](CWindow*, const BaseLib::CString& text) { shownText = text; });
    UILib::SetTimeOverride(10.99);
    manager->Update();
    EXPECT_EQ(manager->GetTooltip(), 0u);
    UILib::SetTimeOverride(11.0);
    manager->Update();
    CWindow* tip = manager->Resolve(manager->GetTooltip());
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(shownOwner, owner->GetHandle());
    EXPECT_EQ(shownText, "hello");
    EXPECT_EQ(tip->GetPosition(), CPoint(65, 53));
    EXPECT_EQ(tip->GetParent(), root);
    (void)inner;

    // Over a window without text (and no ancestor with one) nothing is shown.
    tip->Delete();
    Mouse("MMove", 210, 60);
    UILib::SetTimeOverride(20.0);
    manager->Update();
    EXPECT_EQ(manager->Resolve(manager->GetTooltip()), nullptr);
}

TEST_F(Routing, CursorShapes)
{
    CTestWindow* hand = Child(root, "hand", 0, 0, 50, 50);
    hand->SetCursorType(11);
    CTestWindow* cross = Child(root, "cross", 100, 0, 50, 50);
    cross->SetCursorType(7);
    CTestWindow* inherit = Child(hand, "inherit", 10, 10, 10, 10);
    inherit->SetCursorType(0);

    const auto handCursor = Platform::LoadCursorA(nullptr, Platform::IDC_HAND);
    const auto arrow = Platform::LoadCursorA(nullptr, Platform::IDC_ARROW);
    Mouse("MMove", 5, 5);
    EXPECT_EQ(Platform::GetCursor(), handCursor);
    EXPECT_STREQ(manager->GetCursorTypeName(), "CT_Hand");
    Mouse("MMove", 105, 5);
    EXPECT_EQ(Platform::GetCursor(), arrow);
    EXPECT_STREQ(manager->GetCursorTypeName(), "CT_Cross");
    Mouse("MMove", 15, 15); // type 0 takes its parent's
    EXPECT_EQ(Platform::GetCursor(), handCursor);

    manager->SetCursorType(99);
    EXPECT_EQ(Platform::GetCursor(), handCursor);
    manager->SetSystemCursorsEnabled(false);
    Mouse("MMove", 105, 5);
    manager->SetDefaultCursor();
    EXPECT_EQ(Platform::GetCursor(), handCursor);
    manager->SetSystemCursorsEnabled(true);
}

// The process-wide switch reaches the running manager at once and is every later manager's start value.
TEST_F(Routing, ProcessWideSystemCursorSwitch)
{
    UILib::SetSystemCursorsEnabled(false);
    manager->SetCursorType(11);
    EXPECT_STREQ(manager->GetCursorTypeName(), "");

    // The window system has one manager at a time: the old one goes before the next is made.
    manager.reset();
    manager = std::make_unique<UILib::CWindowManager>();
    manager->SetCursorType(11);
    EXPECT_STREQ(manager->GetCursorTypeName(), "");

    UILib::SetSystemCursorsEnabled(true);
    manager->SetCursorType(11);
    EXPECT_STREQ(manager->GetCursorTypeName(), "CT_Hand");
    manager = std::make_unique<UILib::CWindowManager>();
    manager->SetCursorType(7);
    EXPECT_STREQ(manager->GetCursorTypeName(), "CT_Cross");
}

// SDL's offscreen driver keeps the clipboard inside the process, so test processes running at the same
// time never share it through the X display.
class Clipboard : public UiTest::UiFixture
{
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
};

TEST_F(Clipboard, EmptyTextAndUtf8RoundTrip)
{
    ASSERT_TRUE(manager->OpenClipboard());
    EXPECT_TRUE(manager->SetClipboardText(""));
    EXPECT_EQ(manager->GetClipboardText(), "");
    ASSERT_TRUE(manager->OpenClipboard());
    EXPECT_TRUE(manager->SetClipboardText("Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(manager->GetClipboardText(), "Gr\xC3\xBC\xC3\x9F" "e");
}

} // namespace
