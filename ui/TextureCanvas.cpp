#include "ui/TextureCanvas.h"

#include "foundation/PropertyDescription.h"
#include "ui/Clock.h"

#include <cmath>
#include <limits>

namespace UILib
{

using BaseLib::CMatrix3x3;
using BaseLib::CVector2;

namespace
{

constexpr float kLargest = 3.4028235e38f;

std::int32_t LevelOf(float value)
{
    const float scaled = std::trunc(value * 255.0f);
    if (!(scaled >= 0.0f))
    {
        return 0; // negative, or not a number
    }
    return scaled > 255.0f ? 255 : static_cast<std::int32_t>(scaled);
}

// Truncated toward zero, saturating: a ramp's value is finite but may lie anywhere.
std::int32_t TruncatedLevel(float value)
{
    if (!(value == value))
    {
        return 0;
    }
    if (value >= 2147483647.0f)
    {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0f)
    {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// The six properties a window with an own canvas exposes; described once.
const BaseLib::CPropertyDescriptionScalar<CTextureCanvas, float> s_transparency(
    "Transparency", "Transparency", 1.0f, 0.0f, 1.0f, &CTextureCanvas::SetTransparency,
    &CTextureCanvas::GetTransparency);
const BaseLib::CPropertyDescriptionScalar<CTextureCanvas, float> s_brightness(
    "Brightness", "Brightness", 1.0f, 0.0f, 1.0f, &CTextureCanvas::SetBrightness, &CTextureCanvas::GetBrightness);
const BaseLib::CPropertyDescriptionScalar<CTextureCanvas, CVector2> s_pivot(
    "Pivot", "Pivot for Rotation", CVector2(0.0f, 0.0f), CVector2(0.0f, 0.0f), CVector2(kLargest, kLargest),
    &CTextureCanvas::SetPivotValue, &CTextureCanvas::GetPivotValue);
const BaseLib::CPropertyDescriptionScalar<CTextureCanvas, float> s_rotation(
    "Rotation", "Rotation", 0.0f, -3.14159f, 3.14159f, &CTextureCanvas::SetRotation, &CTextureCanvas::GetRotation);
const BaseLib::CPropertyDescriptionScalar<CTextureCanvas, CVector2> s_scaling(
    "Scaling", "Scaling", CVector2(1.0f, 1.0f), CVector2(0.001f, 0.001f), CVector2(kLargest, kLargest),
    &CTextureCanvas::SetScalingValue, &CTextureCanvas::GetScalingValue);
const BaseLib::CPropertyDescriptionEnum<CTextureCanvas> s_filterMode("Filter Mode", "Texture Filter Mode", "Point",
                                                                    "Point Linear", &CTextureCanvas::SetFilterMode,
                                                                    &CTextureCanvas::GetFilterMode);

} // namespace

CTextureCanvas::CTextureCanvas(std::int32_t width, std::int32_t height)
    : CPixelBufferCanvas(width, height),
      m_pivot(static_cast<float>(width) * 0.5f, static_cast<float>(height) * 0.5f)
{}

CTextureCanvas::~CTextureCanvas() = default;

void CTextureCanvas::SetBrightnessLevel(std::int32_t level)
{
    m_brightness = level;
    EndRamp(SlotBrightness);
}

void CTextureCanvas::SetContentChanged(bool)
{
    m_contentChanged = true;
}

void CTextureCanvas::SetTransparencyLevel(std::int32_t level)
{
    m_transparency = level;
    EndRamp(SlotTransparency);
}

void CTextureCanvas::SetOffset(float x, float y)
{
    m_offset = CVector2(x, y);
    UpdateTransform();
    EndRamp(SlotOffsetX);
    EndRamp(SlotOffsetY);
}

void CTextureCanvas::SetScaling(float x, float y)
{
    m_scaling = CVector2(x, y);
    UpdateTransform();
    EndRamp(SlotScalingX);
    EndRamp(SlotScalingY);
}

void CTextureCanvas::SetRotation(float angle)
{
    m_rotation = angle;
    UpdateTransform();
    EndRamp(SlotRotation);
}

void CTextureCanvas::SetPivot(float x, float y)
{
    m_pivot = CVector2(x, y);
    UpdateTransform();
}

void CTextureCanvas::StartRamp(Slot slot, float* floatTarget, std::int32_t* intTarget, float end, float duration)
{
    m_ramps[slot].reset();
    auto ramp = std::make_unique<CRamp>();
    ramp->floatTarget = floatTarget;
    ramp->intTarget = intTarget;
    ramp->startTime = GetTime();
    ramp->startValue = intTarget != nullptr ? static_cast<float>(*intTarget) : *floatTarget;
    ramp->endValue = end;
    ramp->duration = duration;
    // A ramp without duration finishes on its first step and never reads its rate.
    ramp->rate = duration > 0.0f ? (end - ramp->startValue) / duration : 0.0f;
    m_ramps[slot] = std::move(ramp);
}

void CTextureCanvas::MoveTo(float x, float y, float duration)
{
    StartRamp(SlotOffsetX, &m_offset.x, nullptr, x, duration);
    StartRamp(SlotOffsetY, &m_offset.y, nullptr, y, duration);
}

void CTextureCanvas::ScaleTo(float x, float y, float duration)
{
    StartRamp(SlotScalingX, &m_scaling.x, nullptr, x, duration);
    StartRamp(SlotScalingY, &m_scaling.y, nullptr, y, duration);
}

void CTextureCanvas::RotateTo(float angle, float duration)
{
    StartRamp(SlotRotation, &m_rotation, nullptr, angle, duration);
}

void CTextureCanvas::FadeTransparencyTo(float level, float duration)
{
    StartRamp(SlotTransparency, nullptr, &m_transparency, level, duration);
}

void CTextureCanvas::FadeBrightnessTo(float level, float duration)
{
    StartRamp(SlotBrightness, nullptr, &m_brightness, level, duration);
}

bool CTextureCanvas::CRamp::Step(double t) const
{
    const bool finished = !(duration > 0.0f) || t >= startTime + duration;
    const float value = finished ? endValue : static_cast<float>(t - startTime) * rate + startValue;
    if (intTarget != nullptr)
    {
        *intTarget = TruncatedLevel(value);
    }
    else
    {
        *floatTarget = value;
    }
    return finished;
}

void CTextureCanvas::UpdateAnimations()
{
    bool any = false;
    for (const auto& ramp : m_ramps)
    {
        any = any || ramp != nullptr;
    }
    if (!any)
    {
        return;
    }
    const double t = GetTime();
    for (auto& ramp : m_ramps)
    {
        if (ramp != nullptr && ramp->Step(t))
        {
            ramp.reset();
        }
    }
}

bool CTextureCanvas::IsAnimating()
{
    bool any = false;
    for (const auto& ramp : m_ramps)
    {
        any = any || ramp != nullptr;
    }
    UpdateAnimations();
    return any;
}

void CTextureCanvas::ReleaseDeviceData()
{
    MarkAllDirty();
}

void CTextureCanvas::RestoreDeviceData()
{
    MarkAllDirty();
}

void CTextureCanvas::Resize(std::int32_t width, std::int32_t height)
{
    // An axis of old size 0 has no relative place to keep (0 / 0): the pivot takes its middle, as a
    // new canvas's does.
    m_pivot.x = m_width != 0 ? static_cast<float>(width) * (m_pivot.x / static_cast<float>(m_width))
                             : static_cast<float>(width) * 0.5f;
    m_pivot.y = m_height != 0 ? static_cast<float>(height) * (m_pivot.y / static_cast<float>(m_height))
                              : static_cast<float>(height) * 0.5f;
    m_width = width;
    m_height = height;
    m_bounds = BaseLib::CRect(0, 0, width, height);
}

void CTextureCanvas::GetProperties(CPropertyList& properties)
{
    properties.emplace_back(this, &s_transparency);
    properties.emplace_back(this, &s_brightness);
    properties.emplace_back(this, &s_pivot);
    properties.emplace_back(this, &s_rotation);
    properties.emplace_back(this, &s_scaling);
    properties.emplace_back(this, &s_filterMode);
}

void CTextureCanvas::UpdateTransform()
{
    const float c = std::cos(m_rotation);
    const float s = std::sin(m_rotation);
    CMatrix3x3 rotation = CMatrix3x3::Identity;
    rotation.m[0][0] = c;
    rotation.m[0][1] = s;
    rotation.m[1][0] = -s;
    rotation.m[1][1] = c;
    rotation.m[2][0] = m_offset.x + m_pivot.x;
    rotation.m[2][1] = m_offset.y + m_pivot.y;
    m_localTransform = Multiply(Multiply(Translation(-m_pivot.x, -m_pivot.y), Scaling(m_scaling.x, m_scaling.y)),
                                rotation);
    CPixelBufferCanvas::UpdateTransform();
}

void CTextureCanvas::SetTransparency(float value)
{
    m_transparency = LevelOf(value);
}

void CTextureCanvas::SetBrightness(float value)
{
    m_brightness = LevelOf(value);
}

void CTextureCanvas::EnableVertexShader(const BaseLib::CString&)
{
    m_vertexShaderWanted = true;
}

} // namespace UILib
