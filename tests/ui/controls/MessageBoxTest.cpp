#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/KeyState.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/MessageBox.h"

#include <tinyxml.h>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CButton;
using UILib::CMessageBox;
using UILib::CWindow;

namespace
{

// The standard theme's message box buttons are 90 × 21; the caption bar is 16 high.
constexpr std::int32_t ButtonWidth = 90;
constexpr std::int32_t ButtonHeight = 21;
constexpr std::int32_t TitleHeight = 16;

struct SetCase
{
    std::uint32_t flags;
    std::vector<std::string> texts;
    std::vector<std::int32_t> results; // per button
    bool escapeCancels;
};
const SetCase SetCases[] = {
    {0x100, {"OK"}, {1}, false},
    {0x200, {"OK", "Cancel"}, {1, 2}, true},
    {0x400, {"Yes", "No"}, {3, 4}, false},
    {0x800, {"Retry", "Cancel"}, {5, 2}, true},
    {0x1000, {"Retry", "Cancel", "Ignore"}, {5, 2, 6}, true},
    {0x2000, {"Yes", "Cancel", "No"}, {3, 2, 4}, true},
    {0x4000, {"OK"}, {0}, false}, // not a set: one "OK" that reports nothing
    {0, {"OK"}, {0}, false},
};

class MessageBoxTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        owner = Make<CRecordingWindow>(0, 0, 60, 60);
    }
    CMessageBox* Open(std::uint32_t flags, const char* text = "Overwrite the file?")
    {
        results.calls.clear();
        owner->log.clear();
        return new CMessageBox("Question", text, flags, owner->GetHandle(), results.Record());
    }
    // The results the owner was told, by message and by callback (which must agree).
    std::vector<std::int32_t> Told()
    {
        std::vector<std::int32_t> posted;
        for (const RecordedMessage& message : owner->Of("MsgBoxDc"))
        {
            posted.push_back(static_cast<std::int32_t>(message.first));
        }
        std::vector<std::int32_t> called;
        for (const auto& call : results.calls)
        {
            called.push_back(std::get<0>(call));
        }
        EXPECT_EQ(posted, called) << "the message and the callback tell the same";
        return called;
    }
    bool Gone(UILib::Handle handle) const { return Manager()->Resolve(handle) == nullptr; }
    void ClickCentre(CWindow* window)
    {
        const CPoint at = window->GetScreenPosition();
        const CSize size = window->GetSize();
        Click(at.x + size.cx / 2, at.y + size.cy / 2);
    }

    CRecordingWindow* owner = nullptr;
    CCallbackRecorder<std::int32_t> results;
};

TEST_F(MessageBoxTest, EachSetShowsItsButtonsAndEachButtonReportsItsResult)
{
    for (const SetCase& c : SetCases)
    {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        for (std::size_t pressed = 0; pressed < c.texts.size(); ++pressed)
        {
            CMessageBox* box = Open(c.flags);
            const UILib::Handle handle = box->GetHandle();
            ASSERT_EQ(box->GetButtonCount(), static_cast<std::int32_t>(c.texts.size()));
            for (std::size_t i = 0; i < c.texts.size(); ++i)
            {
                ASSERT_NE(box->GetButton(static_cast<std::int32_t>(i) + 1), nullptr);
                EXPECT_EQ(Property(*box->GetButton(static_cast<std::int32_t>(i) + 1), "Text"), c.texts[i]);
            }
            EXPECT_EQ(box->GetButton(static_cast<std::int32_t>(c.texts.size()) + 1), nullptr);
            EXPECT_EQ(Manager()->GetTopModalWindow(), box);

            ClickCentre(box->GetButton(static_cast<std::int32_t>(pressed) + 1));
            Frames(2);
            EXPECT_EQ(Told(), std::vector<std::int32_t>{c.results[pressed]}) << "button " << pressed + 1;
            EXPECT_TRUE(Gone(handle)) << "the box destroys itself";
            EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
        }
    }
}

TEST_F(MessageBoxTest, EscapeCancelsOnlyWhereTheSetHasCancelAlsoFromAFocusedButton)
{
    for (const SetCase& c : SetCases)
    {
        for (const bool onButton : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags << (onButton ? " on a button" : ""));
            CMessageBox* box = Open(c.flags);
            const UILib::Handle handle = box->GetHandle();
            EXPECT_EQ(Manager()->GetFocus(), handle) << "a new box takes the focus";
            if (onButton)
            {
                CButton* last = box->GetButton(box->GetButtonCount());
                Manager()->ActivateWindow(last->GetHandle(), true);
                ASSERT_EQ(Manager()->GetFocus(), last->GetHandle());
            }
            KeyPress(Platform::VK_ESCAPE);
            Frames(2);
            if (c.escapeCancels)
            {
                EXPECT_EQ(Told(), std::vector<std::int32_t>{2});
                EXPECT_TRUE(Gone(handle));
            }
            else
            {
                EXPECT_EQ(Told(), std::vector<std::int32_t>{}) << "swallowed";
                ASSERT_FALSE(Gone(handle));
                KeyPress(Platform::VK_RETURN);
                Frames(2);
                EXPECT_EQ(Told(), std::vector<std::int32_t>{}) << "Enter has no default button";
                EXPECT_FALSE(Gone(handle));
                CWindow::Delete(box);
                EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr) << "the destructor leaves the modal stack";
            }
        }
    }
}

