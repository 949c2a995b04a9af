#pragma once

namespace UILib
{
class CPanel;
class CWindow;
class CTextureCanvas;
} // namespace UILib

// The full-window black overlay the screens fade through. Value 1.0 shows the scene, 0.0 is black; the
// user interface steps it once per frame after the screens.
class ScreenFader
{
public:
    // An opaque black panel as large as root, always on top, with its own canvas, added to root at its
    // origin. Value, target and speed 1.0.
    explicit ScreenFader(UILib::CWindow* root);
    // Destroys the overlay, so no window of the fader is left at shut-down.
    ~ScreenFader();
    ScreenFader(const ScreenFader&) = delete;
    ScreenFader& operator=(const ScreenFader&) = delete;

    // Duration 0 sets the value at once (the speed stays); else the speed reaches the target in duration
    // seconds.
    void SetTarget(float target, float duration);
    // Moves the value toward the target by speed × dt (at least 0.0001 for a non-zero dt), snapping when
    // within one step; then the overlay's transparency is 1 − value and it shows exactly when value ≠ 1.
    // The overlay follows the root's size.
    void Step(float dt);

    float GetValue() const { return m_value; }
    float GetTarget() const { return m_target; }
    float GetSpeed() const { return m_speed; }
    bool IsFading() const { return m_value != m_target; }
    UILib::CPanel* GetOverlay() const { return m_overlay; }

private:
    UILib::CTextureCanvas* OverlayCanvas() const;
    void FitToRoot();

    UILib::CWindow* m_root = nullptr;
    UILib::CPanel* m_overlay = nullptr;
    float m_value = 1.0f;
    float m_target = 1.0f;
    float m_speed = 1.0f;
};
