#include "ui/controls/Button.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using BaseLib::CString;

namespace
{

// Frame and fill styles of the button's face.
constexpr std::int32_t ButtonFillStyle = 1;
constexpr std::int32_t ButtonFrameStyle = 2;
constexpr std::int32_t ButtonPushedFrameStyle = 5;

const CPropertyTable<CButton>& ButtonProperties()
{
    static const CPropertyTable<CButton> table = [] {
        CPropertyTable<CButton> t;
        t.String("Text", "Text that appears on Button", CString(), &CButton::SetText, &CButton::GetText);
        t.Filename("Bitmap", "Bitmap that appears on button", ImageFileFilter, &CButton::SetNormalBitmapFile,
                   &CButton::GetNormalBitmapFile);
        t.Filename("Bitmap 'down'", "Bitmap that appears on button\nwhen it is down", ImageFileFilter,
                   &CButton::SetDownBitmapFile, &CButton::GetDownBitmapFile);
        t.Filename("Bitmap 'mouse over'",
                   "Bitmap that appears on button\nwhen it is highlighted (mouse-over)", ImageFileFilter,
                   &CButton::SetMouseOverBitmapFile, &CButton::GetMouseOverBitmapFile);
        t.Filename("Bitmap 'disabled'", "Bitmap that appears on button\nwhen it is disabled", ImageFileFilter,
                   &CButton::SetDisabledBitmapFile, &CButton::GetDisabledBitmapFile);
        t.Bool("Background", "Fill background with color?", true, &CButton::SetBackground,
               &CButton::GetBackground);
        t.Bool("Frame", "Draw frame around button?", true, &CButton::SetFrame, &CButton::GetFrame);
        t.Bool("Auto-create disabled bitmap",
               "Automatically create a bitmap for the\ndisabled state if none is provided?", true,
               &CButton::SetAutoCreateDisabledBitmap, &CButton::GetAutoCreateDisabledBitmap);
        t.Bool("Bitmap-based hit testing",
               "Mouse hit testing uses alpha channel of current bitmap,\ni.e. alpha = 0 means button is not "
               "hit.",
               false, &CButton::SetBitmapHitTest, &CButton::GetBitmapHitTest);
        t.String("Anim Normal", "Animation when button is in normal state", CString(),
                 &CButton::SetAnimNormal, &CButton::GetAnimNormal);
        t.String("Anim Down", "Animation when button is down", CString(), &CButton::SetAnimDown,
                 &CButton::GetAnimDown);
        t.String("Anim Hovered", "Animation when button is hovered", CString(), &CButton::SetAnimHovered,
                 &CButton::GetAnimHovered);
        t.String("Anim Disabled", "Animation when button is disabled", CString(), &CButton::SetAnimDisabled,
                 &CButton::GetAnimDisabled);
        return t;
    }();
    return table;
}

// Two empty texts are equal; otherwise by contents.
bool SameText(const CString& a, const CString& b)
{
    return (a.GetLength() == 0 && b.GetLength() == 0) || a == b;
}

} // namespace

CButton::CButton()
{
    CLabel* label = new CLabel();
    label->SetName("__label");
    m_label = label->GetHandle();
    AddChild(m_label);
    label->SetText("Button");
    label->SetBackground(false);
    label->SetTransparent(true);
    EnableMouseEnterLeave();
    ApplyVisualization();
}

CButton::~CButton() = default;

CWindow* CButton::Create()
{
    return new CButton();
}

CLabel* CButton::GetLabel() const
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr ? static_cast<CLabel*>(manager->Resolve(m_label)) : nullptr;
}

void CButton::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    ButtonProperties().AppendTo(list, this);
}

CString CButton::GetDebugDescription() const
{
    return CString("CButton Label = [") + GetText() + "]";
}

// Text, bitmaps and flags

CString CButton::GetText() const
{
    const CLabel* label = GetLabel();
    return label != nullptr ? label->GetText() : CString();
}

void CButton::ReleaseBitmaps()
{
    for (CBitmap& bitmap : m_bitmaps)
    {
        bitmap.Release();
    }
    m_greyCopy.Release();
}

void CButton::SetText(const CString& text)
{
    CLabel* label = GetLabel();
    if (label == nullptr || SameText(label->GetText(), text))
    {
        return;
    }
    label->SetText(text);
    ReleaseBitmaps();
    OnSize();
}

void CButton::SetBitmapFile(BitmapState state, const CString& file)
{
    if (!m_bitmaps[state].IsDifferentFile(file))
    {
        return;
    }
    m_bitmaps[state] = CBitmap(file);
    if (state == StateNormal)
    {
        m_greyCopy.Release();
    }
    UpdateFace();
    ApplyVisualization();
}

