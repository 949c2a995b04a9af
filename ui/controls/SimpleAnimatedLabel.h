#pragma once

#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"

namespace UILib
{

// A window that plays one bitmap holding all its frames side by side (a strip of equal-width frames),
// one frame per tick of a one-shot window timer. Everything about it is set through its properties.
class CSimpleAnimatedLabel : public CWindow
{
public:
    // The "AnimMode" values.
    enum Mode
    {
        Forwards = 0,
        Backwards = 1,
        PingPong = 2,
        ForwardsOnce = 3,
        BackwardsOnce = 4
    };
    static constexpr int DefaultSpeedMs = 40;

    // 30 × 30, 40 ms per frame, one frame, background on, stopped.
    CSimpleAnimatedLabel();
    ~CSimpleAnimatedLabel() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CSimpleAnimatedLabel"; }
    BaseLib::CString GetDebugDescription() const override { return "CSimpleAnimatedLabel"; }
    // One frame's size (strip width / frames by the strip height): set exactly, or only grown to;
    // nothing without a bitmap.
    void FitToContent(bool exact) override;
    // The window's list, then "Bitmap", "Background", "AnimMode", "Frames", "Speed (ms/frame)",
    // "Loop Delay (ms)", "Current Frame", "Playing".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;
    // One step of the mode; a Once mode at the end of the strip and a strip of fewer than 2 frames stop.
    bool OnTimer(Handle timer) override;
    bool ApplyVisualization() override;

    // An empty name does nothing; another file than the shown one is loaded. The size stays.
    void SetBitmapFile(const BaseLib::CString& file);
    BaseLib::CString GetBitmapFile() const { return m_bitmap.GetFileName(); }
    const CBitmap& GetBitmap() const { return m_bitmap; }
    // Off also makes the window transparent (on leaves transparency as it is).
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    // Stores the mode and turns the ping-pong direction upwards.
    void SetAnimMode(int mode);
    int GetAnimMode() const { return m_mode; }
    // Below 1 gives 1. The current frame is left as it is.
    void SetFrameCount(int frames);
    int GetFrameCount() const { return m_frameCount; }
    // Used from the next timer on.
    void SetSpeed(int milliseconds) { m_speedMs = milliseconds; }
    int GetSpeed() const { return m_speedMs; }
    // Below 0 gives 0. Added to the interval each time the animation wraps.
    void SetLoopDelay(int milliseconds);
    int GetLoopDelay() const { return m_loopDelayMs; }
    // Clamped to 0 .. frames − 1.
    void SetCurrentFrame(int frame);
    int GetCurrentFrame() const { return m_currentFrame; }
    // True starts (resuming at the current frame), false stops where it stands.
    void SetPlaying(bool playing);
    // Whether a frame timer is pending.
    bool IsPlaying() const { return m_timer != 0; }
    // Kills a pending timer and arms a new one of the speed; the current frame stays.
    void Start();

private:
    void KillFrameTimer();

    CBitmap m_bitmap;
    int m_speedMs = DefaultSpeedMs;
    int m_loopDelayMs = 0;
    int m_frameCount = 1;
    int m_currentFrame = 0;
    Handle m_timer = 0;
    bool m_background = true;
    bool m_pingPongUp = true;
    int m_mode = Forwards;
};

} // namespace UILib
