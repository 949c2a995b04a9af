#pragma once

#include "foundation/Color.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"

namespace UILib
{

// A value between 0 and a range shown as a filled bar, horizontal or vertical, growing from either end,
// in plain colours or tiled bitmaps for the bar and the background. It draws everything itself and
// writes its pixels (Write Alpha is on from the start), so bitmap tiles replace what lies below.
class CProgressBar : public CWindow
{
public:
    CProgressBar();
    static CWindow* Create();

    const char* GetClassName() const override { return "CProgressBar"; }
    BaseLib::CString GetDebugDescription() const override { return "CProgressBar"; }
    // The window's list, then "Range", "Progress", "Vertical", "Inverse", "Bar Color", "Background Color",
    // "Bar Bitmap", "Background Bitmap".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;

    // Clamped to [0, range]; a value that is not at least 0 (negative, not a number) gives 0.
    void SetProgress(float progress);
    float GetProgress() const { return m_progress; }
    // Negative gives 0. The progress is kept as it is until it is set again; a bar never draws longer
    // than the window.
    void SetRange(float range);
    float GetRange() const { return m_range; }
    void SetVertical(bool vertical);
    bool GetVertical() const { return m_vertical; }
    // Horizontal bars then grow from the right, vertical ones from the top.
    void SetInverse(bool inverse);
    bool GetInverse() const { return m_inverse; }
    void SetBarColor(BaseLib::CColor colour);
    BaseLib::CColor GetBarColor() const { return m_barColour; }
    void SetBackgroundColor(BaseLib::CColor colour);
    BaseLib::CColor GetBackgroundColor() const { return m_backgroundColour; }
    // Loads the file through the bitmap factory; an empty name means no bitmap (the colour is drawn).
    void SetBarBitmapFile(const BaseLib::CString& file);
    BaseLib::CString GetBarBitmapFile() const { return m_barBitmap.GetFileName(); }
    void SetBackgroundBitmapFile(const BaseLib::CString& file);
    BaseLib::CString GetBackgroundBitmapFile() const { return m_backgroundBitmap.GetFileName(); }
    const CBitmap& GetBarBitmap() const { return m_barBitmap; }
    const CBitmap& GetBackgroundBitmap() const { return m_backgroundBitmap; }

    // The bar's length in pixels along its axis: 0 for a range of 0, never more than the window.
    std::int32_t GetBarLength() const;

private:
    float m_range = 100.0f;
    float m_progress = 0.0f;
    bool m_vertical = false;
    bool m_inverse = false;
    BaseLib::CColor m_barColour{0, 0, 255, 255};
    BaseLib::CColor m_backgroundColour{255, 255, 255, 255};
    CBitmap m_backgroundBitmap;
    CBitmap m_barBitmap;
};

} // namespace UILib
