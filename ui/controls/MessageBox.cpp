#include "ui/controls/MessageBox.h"

#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ResolveAs.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CSize;

namespace
{

// The window system's key code of Escape.
constexpr std::uint32_t KeyEscape = 0x10A;

// One button set: the texts and results of buttons 1, 2, 3 (null text: no such button).
struct ButtonSet
{
    std::uint32_t set;
    const char* texts[3];
    std::int32_t results[3];
    bool hasCancel;
};

// The last entry stands for every value not listed: one "OK" that reports no result.
const ButtonSet ButtonSets[] = {
    {CMessageBox::ButtonsOk, {"OK", nullptr, nullptr}, {1, 0, 0}, false},
    {CMessageBox::ButtonsOkCancel, {"OK", "Cancel", nullptr}, {1, 2, 0}, true},
    {CMessageBox::ButtonsYesNo, {"Yes", "No", nullptr}, {3, 4, 0}, false},
    {CMessageBox::ButtonsRetryCancel, {"Retry", "Cancel", nullptr}, {5, 2, 0}, true},
    {CMessageBox::ButtonsRetryCancelIgnore, {"Retry", "Cancel", "Ignore"}, {5, 2, 6}, true},
    {CMessageBox::ButtonsYesCancelNo, {"Yes", "Cancel", "No"}, {3, 2, 4}, true},
    {0, {"OK", nullptr, nullptr}, {0, 0, 0}, false},
};

const ButtonSet& SetOf(std::uint32_t flags)
{
    const std::uint32_t set = flags & CMessageBox::ButtonSetMask;
    for (const ButtonSet& entry : ButtonSets)
    {
        if (entry.set == set)
        {
            return entry;
        }
    }
    return ButtonSets[std::size(ButtonSets) - 1];
}

const char* IconFile(std::uint32_t flags)
{
    switch (flags & CMessageBox::IconMask)
    {
    case CMessageBox::IconExclamation: return "std_iconexclamation.png";
    case CMessageBox::IconWarning: return "std_iconwarning.png";
    default: return "std_iconinfo.png";
    }
}

} // namespace

CMessageBox::CMessageBox(const BaseLib::CString& caption, const BaseLib::CString& text, std::uint32_t flags,
                         Handle notifyWindow, const CMessageBoxCallback& callback)
    : m_flags(flags), m_notifyWindow(notifyWindow), m_callback(callback)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager != nullptr)
    {
        manager->PushModalWindow(this);
    }
    auto* textLabel = new CLabel();
    textLabel->SetText(text);

    const ButtonSet& set = SetOf(flags);
    CButton* buttons[3] = {nullptr, nullptr, nullptr};
    m_buttonCount = 0;
    for (std::int32_t i = 0; i < 3 && set.texts[i] != nullptr; ++i)
    {
        buttons[i] = new CButton();
        buttons[i]->SetText(set.texts[i]);
        m_buttonCount = i + 1;
    }
    auto* iconLabel = new CLabel();
    iconLabel->SetBitmapFile(IconFile(flags));

    static const char* const buttonNames[3] = {"__button1", "__button2", "__button3"};
    textLabel->SetName("__textlabel");
    m_textLabel = textLabel->GetHandle();
    AddChild(m_textLabel);
    for (std::int32_t i = 0; i < m_buttonCount; ++i)
    {
        buttons[i]->SetName(buttonNames[i]);
        m_buttons[i] = buttons[i]->GetHandle();
        AddChild(m_buttons[i]);
    }
    iconLabel->SetName("__icon");
    iconLabel->SetTransparent(true);
    m_iconLabel = iconLabel->GetHandle();
    AddChild(m_iconLabel);

    if (manager != nullptr)
    {
        manager->AddToLayer(this, 0);
        manager->ActivateWindow(m_handle, true);
    }
    SetCaption(caption);
    ApplyVisualization();
    CreateOwnCanvas();
}

CMessageBox::~CMessageBox()
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(this);
    }
}

CMessageBox* CMessageBox::Create(const BaseLib::CString& caption, const BaseLib::CString& text, std::uint32_t flags,
                                 const CMessageBoxCallback& callback)
{
    return new CMessageBox(caption, text, flags, 0, callback);
}

CButton* CMessageBox::GetButton(std::int32_t number) const
{
    return number >= 1 && number <= 3 ? ResolveAs<CButton>(m_buttons[number - 1]) : nullptr;
}

