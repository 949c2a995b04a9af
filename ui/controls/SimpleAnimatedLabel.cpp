#include "ui/controls/SimpleAnimatedLabel.h"

#include "ui/DrawContext.h"
#include "ui/controls/AnimatedLabel.h"
#include "ui/controls/Label.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CString;

namespace
{

constexpr int LargestInt = std::numeric_limits<int>::max();

const CPropertyTable<CSimpleAnimatedLabel>& SimpleAnimatedLabelProperties()
{
    using L = CSimpleAnimatedLabel;
    static const CPropertyTable<L> table = [] {
        CPropertyTable<L> t;
        t.Filename("Bitmap", "Bitmap that appears on label", ImageFileFilter, &L::SetBitmapFile, &L::GetBitmapFile);
        t.Bool("Background", "Fill background with color?", true, &L::SetBackground, &L::GetBackground);
        t.Enum("AnimMode", "Animation Mode", "Forwards", "Forwards Backwards PingPong ForwardsOnce BackwardsOnce",
               &L::SetAnimMode, &L::GetAnimMode);
        t.Scalar<int>("Frames", "Number of Frames", 1, 1, LargestInt, &L::SetFrameCount, &L::GetFrameCount);
        // A layout cannot ask for less than 100 ms per frame; the registered default is the
        // description's only (a new label plays at 40 ms).
        t.Scalar<int>("Speed (ms/frame)", "Animation speed in ms per frame", 1, 100, LargestInt, &L::SetSpeed,
                      &L::GetSpeed);
        t.Scalar<int>("Loop Delay (ms)", "Delay between two loop cycles in ms", 0, 0, LargestInt, &L::SetLoopDelay,
                      &L::GetLoopDelay);
        t.Scalar<int>("Current Frame", "Current frame", 0, 0, LargestInt, &L::SetCurrentFrame, &L::GetCurrentFrame);
        t.Bool("Playing", "start or stop the animation", false, &L::SetPlaying, &L::IsPlaying);
        return t;
    }();
    return table;
}

} // namespace

CSimpleAnimatedLabel::CSimpleAnimatedLabel()
{
    SetSize(30, 30);
    CSimpleAnimatedLabel::FitToContent(false);
    CWindow::ApplyVisualization();
}

CSimpleAnimatedLabel::~CSimpleAnimatedLabel()
{
    KillFrameTimer();
}

CWindow* CSimpleAnimatedLabel::Create()
{
    return new CSimpleAnimatedLabel();
}

void CSimpleAnimatedLabel::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    SimpleAnimatedLabelProperties().AppendTo(list, this);
}

void CSimpleAnimatedLabel::SetBitmapFile(const CString& file)
{
    if (file.GetLength() == 0 || !m_bitmap.IsDifferentFile(file))
    {
        return;
    }
    m_bitmap = CBitmap(file);
    Invalidate(false);
}

void CSimpleAnimatedLabel::SetBackground(bool on)
{
    SwitchBackground(*this, m_background, on);
}

void CSimpleAnimatedLabel::SetAnimMode(int mode)
{
    m_mode = mode;
    m_pingPongUp = true;
}

void CSimpleAnimatedLabel::SetFrameCount(int frames)
{
    frames = std::max(frames, 1);
    if (frames != m_frameCount)
    {
        m_frameCount = frames;
        Invalidate(false);
    }
}

void CSimpleAnimatedLabel::SetLoopDelay(int milliseconds)
{
    m_loopDelayMs = std::max(milliseconds, 0);
}

void CSimpleAnimatedLabel::SetCurrentFrame(int frame)
{
    frame = std::clamp(frame, 0, m_frameCount - 1);
    if (frame != m_currentFrame)
    {
        m_currentFrame = frame;
        Invalidate(false);
    }
}

void CSimpleAnimatedLabel::SetPlaying(bool playing)
{
    if (playing)
    {
        Start();
    }
    else
    {
        KillFrameTimer();
    }
}

