#pragma once

#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"

#include <cstdint>
#include <vector>

namespace UILib
{

// A window that plays a list of frames, each its own bitmap shown for its own time, on one-shot window
// timers. It publishes no properties: the multi-layer animated label fills it in code.
class CAnimatedLabel : public CWindow
{
public:
    // Modes: 0 forwards, 1 backwards, 2 ping-pong; any other value holds the frame on each tick.
    static constexpr int Forwards = 0;
    static constexpr int Backwards = 1;
    static constexpr int PingPong = 2;
    static constexpr int DefaultDisplayTimeMs = 40;

    CAnimatedLabel();
    ~CAnimatedLabel() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CAnimatedLabel"; }
    BaseLib::CString GetDebugDescription() const override { return "CAnimatedLabel"; }
    // The current frame's bitmap size: set exactly, or only grown to; nothing without a current image.
    void FitToContent(bool exact) override;
    void Paint(CDrawContext& context) override;
    bool OnTimer(Handle timer) override;
    bool ApplyVisualization() override;

    // Appends a frame and returns its index. An empty file gives a frame that shows nothing for its
    // time; a display time not above 0 means the default. The first frame becomes current.
    int AddFrame(const BaseLib::CString& file, int displayTimeMs);
    int GetFrameCount() const { return static_cast<int>(m_frames.size()); }
    // Stops first when playing; then, with frames, arms a one-shot timer for the current frame's time.
    void Start();
    // Only while a timer is pending: kills it and makes frame 0 current.
    void Stop();
    // Stop, then no frames and no current frame.
    void ClearFrames();
    bool IsPlaying() const { return m_timer != 0; }

    // -1 while there are no frames.
    int GetCurrentFrame() const { return m_currentFrame; }
    // Null without a current frame or when the current frame has no bitmap.
    const CBitmap* GetCurrentImage() const;
    // The stored display time of a frame (not above 0: the default applies).
    int GetFrameDisplayTime(int index) const { return m_frames[static_cast<std::size_t>(index)].displayTimeMs; }
    const CBitmap& GetFrameBitmap(int index) const { return m_frames[static_cast<std::size_t>(index)].bitmap; }

    // Values not above 0 are ignored.
    void SetDefaultDisplayTime(int milliseconds);
    int GetDefaultDisplayTime() const { return m_defaultDisplayTimeMs; }
    // Stores the mode and turns the ping-pong direction upwards.
    void SetMode(int mode);
    int GetMode() const { return m_mode; }
    // Off also makes the window transparent (on leaves transparency as it is).
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }

private:
    struct Frame
    {
        CBitmap bitmap; // empty for an empty file name
        int displayTimeMs;
    };

    // The current frame's time, or the default when that is not above 0.
    int CurrentDisplayTime() const;
    void ArmTimer();

    std::vector<Frame> m_frames;
    int m_currentFrame = -1;
    Handle m_timer = 0;
    int m_defaultDisplayTimeMs = DefaultDisplayTimeMs;
    bool m_background = true;
    bool m_pingPongUp = true;
    int m_mode = Forwards;
};

// The background step shared by both animated labels: the visualization's fill over the client
// rectangle when background is on, unless Write Alpha is on and the bitmap (null: none) covers the window.
void PaintAnimationBackground(const CWindow& window, CDrawContext& context, const CBitmap* bitmap, bool background);

// A one-shot timer interval from a sum of milliseconds that may lie outside the timer's range.
std::uint32_t TimerInterval(std::int64_t milliseconds);

} // namespace UILib