TEST_F(MessageBoxTest, AForeignClickNoticeOrSuppressedEventsCloseWithoutAResult)
{
    // A "BtnClick" from a window that is not one of its buttons reports 0.
    CMessageBox* box = Open(0x200);
    UILib::Handle handle = box->GetHandle();
    Post(box, UILib::CWindowMessage("BtnClick", UILib::CWindowMessage::Input, 0, owner->GetHandle()));
    Frames(2);
    EXPECT_EQ(Told(), std::vector<std::int32_t>{0});
    EXPECT_TRUE(Gone(handle));

    // Suppressed events: the box closes silently.
    box = Open(0x200);
    handle = box->GetHandle();
    box->SuppressEvents();
    ClickCentre(box->GetButton(1));
    Frames(2);
    EXPECT_EQ(Told(), std::vector<std::int32_t>{});
    EXPECT_TRUE(Gone(handle));

    // Create has no notify window: only the callback hears.
    results.calls.clear();
    owner->log.clear();
    box = CMessageBox::Create("Note", "Done.", 0x100, results.Record());
    handle = box->GetHandle();
    ClickCentre(box->GetButton(1));
    Frames(2);
    EXPECT_TRUE(owner->Of("MsgBoxDc").empty());
    ASSERT_EQ(results.calls.size(), 1u);
    EXPECT_EQ(std::get<0>(results.calls[0]), 1);
    EXPECT_TRUE(Gone(handle));
}

TEST_F(MessageBoxTest, OnlyTheFirstResultIsReported)
{
    // The box stays until the end of the frame: a click and an Escape in the same frame, or a second
    // button's notice, must not tell the owner a second result.
    CMessageBox* box = Open(0x2000);
    UILib::Handle handle = box->GetHandle();
    ClickCentre(box->GetButton(1));
    KeyPress(Platform::VK_ESCAPE);
    Send(box, UILib::CWindowMessage("BtnClick", UILib::CWindowMessage::Input, 0, box->GetButton(3)->GetHandle()));
    Frames(2);
    EXPECT_EQ(Told().size(), 1u);
    EXPECT_TRUE(Gone(handle));
}

TEST_F(MessageBoxTest, WhileOpenClicksBehindItDoNotArrive)
{
    CMessageBox* box = Open(0x100);
    Click(20, 20);
    Frame();
    EXPECT_TRUE(owner->Of("MLBDwn").empty()) << "the box is modal";
    ClickCentre(box->GetButton(1));
    Frames(2);
    Click(20, 20);
    EXPECT_EQ(owner->Of("MLBDwn").size(), 1u) << "after it closed the click arrives";
}

