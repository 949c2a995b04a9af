#include "ui/controls/AnimatedLabel.h"

#include "ui/DrawContext.h"
#include "ui/Visualization.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <limits>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CString;

void PaintAnimationBackground(const CWindow& window, CDrawContext& context, const CBitmap* bitmap, bool background)
{
    if (!background)
    {
        return;
    }
    const BaseLib::CSize size = window.GetSize();
    const bool covered = bitmap != nullptr && bitmap->IsValid() && bitmap->GetWidth() >= size.cx &&
                         bitmap->GetHeight() >= size.cy;
    if (window.GetWriteAlpha() && covered)
    {
        return;
    }
    if (CVisualization* visualization = VisualizationOf(window))
    {
        visualization->FillBackground(context, window.GetClientRect(), 0);
    }
}

std::uint32_t TimerInterval(std::int64_t milliseconds)
{
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(milliseconds, 0, std::numeric_limits<std::uint32_t>::max()));
}

CAnimatedLabel::CAnimatedLabel()
{
    SetSize(1, 1);
    CAnimatedLabel::FitToContent(false);
    CWindow::ApplyVisualization();
}

CAnimatedLabel::~CAnimatedLabel()
{
    if (m_timer != 0)
    {
        KillTimer(m_timer);
    }
}

CWindow* CAnimatedLabel::Create()
{
    return new CAnimatedLabel();
}

const CBitmap* CAnimatedLabel::GetCurrentImage() const
{
    if (m_currentFrame < 0 || m_currentFrame >= GetFrameCount())
    {
        return nullptr;
    }
    const CBitmap& bitmap = m_frames[static_cast<std::size_t>(m_currentFrame)].bitmap;
    return bitmap.IsValid() ? &bitmap : nullptr;
}

int CAnimatedLabel::AddFrame(const CString& file, int displayTimeMs)
{
    Frame frame{file.GetLength() > 0 ? CBitmap(file) : CBitmap(), displayTimeMs};
    m_frames.push_back(std::move(frame));
    if (m_frames.size() == 1)
    {
        m_currentFrame = 0;
        Invalidate(false);
    }
    return GetFrameCount() - 1;
}

int CAnimatedLabel::CurrentDisplayTime() const
{
    const int own = m_currentFrame >= 0 && m_currentFrame < GetFrameCount()
                        ? m_frames[static_cast<std::size_t>(m_currentFrame)].displayTimeMs
                        : 0;
    return own > 0 ? own : m_defaultDisplayTimeMs;
}

void CAnimatedLabel::ArmTimer()
{
    m_timer = SetTimer(TimerInterval(CurrentDisplayTime()), false);
}

void CAnimatedLabel::Start()
{
    if (m_timer != 0)
    {
        Stop();
    }
    if (!m_frames.empty())
    {
        ArmTimer();
    }
}

void CAnimatedLabel::Stop()
{
    if (m_timer == 0)
    {
        return;
    }
    KillTimer(m_timer);
    m_timer = 0;
    if (!m_frames.empty())
    {
        m_currentFrame = 0;
        Invalidate(false);
    }
}

void CAnimatedLabel::ClearFrames()
{
    Stop();
    m_frames.clear();
    m_currentFrame = -1;
}

void CAnimatedLabel::SetDefaultDisplayTime(int milliseconds)
{
    if (milliseconds > 0)
    {
        m_defaultDisplayTimeMs = milliseconds;
    }
}

void CAnimatedLabel::SetMode(int mode)
{
    m_mode = mode;
    m_pingPongUp = true;
}

void CAnimatedLabel::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

bool CAnimatedLabel::OnTimer(Handle timer)
{
    if (timer == 0 || timer != m_timer)
    {
        return CWindow::OnTimer(timer);
    }
    // A one-shot timer's handle is dead once it fired.
    m_timer = 0;
    const int count = GetFrameCount();
    if (count < 2)
    {
        return true;
    }
    int frame = m_currentFrame;
    switch (m_mode)
    {
    case Forwards:
        frame = frame + 1 >= count ? 0 : frame + 1;
        break;
    case Backwards:
        frame = frame - 1 < 0 ? count - 1 : frame - 1;
        break;
    case PingPong:
        if (m_pingPongUp)
        {
            ++frame;
            m_pingPongUp = frame < count - 1;
        }
        else
        {
            --frame;
            m_pingPongUp = frame <= 0;
        }
        break;
    default:
        break;
    }
    m_currentFrame = std::clamp(frame, 0, count - 1);
    ArmTimer();
    Invalidate(false);
    return true;
}

void CAnimatedLabel::FitToContent(bool exact)
{
    const CBitmap* image = GetCurrentImage();
    if (image == nullptr)
    {
        return;
    }
    if (exact)
    {
        SetSize(image->GetWidth(), image->GetHeight());
    }
    else
    {
        EnsureMinimumSize(image->GetSize());
    }
}

bool CAnimatedLabel::ApplyVisualization()
{
    FitToContent(false);
    return CWindow::ApplyVisualization();
}

void CAnimatedLabel::Paint(CDrawContext& context)
{
    const CBitmap* image = GetCurrentImage();
    PaintAnimationBackground(*this, context, image, m_background);
    if (image != nullptr)
    {
        context.DrawBitmap(CPoint((m_width - image->GetWidth()) / 2, (m_height - image->GetHeight()) / 2), *image,
                           !GetWriteAlpha());
    }
}

} // namespace UILib