CLabel* CMessageBox::GetTextLabel() const
{
    return ResolveAs<CLabel>(m_textLabel);
}

CLabel* CMessageBox::GetIconLabel() const
{
    return ResolveAs<CLabel>(m_iconLabel);
}

std::int32_t CMessageBox::ResultOf(Handle sender) const
{
    const ButtonSet& set = SetOf(m_flags);
    for (std::int32_t i = 0; i < m_buttonCount; ++i)
    {
        if (sender != 0 && sender == m_buttons[i])
        {
            return set.results[i];
        }
    }
    return ResultNone;
}

void CMessageBox::EndDialog(std::int32_t result)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    if (m_notifyWindow != 0)
    {
        PostNotification(m_notifyWindow,
                         CWindowMessage("MsgBoxDc", 0, static_cast<std::uint32_t>(result), m_handle));
    }
    if (m_callback.IsSet())
    {
        m_callback(result);
    }
}

void CMessageBox::Finish(std::int32_t result)
{
    if (m_finished)
    {
        return;
    }
    m_finished = true;
    EndDialog(result);
    Destroy();
}

bool CMessageBox::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnClick"))
    {
        Finish(ResultOf(message.second));
    }
    return CDialogWindow::OnMessage(message);
}

bool CMessageBox::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    if (key != KeyEscape)
    {
        return CWindow::OnKeyDown(key, modifiers);
    }
    if (SetOf(m_flags).hasCancel)
    {
        Finish(ResultCancel);
    }
    return true;
}

bool CMessageBox::ApplyVisualization()
{
    CVisualization* visualization = VisualizationOf(*this);
    CLabel* textLabel = GetTextLabel();
    CLabel* iconLabel = GetIconLabel();
    if (visualization == nullptr || textLabel == nullptr || iconLabel == nullptr)
    {
        return CDialogWindow::ApplyVisualization();
    }
    const CVisualizationMetrics& metrics = visualization->GetMetrics();
    const std::int32_t titleHeight = metrics.captionHeight;
    const std::int32_t buttonWidth = metrics.messageBoxButtonWidth;
    const std::int32_t buttonHeight = metrics.messageBoxButtonHeight;
    CSize screen(0, 0);
    if (CWindow* top = GetTopLevelWindow(); top != nullptr && top != this)
    {
        screen = top->GetSize();
    }

    iconLabel->FitToContent(true);
    textLabel->FitToContent(true);
    for (std::int32_t i = 1; i <= m_buttonCount; ++i)
    {
        if (CButton* button = GetButton(i))
        {
            button->SetSize(buttonWidth, buttonHeight);
        }
    }
    const CSize icon = iconLabel->GetSize();
    const CSize text = textLabel->GetSize();
    const std::int32_t height = std::max(icon.cy, text.cy) + buttonHeight + titleHeight + 30;
    SetSize(text.cx + icon.cx + 40, height);
    EnsureMinimumSize(CSize(3 * buttonWidth + 40, height));
    if (screen.cx > 0)
    {
        LimitSize(CSize(3 * screen.cx / 4, -1));
    }

    const std::int32_t w = m_width;
    const std::int32_t h = m_height;
    iconLabel->SetPosition(10, 10);
    textLabel->EnsureMinimumSize(CSize(w - (icon.cx + 20) / 2 - icon.cx - 40, text.cy));
    textLabel->SetPosition(icon.cx + 20, 10);

    const std::int32_t y = h - buttonHeight - titleHeight - 10;
    std::int32_t x[3] = {w / 2 - buttonWidth / 2, 0, 0};
    if (m_buttonCount == 2)
    {
        x[0] = w / 2 - buttonWidth - 5;
        x[1] = w / 2 + 5;
    }
    else if (m_buttonCount == 3)
    {
        // The third button stands in the middle, the second on the right.
        x[0] = w / 2 - (3 * buttonWidth) / 2 - 10;
        x[2] = w / 2 - buttonWidth / 2;
        x[1] = w / 2 + buttonWidth / 2 + 10;
    }
    for (std::int32_t i = 1; i <= m_buttonCount; ++i)
    {
        if (CButton* button = GetButton(i))
        {
            button->SetPosition(x[i - 1], y);
        }
    }
    if (screen.cx > 0)
    {
        SetPosition(screen.cx / 2 - w / 2, screen.cy / 2 - h / 2);
    }
    return CDialogWindow::ApplyVisualization();
}

} // namespace UILib
