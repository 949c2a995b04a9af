#include "game/ScreenFader.h"

#include "foundation/Color.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"

#include <cmath>

namespace
{

// The overlay's size while no root tells one.
constexpr int kOverlaySize = 32;
// The least step of a frame with time: a fade never stalls on a speed too small to move the value.
constexpr float kLeastStep = 0.0001f;

} // namespace

ScreenFader::ScreenFader(UILib::CWindow* root) : m_root(root)
{
    // The overlay is as large as the root and draws unscaled: the window system clips a window with its
    // own canvas to its unscaled client rectangle, so a small panel scaled up would cover only itself.
    m_overlay = new UILib::CPanel();
    m_overlay->SetColor(BaseLib::CColor(0, 0, 0, 255));
    m_overlay->SetSize(kOverlaySize, kOverlaySize);
    m_overlay->SetAlwaysOnTop(true);
    m_overlay->SetOwnCanvas(true);
    if (root != nullptr)
    {
        root->AddChild(m_overlay->GetHandle());
        FitToRoot();
    }
}

ScreenFader::~ScreenFader()
{
    UILib::CWindow::Delete(m_overlay);
}

void ScreenFader::SetTarget(float target, float duration)
{
    m_target = target;
    if (duration == 0.0f)
    {
        m_value = target;
    }
    else
    {
        m_speed = std::fabs(target - m_value) / duration;
    }
}

void ScreenFader::Step(float dt)
{
    if (m_value != m_target)
    {
        float step = m_speed * dt;
        if (dt != 0.0f && step == 0.0f)
        {
            step = kLeastStep;
        }
        if (std::fabs(m_value - m_target) <= step)
        {
            m_value = m_target;
        }
        else
        {
            m_value += m_value < m_target ? step : -step;
        }
    }
    if (UILib::CTextureCanvas* canvas = OverlayCanvas())
    {
        canvas->SetTransparency(1.0f - m_value);
    }
    m_overlay->SetVisible(m_value != 1.0f);
    FitToRoot();
}

void ScreenFader::FitToRoot()
{
    // The root changes its size with the picture (a device reset to another resolution).
    if (m_root != nullptr && m_root->GetSize() != m_overlay->GetSize())
    {
        m_overlay->SetSize(m_root->GetSize().cx, m_root->GetSize().cy);
        m_overlay->SetPosition(0, 0);
    }
}

UILib::CTextureCanvas* ScreenFader::OverlayCanvas() const
{
    // The window system's canvases are texture canvases in this program.
    return dynamic_cast<UILib::CTextureCanvas*>(m_overlay->GetCanvas(false));
}
