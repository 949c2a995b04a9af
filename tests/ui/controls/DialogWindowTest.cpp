#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/DebugOutput.h"
#include "ui/controls/Button.h"
#include "ui/controls/DialogWindow.h"

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CButton;
using UILib::CDialogWindow;
using UILib::CWindow;

namespace
{

// The standard theme: caption bar 16 high at (2, 2), frame borders 2, so the client area starts at 18.
constexpr std::int32_t CaptionTop = 2;
constexpr std::int32_t CaptionHeight = 16;
constexpr std::int32_t Margin = 2;
constexpr std::int32_t ClientTop = 18;
const CColor ActiveCaption(50, 50, 160, 255);
const CColor InactiveCaption(50, 50, 50, 255);

class DialogWindowTest : public ControlTest
{
protected:
    // A recording parent of 400 × 300 at (0, 0) holding a 200 × 150 dialog at (100, 100).
    CDialogWindow* MakeDialog()
    {
        parent = Make<CRecordingWindow>(0, 0, 400, 300);
        CDialogWindow* dialog = Make<CDialogWindow>(100, 100, 200, 150, parent);
        dialog->SetOnClose(closes.Record());
        return dialog;
    }

    CRecordingWindow* parent = nullptr;
    CCallbackRecorder<CDialogWindow*> closes;
};

TEST_F(DialogWindowTest, ANewDialogHasItsCaptionClientAreaAndNoCloseButton)
{
    auto* dialog = static_cast<CDialogWindow*>(MakeByName("CDialogWindow", 10, 10, 1, 1));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Property(*dialog, "Caption"), "DialogWindow");
    EXPECT_EQ(Property(*dialog, "Close Button"), "false") << "the registered default true is not the constructor's";
    EXPECT_EQ(Property(*dialog, "Draggable"), "true");
    EXPECT_EQ(dialog->FindChildByName("__closebutton", false), nullptr);
    EXPECT_NE(dialog->GetFlags() & CWindow::FlagInheritedActivation, 0);

    // The minimum keeps three caption heights plus the side borders, and the caption bar plus the bottom.
    EXPECT_EQ(dialog->GetSize(), CSize(3 * CaptionHeight + 2 * Margin, ClientTop + 2));
    CWindow* clientArea = dialog->GetClientArea();
    ASSERT_NE(clientArea, nullptr);
    EXPECT_EQ(dialog->FindChildByName("__clientarea", false), clientArea);
    EXPECT_EQ(clientArea->GetPosition(), CPoint(Margin, ClientTop));
    dialog->SetSize(200, 150);
    EXPECT_EQ(clientArea->GetSize(), CSize(200 - 2 * Margin, 150 - ClientTop - Margin));

    // "Close Button" on twice makes one button; off destroys it.
    SetProperty(*dialog, "Close Button", "true");
    CDialogWindow::CCloseButton* button = dialog->GetCloseButtonWindow();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(dialog->FindChildByName("__closebutton", false), button);
    EXPECT_STREQ(button->GetClassName(), "CBasicButton");
    EXPECT_EQ(button->GetSize(), CSize(CaptionHeight - 2, CaptionHeight - 2));
    EXPECT_EQ(button->GetPosition(), CPoint(200 - Margin - (CaptionHeight - 2) - 1, CaptionTop + 1));
    dialog->SetSize(300, 150);
    EXPECT_EQ(button->GetPosition().x, 300 - Margin - (CaptionHeight - 2) - 1) << "the button follows the size";
    SetProperty(*dialog, "Close Button", "true");
    EXPECT_EQ(dialog->GetCloseButtonWindow(), button);
    SetProperty(*dialog, "Close Button", "false");
    EXPECT_EQ(Property(*dialog, "Close Button"), "false");
    Frame();
    EXPECT_EQ(dialog->FindChildByName("__closebutton", false), nullptr) << "no second button is left behind";
    EXPECT_EQ(dialog->GetChildCount(), 0) << "internal children are not listed";
}

