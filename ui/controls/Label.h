#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/Resource.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Font.h"
#include "ui/TextLines.h"
#include "ui/Window.h"

#include <cstdint>

namespace UILib
{

class CVisualization;

// A window that shows either one text (one or more lines, aligned, optionally word-wrapped, "@" keys
// localised) or one bitmap, never both. With auto-enlarge on it grows to its content; it never shrinks
// by itself. Without an own font it uses the visualization's default font and, without an own colour,
// draws its text through the visualization.
class CLabel : public CWindow
{
public:
    // Alignment codes: horizontal 0 centre, 1 left, 2 right; vertical 0 centre, 1 top, 2 bottom.
    CLabel();
    ~CLabel() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CLabel"; }
    // SizeToContent: the content size exactly, or only growing to it.
    void FitToContent(bool exact) override;
    // The window's list, then "Text", "Bitmap", "Background", "Word Wrap", "Auto-Enlarge", "H-Alignment",
    // "V-Alignment", "Font", "Font Color".
    void GetProperties(CPropertyList& list) override;
    BaseLib::CString GetDebugDescription() const override;
    void Paint(CDrawContext& context) override;
    // Re-lays the lines out (word-wrapped text re-breaks).
    bool OnSize() override;
    // Re-lays out and fits (with auto-enlarge) before the window's own handling.
    bool ApplyVisualization() override;

    // A text beginning with "@" is a localizer key, looked up whole. Only a changed text is stored; it
    // releases the bitmap, re-lays out, fits (with auto-enlarge) and invalidates.
    virtual void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const { return m_text; }
    // Only different data is taken; it empties the text.
    void SetBitmap(const CBitmap& bitmap);
    // Loads the file through the bitmap factory when the name differs from the shown bitmap's.
    void SetBitmapFile(const BaseLib::CString& file);
    BaseLib::CString GetBitmapFile() const { return m_bitmap.GetFileName(); }
    const CBitmap& GetBitmap() const { return m_bitmap; }

    // None: the visualization's default font.
    void SetFont(const BaseLib::CResourcePtr<CFont>& font);
    BaseLib::CResourcePtr<CFont> GetFont() const;
    // The font from a description written as XML text (a bad one gives no own font).
    void SetFontName(const BaseLib::CString& description);
    // The current font's description as XML text; empty when there is no font at all.
    BaseLib::CString GetFontDescription() const;
    void SetFontColor(BaseLib::CColor colour);
    // Opaque black until a colour was set.
    BaseLib::CColor GetFontColor() const;
    bool HasOwnFontColor() const { return m_ownFontColour; }

    // Off also makes the window transparent; on leaves transparency as it is.
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    // On switches auto-enlarge off.
    void SetWordWrap(bool on);
    bool GetWordWrap() const { return m_wordWrap; }
    // On switches word wrap off.
    void SetAutoEnlarge(bool on);
    bool GetAutoEnlarge() const { return m_autoEnlarge; }
    void SetHorizontalAlignment(int alignment);
    int GetHorizontalAlignment() const { return m_horizontalAlignment; }
    void SetVerticalAlignment(int alignment);
    int GetVerticalAlignment() const { return m_verticalAlignment; }
    void SetAlignment(int horizontal, int vertical);
    // 1 draws the text in the visualization's highlighted state (owning widgets set it).
    void SetState(int state);
    int GetState() const { return m_state; }
    void SetBackgroundStyle(int style);

    void SizeToContent(bool exact) { FitToContent(exact); }
    // The content's size: the text in its font (one line: its width by the line height; more: the widest
    // line by lines × line height) or the bitmap's size.
    BaseLib::CSize GetContentSize() const;
    // True when a bitmap is shown and its pixel under the client point has an alpha other than 0.
    bool HitTestBitmapAlpha(std::int32_t x, std::int32_t y) const;
    // Line i as laid out, without its trailing line feeds.
    BaseLib::CString GetTextLine(std::int32_t index) const;
    std::int32_t GetLineCount() const { return m_lines.GetLineCount(); }
    // Where the bitmap stands in the client area, by the alignments.
    BaseLib::CPoint GetBitmapPlacement() const;
    void LayoutText();

protected:
    CVisualization* GetVisualization() const;
    // The label's painting of the text alone (steps of Paint after the background and the bitmap).
    void PaintText(CDrawContext& context);
    // The background and bitmap steps of Paint.
    void PaintBackgroundAndBitmap(CDrawContext& context);
    bool BitmapCoversWindow() const;

private:
    std::int32_t m_backgroundStyle = 0;
    BaseLib::CString m_text;
    CBitmap m_bitmap;
    bool m_background = true;
    bool m_wordWrap = false;
    bool m_autoEnlarge = true;
    int m_horizontalAlignment = 0;
    int m_verticalAlignment = 0;
    int m_state = 0;
    bool m_ownFontColour = false;
    BaseLib::CColor m_fontColour{0, 0, 0, 255};
    BaseLib::CResourcePtr<CFont> m_font;
    CTextLines m_lines;
};

// The window's visualization object (null before the window system starts).
CVisualization* VisualizationOf(const CWindow& window);

// The "Background" switch of labels and buttons: a change is stored in flag; off also makes the window
// transparent (on leaves it so); the window is invalidated.
void SwitchBackground(CWindow& window, bool& flag, bool on);

} // namespace UILib