void CButton::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

void CButton::SetFrame(bool on)
{
    m_frame = on;
    OnSize();
    Invalidate(false);
}

void CButton::SetAutoCreateDisabledBitmap(bool on)
{
    if (on != m_autoCreateDisabled)
    {
        m_autoCreateDisabled = on;
        UpdateFace();
    }
}

void CButton::SetStateAnimation(BitmapState state, const CString& name)
{
    m_animations[state] = name;
    UpdateStateAnimation();
}

void CButton::SetWriteAlpha(bool writeAlpha)
{
    CWindow::SetWriteAlpha(writeAlpha);
    if (CLabel* label = GetLabel())
    {
        label->SetWriteAlpha(writeAlpha);
    }
}

// State

void CButton::SetPushed(bool pushed)
{
    // The frame shows the state: a change repaints it, also when code pushes the button.
    if (pushed != IsPushed())
    {
        Invalidate(false);
    }
    CBasicButton::SetPushed(pushed);
    UpdateFace();
    UpdateStateAnimation();
}

void CButton::OnDisabledChanged()
{
    CWindow::OnDisabledChanged();
    UpdateFace();
    UpdateStateAnimation();
}

void CButton::SetHovered(bool hovered)
{
    if (hovered == m_hovered)
    {
        return;
    }
    m_hovered = hovered;
    UpdateFace();
    UpdateStateAnimation();
    if (!IsDisabled())
    {
        if (hovered)
        {
            OnHoverBegin();
        }
        else
        {
            OnHoverEnd();
        }
    }
}

bool CButton::OnHoverBegin()
{
    if (!AreEventsSuppressed() && m_onHoverBegin.IsSet())
    {
        m_onHoverBegin(this);
    }
    return true;
}

bool CButton::OnHoverEnd()
{
    if (!AreEventsSuppressed() && m_onHoverEnd.IsSet())
    {
        m_onHoverEnd(this);
    }
    return true;
}

bool CButton::OnMessage(const CWindowMessage& message)
{
    if (message.Is("MEnter"))
    {
        SetHovered(true);
        return true;
    }
    if (message.Is("MLeave"))
    {
        SetHovered(false);
        return true;
    }
    return CBasicButton::OnMessage(message);
}

bool CButton::OnMouseMove(CPoint& point, std::uint8_t modifiers)
{
    // While held the capture keeps every move here: hovering follows the pointer itself.
    CWindowManager* manager = CWindowManager::GetInstance();
    if ((IsPushed() || IsMouseHeld()) && manager != nullptr)
    {
        SetHovered(WindowFromPoint(manager->GetLastMousePosition(), true) != nullptr);
    }
    return CBasicButton::OnMouseMove(point, modifiers);
}

const CBitmap* CButton::DisabledFace()
{
    if (m_bitmaps[StateDisabled].IsValid())
    {
        return &m_bitmaps[StateDisabled];
    }
    if (!m_autoCreateDisabled)
    {
        return nullptr;
    }
    if (!m_greyCopy.IsValid())
    {
        m_greyCopy = m_bitmaps[StateNormal];
        CreateGreyscaleCopy(m_greyCopy);
    }
    return &m_greyCopy;
}

void CButton::ShowFace(const CBitmap& bitmap, bool down)
{
    CLabel* label = GetLabel();
    if (label == nullptr)
    {
        return;
    }
    label->SetBitmap(bitmap);
    const CPoint offset = down ? m_pressedOffset : CPoint(0, 0);
    label->SetPosition(m_labelPosition.x + offset.x, m_labelPosition.y + offset.y);
}

void CButton::UpdateFace()
{
    if (IsTextButton())
    {
        ShowFace(CBitmap(), IsPushed());
        return;
    }
    const bool disabled = IsDisabled();
    const CBitmap* shown = &m_bitmaps[StateNormal];
    const CBitmap* disabledFace = disabled ? DisabledFace() : nullptr;
    if (disabledFace != nullptr)
    {
        shown = disabledFace;
    }
    else if (!disabled && IsPushed() && m_bitmaps[StateDown].IsValid())
    {
        shown = &m_bitmaps[StateDown];
    }
    else if (!disabled && m_hovered && m_bitmaps[StateMouseOver].IsValid())
    {
        shown = &m_bitmaps[StateMouseOver];
    }
    // A bitmap face is never shifted (its pressed offset is 0).
    ShowFace(*shown, false);
}

void CButton::UpdateStateAnimation()
{
    ChooseStateAnimation(IsPushed());
}