TEST_F(DialogWindowTest, LayoutChildrenGoToTheClientAreaWhichTheLayoutCanAddress)
{
    const std::string path = WriteLayout("dialog.xml", R"xml(
<window type="CDialogWindow">
  <property name="Name" value="dialog"/>
  <property name="Caption" value="Solver"/>
  <property name="Close Button" value="true"/>
  <window type="CButton"><property name="Name" value="first"/></window>
  <window name="__clientarea">
    <property name="Tooltip Text" value="inside"/>
    <window type="CButton"><property name="Name" value="second"/></window>
  </window>
</window>
)xml");
    Platform::DebugOutputCapture trace;
    auto* dialog = dynamic_cast<CDialogWindow*>(Factory()->LoadLayout(path, RootWindow()));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(trace.Text(), "");
    EXPECT_EQ(dialog->GetCaption(), BaseLib::CString("Solver"));
    CWindow* clientArea = dialog->GetClientArea();
    ASSERT_NE(clientArea, nullptr);
    EXPECT_EQ(clientArea->GetTooltipText(), BaseLib::CString("inside")) << "the element addressed the client area";
    EXPECT_EQ(clientArea->GetChildCount(), 2) << "both buttons, no second client area";

    auto* first = dynamic_cast<CButton*>(clientArea->FindChildByName("first", false, "CButton"));
    auto* second = dynamic_cast<CButton*>(clientArea->FindChildByName("second", false, "CButton"));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->GetParentHandle(), clientArea->GetHandle());
    EXPECT_EQ(second->GetParentHandle(), clientArea->GetHandle());
    ASSERT_EQ(dialog->GetChildCount(), 2);
    EXPECT_EQ(dialog->GetChildHandle(0), first->GetHandle());
    EXPECT_EQ(dialog->GetChildHandle(1), second->GetHandle());
    EXPECT_NE(dialog->FindChildByName("__closebutton", false), nullptr) << "the game finds the close button by name";

    // Removing through the dialog takes a child out of the client area.
    dialog->RemoveChild(first->GetHandle());
    EXPECT_EQ(dialog->GetChildCount(), 1);
    EXPECT_EQ(first->GetParentHandle(), 0u);
    CWindow::Delete(first);
}