void CSimpleAnimatedLabel::KillFrameTimer()
{
    if (m_timer != 0)
    {
        KillTimer(m_timer);
        m_timer = 0;
    }
}

void CSimpleAnimatedLabel::Start()
{
    KillFrameTimer();
    m_timer = SetTimer(TimerInterval(m_speedMs), false);
}

bool CSimpleAnimatedLabel::OnTimer(Handle timer)
{
    if (timer == 0 || timer != m_timer)
    {
        return CWindow::OnTimer(timer);
    }
    // A one-shot timer's handle is dead once it fired.
    m_timer = 0;
    const int count = m_frameCount;
    if (count < 2)
    {
        return true;
    }
    // 64 bits: a current frame left above a lowered count may sit at the top of the int range.
    std::int64_t frame = m_currentFrame;
    std::int64_t interval = m_speedMs;
    switch (m_mode)
    {
    case Forwards:
        if (++frame >= count)
        {
            frame = 0;
            interval += m_loopDelayMs;
        }
        break;
    case Backwards:
        if (--frame < 0)
        {
            frame = count - 1;
            interval += m_loopDelayMs;
        }
        break;
    case ForwardsOnce:
    case BackwardsOnce:
        frame += m_mode == ForwardsOnce ? 1 : -1;
        if (frame < 0 || frame >= count)
        {
            // Played once: the last frame stays and the animation ends.
            return true;
        }
        break;
    case PingPong:
        if (m_pingPongUp)
        {
            if (++frame >= count)
            {
                frame = count - 2;
                m_pingPongUp = false;
            }
            // Two frames turn straight back to frame 0: that is the turn at the start, held once for the
            // speed plus the loop delay (not a second time at the next tick).
            if (!m_pingPongUp && frame <= 0)
            {
                m_pingPongUp = true;
                frame = 0;
                interval += m_loopDelayMs;
            }
        }
        else if (--frame <= 0)
        {
            m_pingPongUp = true;
            frame = 0;
            interval += m_loopDelayMs;
        }
        break;
    default:
        break;
    }
    m_currentFrame = static_cast<int>(frame);
    m_timer = SetTimer(TimerInterval(interval), false);
    Invalidate(false);
    return true;
}

void CSimpleAnimatedLabel::FitToContent(bool exact)
{
    if (!m_bitmap.IsValid())
    {
        return;
    }
    const std::int32_t frameWidth = m_bitmap.GetWidth() / m_frameCount;
    if (exact)
    {
        SetSize(frameWidth, m_bitmap.GetHeight());
    }
    else
    {
        EnsureMinimumSize(BaseLib::CSize(frameWidth, m_bitmap.GetHeight()));
    }
}

bool CSimpleAnimatedLabel::ApplyVisualization()
{
    FitToContent(false);
    return CWindow::ApplyVisualization();
}

void CSimpleAnimatedLabel::Paint(CDrawContext& context)
{
    PaintAnimationBackground(*this, context, &m_bitmap, m_background);
    if (!m_bitmap.IsValid())
    {
        return;
    }
    const std::int32_t frameWidth = m_bitmap.GetWidth() / m_frameCount;
    if (frameWidth == 0)
    {
        return;
    }
    const std::int32_t stripHeight = m_bitmap.GetHeight();
    const std::int32_t x0 = (m_width - frameWidth) / 2;
    const std::int32_t y0 = (m_height - stripHeight) / 2;
    const std::int64_t stripX = std::int64_t{x0} - std::int64_t{m_currentFrame} * frameWidth;
    if (stripX < std::numeric_limits<std::int32_t>::min())
    {
        return; // the frame lies beyond the strip's end: nothing of it is in the box
    }
    context.DrawBitmapSection(CRect(x0, y0, x0 + frameWidth, y0 + stripHeight),
                              CPoint(static_cast<std::int32_t>(stripX), y0), m_bitmap, !GetWriteAlpha());
}

} // namespace UILib