void CButton::ChooseStateAnimation(bool down)
{
    const bool disabled = IsDisabled();
    const CString* wanted = nullptr;
    const auto consider = [&wanted](bool applies, const CString& name) {
        if (wanted == nullptr && applies && name.GetLength() > 0)
        {
            wanted = &name;
        }
    };
    consider(disabled, m_animations[StateDisabled]);
    consider(down, m_animations[StateDown]);
    consider(m_hovered && !disabled, m_animations[StateMouseOver]);
    consider(true, m_animations[StateNormal]);
    const CString name = wanted != nullptr ? *wanted : CString();
    if (SameText(name, m_currentAnimation))
    {
        return;
    }
    m_currentAnimation = name;
    if (name.GetLength() > 0)
    {
        PlayAnimation(static_cast<const char*>(name), true, 1.0f, false);
    }
}

// Geometry

bool CButton::OnSize()
{
    CLabel* label = GetLabel();
    if (label == nullptr)
    {
        return true;
    }
    std::int32_t width = m_width;
    std::int32_t height = m_height;
    if (m_frame)
    {
        width -= m_borders.left + m_borders.right;
        height -= m_borders.top + m_borders.bottom;
    }
    label->SetSize(std::max(width, 0), std::max(height, 0));
    const CSize labelSize = label->GetSize();
    m_labelPosition = CPoint((m_width - labelSize.cx) / 2, (m_height - labelSize.cy) / 2);
    UpdateFace();
    return true;
}

void CButton::FitToContent(bool exact)
{
    CLabel* label = GetLabel();
    if (label == nullptr)
    {
        return;
    }
    label->SizeToContent(true);
    CSize wanted = label->GetSize();
    if (m_frame)
    {
        wanted.cx += m_borders.left + m_borders.right;
        wanted.cy += m_borders.top + m_borders.bottom;
    }
    if (exact)
    {
        SetSize(wanted.cx, wanted.cy);
    }
    else
    {
        EnsureMinimumSize(wanted);
    }
    // An unchanged size sends no size message, yet the label was just resized to its content.
    OnSize();
}

bool CButton::ApplyVisualization()
{
    if (CVisualization* visualization = VisualizationOf(*this))
    {
        m_borders = visualization->GetBorderWidths(ButtonFrameStyle);
        if (IsTextButton())
        {
            const CVisualizationMetrics& metrics = visualization->GetMetrics();
            SetMinimumSize(CSize(metrics.buttonMinimumWidth, metrics.buttonMinimumHeight));
            SetMaximumSize(CSize(metrics.buttonMaximumWidth, metrics.buttonMaximumHeight));
            m_pressedOffset = CPoint(metrics.pressedOffsetX, metrics.pressedOffsetY);
        }
    }
    if (!IsTextButton())
    {
        m_minWidth = std::max(m_minWidth, 0);
        m_minHeight = std::max(m_minHeight, 0);
        EnsureMinimumSize(CSize(m_minWidth, m_minHeight));
        // A bitmap face is never shifted.
        m_pressedOffset = CPoint(0, 0);
    }
    OnSize();
    return CWindow::ApplyVisualization();
}

// Painting and hit testing

void CButton::Paint(CDrawContext& context)
{
    CVisualization* visualization = VisualizationOf(*this);
    if (visualization == nullptr)
    {
        return;
    }
    const CRect client = GetClientRect();
    if (m_background)
    {
        visualization->FillBackground(context, client, ButtonFillStyle);
    }
    if (m_frame)
    {
        const bool disabled = IsDisabled();
        visualization->DrawFrame(context, client,
                                 IsPushed() && !disabled ? ButtonPushedFrameStyle : ButtonFrameStyle,
                                 disabled ? 1 : 0);
    }
}

CWindow* CButton::WindowFromPoint(const CPoint& screenPoint, bool recursive)
{
    CWindow* hit = CWindow::WindowFromPoint(screenPoint, recursive);
    CLabel* label = GetLabel();
    if (!m_bitmapHitTest || label == nullptr || !label->GetBitmap().IsValid() || hit == nullptr)
    {
        return hit;
    }
    if (hit != this && hit != label)
    {
        return hit;
    }
    const CPoint local = label->ScreenToClient(screenPoint);
    return label->HitTestBitmapAlpha(local.x, local.y) ? hit : nullptr;
}

// Activation

bool CButton::OnDeactivate()
{
    Invalidate(false);
    return CBasicButton::OnDeactivate();
}

bool CButton::OnOtherActivated()
{
    Invalidate(false);
    return true;
}

bool CButton::OnOtherDeactivated()
{
    Invalidate(false);
    return OnDeactivate();
}

} // namespace UILib