TEST_F(DialogWindowTest, OnlyAPressInsideTheCaptionBarDrags)
{
    struct Case
    {
        const char* what;
        std::int32_t x, y; // the press in dialog coordinates
        bool draggable;
        bool drags;
    };
    const Case cases[] = {
        {"inside the caption bar", 50, 10, true, true},
        {"just inside every edge", Margin + 1, CaptionTop + 1, true, true},
        {"the caption's left inset end", Margin, 10, true, false},
        {"the caption's right inset end", 200 - Margin, 10, true, false},
        {"the frame above the caption", 50, CaptionTop, true, false},
        {"the caption's lower edge", 50, CaptionTop + CaptionHeight, true, false},
        {"the client area", 50, 80, true, false},
        {"inside the caption bar, not draggable", 50, 10, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CDialogWindow* dialog = MakeDialog();
        dialog->SetDraggable(c.draggable);
        MouseMove(100 + c.x, 100 + c.y);
        MouseDown(Button::Left, 100 + c.x, 100 + c.y);
        EXPECT_EQ(dialog->IsDragging(), c.drags);
        MouseMove(100 + c.x + 30, 100 + c.y + 20);
        MouseUp(Button::Left, 100 + c.x + 30, 100 + c.y + 20);
        EXPECT_FALSE(dialog->IsDragging());
        EXPECT_EQ(dialog->GetPosition(), c.drags ? CPoint(130, 120) : CPoint(100, 100));
        EXPECT_TRUE(parent->Of("MLBDwn").empty()) << "every press is handled by the dialog";
        CWindow::Delete(parent);
    }
}

TEST_F(DialogWindowTest, ADragStaysWhereTheMouseLastWasInsideTheParent)
{
    CDialogWindow* dialog = MakeDialog();
    MouseMove(150, 110);
    MouseDown(Button::Left, 150, 110);
    MouseMove(250, 200);
    EXPECT_EQ(dialog->GetPosition(), CPoint(200, 190));
    MouseMove(450, 200); // right of the 400 wide parent
    EXPECT_EQ(dialog->GetPosition(), CPoint(200, 190));
    MouseMove(380, 50);
    EXPECT_EQ(dialog->GetPosition(), CPoint(330, 40)) << "back inside it follows again";
    MouseUp(Button::Left, 380, 50);
    EXPECT_EQ(Manager()->GetMouseCapture(), nullptr);

    // Without a parent the dialog follows anywhere.
    auto* alone = new CDialogWindow();
    alone->SetPosition(100, 100);
    alone->SetSize(200, 150);
    const auto mouse = [](const char* code, std::int32_t x, std::int32_t y) {
        return UILib::CWindowMessage(code, UILib::CWindowMessage::Positional | UILib::CWindowMessage::Input,
                                     UILib::CWindowMessage::PackPoint(x, y), 0);
    };
    Send(alone, mouse("MMove", 150, 110));
    Send(alone, mouse("MLBDwn", 150, 110));
    ASSERT_TRUE(alone->IsDragging());
    Send(alone, mouse("MMove", 900, 700));
    EXPECT_EQ(alone->GetPosition(), CPoint(850, 690));
    Send(alone, mouse("MLBUp", 900, 700));
    EXPECT_FALSE(alone->IsDragging());
    CWindow::Delete(alone);
}

TEST_F(DialogWindowTest, TheCaptionBarShowsWhetherTheFocusIsInsideTheDialog)
{
    // Made before the dialogs, so activating it brings only itself forward.
    auto* outside = Make<CButton>(20, 400, 80, 24);
    auto* active = Make<CDialogWindow>(20, 20, 260, 180);
    auto* inactive = Make<CDialogWindow>(320, 20, 260, 180);
    for (CDialogWindow* dialog : {active, inactive})
    {
        dialog->SetCaption(dialog == active ? "Active" : "Inactive");
        dialog->SetCloseButton(true);
    }
    auto* inside = Make<CButton>(20, 20, 100, 24, active->GetClientArea());
    inside->SetText("Inside");
    Make<CButton>(20, 20, 100, 24, inactive)->SetText("Other");

    Manager()->ActivateWindow(inside->GetHandle(), true);
    Compose();
    // Right of the caption text, left of the close button.
    EXPECT_EQ(Pixel(20 + 200, 20 + 10), ActiveCaption);
    EXPECT_EQ(Pixel(320 + 200, 20 + 10), InactiveCaption);
    EXPECT_EQ(Pixel(20 + 260 - Margin - 7, 20 + 3), CColor(240, 240, 240, 255)) << "the close button's raised frame";
    EXPECT_FALSE(SavePicture("dialog").empty());

    Manager()->ActivateWindow(outside->GetHandle(), true);
    Compose();
    EXPECT_EQ(Pixel(20 + 200, 20 + 10), InactiveCaption);

    Manager()->ActivateWindow(active->GetHandle(), true);
    Compose();
    EXPECT_EQ(Pixel(20 + 200, 20 + 10), ActiveCaption) << "the dialog itself holds the focus";
}

TEST_F(DialogWindowTest, TheCloseButtonNotifiesAndTheDialogStays)
{
    CDialogWindow* dialog = MakeDialog();
    dialog->SetCloseButton(true);
    const CPoint button = dialog->GetCloseButtonWindow()->GetScreenPosition();
    Click(button.x + 5, button.y + 5);
    Frame();
    ASSERT_EQ(parent->Of("DlgClose").size(), 1u);
    EXPECT_EQ(parent->Of("DlgClose")[0].second, dialog->GetHandle());
    EXPECT_TRUE(parent->Of("BtnClick").empty()) << "the close button's click is not a button click";
    ASSERT_EQ(closes.calls.size(), 1u);
    EXPECT_EQ(std::get<0>(closes.calls[0]), dialog);
    EXPECT_TRUE(dialog->IsVisible());
    EXPECT_EQ(Manager()->Resolve(dialog->GetHandle()), dialog);

    // With events suppressed nothing is posted and nothing is called.
    dialog->SuppressEvents();
    Click(button.x + 5, button.y + 5);
    dialog->ResumeEvents();
    Frame();
    EXPECT_EQ(parent->Of("DlgClose").size(), 1u);
    EXPECT_EQ(closes.calls.size(), 1u);
}

} // namespace
