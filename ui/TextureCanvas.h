#pragma once

#include "foundation/String.h"
#include "foundation/Vector.h"
#include "ui/PixelBufferCanvas.h"

#include <array>
#include <cstdint>
#include <memory>

namespace UILib
{

// The pixel-buffer canvas of a window with an own canvas: what the presentation needs (transparency
// and brightness 0 … 255, a filter mode, an offset, a scaling and a rotation about a pivot that make its
// 2D transform, so hit testing follows the canvas as drawn) and timed ramps of these values on the
// window-system clock. Still abstract: the concrete canvas supplies Destroy, the type tag, the position,
// BeginDraw/EndDraw and the pixel block.
class CTextureCanvas : public CPixelBufferCanvas
{
public:
    CTextureCanvas(std::int32_t width, std::int32_t height);
    ~CTextureCanvas() override;

    // Store the level and end its ramp.
    virtual void SetBrightnessLevel(std::int32_t level);
    // Sets the content-changed flag whatever the argument.
    virtual void SetContentChanged(bool changed);
    virtual void SetTransparencyLevel(std::int32_t level);
    virtual std::int32_t GetTransparencyLevel() const { return m_transparency; }
    virtual std::int32_t GetBrightnessLevel() const { return m_brightness; }
    // Store, update the transform and end the value's ramps.
    virtual void SetOffset(float x, float y);
    virtual BaseLib::CVector2 GetOffset() const { return m_offset; }
    virtual void SetScaling(float x, float y);
    virtual BaseLib::CVector2 GetScaling() const { return m_scaling; }
    virtual void SetRotation(float angle);
    virtual float GetRotation() const { return m_rotation; }
    // Stores and updates the transform; no ramp.
    virtual void SetPivot(float x, float y);
    virtual BaseLib::CVector2 GetPivot() const { return m_pivot; }
    // Ramps from the current value to the target over duration seconds (0 or less: at the next step).
    virtual void MoveTo(float x, float y, float duration);
    virtual void ScaleTo(float x, float y, float duration);
    virtual void RotateTo(float angle, float duration);
    virtual void FadeTransparencyTo(float level, float duration);
    virtual void FadeBrightnessTo(float level, float duration);
    // Whether any ramp existed before this call's UpdateAnimations (so true in the call in which the
    // last ramp finishes).
    virtual bool IsAnimating();
    // Here: MarkAllDirty.
    virtual void ReleaseDeviceData();
    virtual void RestoreDeviceData();
    // Reads the clock once and steps offset x, offset y, scaling x, scaling y, transparency, brightness,
    // rotation; finished ramps are deleted. Writes the fields only: the transform is not recomputed.
    virtual void UpdateAnimations();

    // The pivot keeps its relative place (an axis whose old size is 0 takes its middle); the transform
    // is not recomputed and the row length and block are the derived class's.
    void Resize(std::int32_t width, std::int32_t height) override;
    // Appends "Transparency", "Brightness", "Pivot", "Rotation", "Scaling", "Filter Mode".
    void GetProperties(CPropertyList& properties) override;
    // local = T(-pivot) · S(scaling) · R(rotation, offset + pivot), then the canvas's update.
    void UpdateTransform() override;
    void Render(void*) override {}

    // The property faces: levels / 255; setting stores trunc(value × 255) within 0 … 255 and leaves a
    // running ramp in place.
    float GetTransparency() const { return static_cast<float>(m_transparency) / 255.0f; }
    void SetTransparency(float value);
    float GetBrightness() const { return static_cast<float>(m_brightness) / 255.0f; }
    void SetBrightness(float value);
    BaseLib::CVector2 GetPivotValue() const { return m_pivot; }
    void SetPivotValue(const BaseLib::CVector2& pivot) { SetPivot(pivot.x, pivot.y); }
    BaseLib::CVector2 GetScalingValue() const { return m_scaling; }
    void SetScalingValue(const BaseLib::CVector2& scaling) { SetScaling(scaling.x, scaling.y); }
    // 0 "Point", 1 "Linear".
    int GetFilterMode() const { return m_filterMode; }
    void SetFilterMode(int mode) { m_filterMode = mode; }

    bool GetContentChanged() const { return m_contentChanged; }
    void ClearContentChanged() { m_contentChanged = false; }
    // The framework's canvas may draw through a vertex program: the base only notes the wish.
    virtual void EnableVertexShader(const BaseLib::CString& file);
    bool IsVertexShaderWanted() const { return m_vertexShaderWanted; }

protected:
    enum Slot
    {
        SlotOffsetX,
        SlotOffsetY,
        SlotScalingX,
        SlotScalingY,
        SlotTransparency,
        SlotBrightness,
        SlotRotation,
        SlotCount
    };
    // One moving value: written through exactly one of the two targets.
    struct CRamp
    {
        float* floatTarget = nullptr;
        std::int32_t* intTarget = nullptr;
        double startTime = 0.0;
        float startValue = 0.0f;
        float endValue = 0.0f;
        float duration = 0.0f;
        float rate = 0.0f;
        // Writes the value at time t; true when finished.
        bool Step(double t) const;
    };
    void StartRamp(Slot slot, float* floatTarget, std::int32_t* intTarget, float end, float duration);
    void EndRamp(Slot slot) { m_ramps[slot].reset(); }

    std::int32_t m_transparency = 255;
    std::int32_t m_brightness = 255;
    int m_filterMode = 0;
    BaseLib::CVector2 m_offset{0.0f, 0.0f};
    BaseLib::CVector2 m_scaling{1.0f, 1.0f};
    BaseLib::CVector2 m_pivot;
    float m_rotation = 0.0f;
    bool m_contentChanged = false;
    bool m_vertexShaderWanted = false;
    std::array<std::unique_ptr<CRamp>, SlotCount> m_ramps;
};

} // namespace UILib