TEST_F(MessageBoxTest, TheBoxLaysItselfOutAroundItsTextAndCentresOnTheScreen)
{
    // Three buttons: the third in the middle, the second on the right.
    CMessageBox* box = Open(0x1000, "Short.");
    const CSize size = box->GetSize();
    const std::int32_t w = size.cx;
    const std::int32_t h = size.cy;
    EXPECT_EQ(w, 3 * ButtonWidth + 40) << "a short text leaves the width of three buttons";
    const UILib::CLabel* icon = box->GetIconLabel();
    const UILib::CLabel* text = box->GetTextLabel();
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(icon->GetSize(), CSize(32, 32));
    EXPECT_EQ(h, std::max(32, text->GetSize().cy) + ButtonHeight + TitleHeight + 30);
    EXPECT_EQ(icon->GetPosition(), CPoint(10, 10));
    EXPECT_EQ(text->GetPosition(), CPoint(32 + 20, 10));
    const std::int32_t y = h - ButtonHeight - TitleHeight - 10;
    EXPECT_EQ(box->GetButton(1)->GetPosition(), CPoint(w / 2 - 3 * ButtonWidth / 2 - 10, y));
    EXPECT_EQ(box->GetButton(3)->GetPosition(), CPoint(w / 2 - ButtonWidth / 2, y));
    EXPECT_EQ(box->GetButton(2)->GetPosition(), CPoint(w / 2 + ButtonWidth / 2 + 10, y));
    EXPECT_EQ(box->GetButton(1)->GetSize(), CSize(ButtonWidth, ButtonHeight));
    EXPECT_EQ(box->GetPosition(), CPoint(RootWidth / 2 - w / 2, RootHeight / 2 - h / 2));
    EXPECT_EQ(box->GetParentHandle(), RootWindow()->GetHandle()) << "on layer 0";
    EXPECT_TRUE(box->HasOwnCanvas());
    CWindow* clientArea = box->GetClientArea();
    for (const char* part : {"__textlabel", "__button1", "__button2", "__button3", "__icon"})
    {
        EXPECT_NE(clientArea->FindChildByName(part, false), nullptr) << part;
    }

    // The layout writer lists the dialog's three properties after the window's eleven and, as the box
    // has its own canvas, the canvas's six.
    TiXmlDocument document;
    box->SaveXml(&document, false);
    std::vector<std::string> names;
    for (const TiXmlElement* property = document.FirstChildElement("window")->FirstChildElement("property");
         property != nullptr; property = property->NextSiblingElement("property"))
    {
        names.push_back(property->Attribute("name"));
    }
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 17, names.end()),
              (std::vector<std::string>{"Caption", "Close Button", "Draggable"}));
    EXPECT_STREQ(document.FirstChildElement("window")->Attribute("type"), "CMessageBox");
    CWindow::Delete(box);

    // Two buttons stand either side of the middle.
    box = Open(0x400);
    EXPECT_EQ(box->GetButton(1)->GetPosition().x, box->GetSize().cx / 2 - ButtonWidth - 5);
    EXPECT_EQ(box->GetButton(2)->GetPosition().x, box->GetSize().cx / 2 + 5);
    CWindow::Delete(box);

    // A long text keeps the box at three quarters of the screen's width.
    box = Open(0x100, "A text much longer than the screen is wide, so that the box would run over both of "
                      "its edges if it grew with the text alone, as it does for short ones.");
    EXPECT_GT(box->GetTextLabel()->GetSize().cx, RootWidth);
    EXPECT_EQ(box->GetSize().cx, 3 * RootWidth / 4);
    EXPECT_EQ(box->GetPosition().x, RootWidth / 2 - 3 * RootWidth / 8);
    CWindow::Delete(box);
}

TEST_F(MessageBoxTest, TheIconFollowsTheLowBits)
{
    struct Case
    {
        std::uint32_t flags;
        const char* icon;
    };
    const Case cases[] = {
        {0x100, "std_iconinfo.png"},          {0x102, "std_iconexclamation.png"},
        {0x404, "std_iconwarning.png"},       {0x101, "std_iconinfo.png"},
        {0x103, "std_iconinfo.png"},          {0x107, "std_iconinfo.png"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.icon);
        CMessageBox* box = Open(c.flags);
        const UILib::CLabel* icon = box->GetIconLabel();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(std::string(icon->GetBitmapFile()).find(c.icon) != std::string::npos, true)
            << std::string(icon->GetBitmapFile());
        EXPECT_FALSE(icon->GetBitmap().IsPlaceholder()) << "the theme folder holds the icon";
        EXPECT_TRUE(icon->IsTransparent());
        CWindow::Delete(box);
    }
}

TEST_F(MessageBoxTest, PictureOfTheSixSets)
{
    const std::uint32_t sets[] = {0x100, 0x200 | 2, 0x404, 0x800 | 2, 0x1000 | 4, 0x2000};
    std::vector<CMessageBox*> boxes;
    for (std::size_t i = 0; i < std::size(sets); ++i)
    {
        CMessageBox* box = Open(sets[i], "Keep the changes?");
        box->SetPosition(5 + static_cast<std::int32_t>(i % 2) * 318, 5 + static_cast<std::int32_t>(i / 2) * 155);
        boxes.push_back(box);
    }
    Compose();
    for (CMessageBox* box : boxes)
    {
        const CPoint at = box->GetPosition();
        const CColor caption = Pixel(at.x + box->GetSize().cx - 10, at.y + 10);
        EXPECT_EQ(caption, box == boxes.back() ? CColor(50, 50, 160, 255) : CColor(50, 50, 50, 255))
            << "only the newest box holds the focus";
        // Low on the left the icon shows its shape, not the face behind it.
        const CPoint icon = box->GetIconLabel()->GetScreenPosition();
        EXPECT_NE(Pixel(icon.x + 10, icon.y + 24), StandardPalette(0));
    }
    EXPECT_FALSE(SavePicture("messagebox_sets").empty());
}

} // namespace
