#pragma once

#include "foundation/Rect.h"
#include "foundation/Resource.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"
#include "ui/Callback.h"
#include "ui/Font.h"
#include "ui/TextLines.h"
#include "ui/Window.h"
#include "ui/controls/EditText.h"

#include <cstdint>

namespace UILib
{

class CVisualization;

// One or several lines of UTF-8 text entry with a blinking caret, keyboard and mouse selection, the
// clipboard, a permitted-character list, a limit in characters, optional capitals, word wrap and
// scrolling that keeps the caret in view. The parent receives "EditChng" after every text change and
// "EditUpdt" when an edit is finished (Enter in a one-line control, deactivation after a change), each
// followed by its callback. Text, caret and hit testing share one origin: the text area's left + scrollX
// + 5, and everything is measured with one font (the control's own, else the theme's for the text style).
class CEditControl : public CWindow
{
public:
    using CEditCallback = CCallback<CEditControl*>;

    static constexpr std::int32_t DefaultTextLimit = 16383;
    static constexpr std::uint32_t BlinkMilliseconds = 500;

    CEditControl();
    ~CEditControl() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CEditControl"; }
    BaseLib::CString GetDebugDescription() const override;
    void FitToContent(bool apply) override;
    void GetProperties(CPropertyList& list) override;
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;
    bool OnActivate() override;
    bool OnDeactivate() override;
    bool OnCharKey(std::uint32_t code, std::uint8_t modifiers) override;
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    virtual bool NotifyChange();
    virtual bool NotifyUpdate();
    // Clipboard transfers. Cut and Copy without a selection change neither the text nor the clipboard.
    virtual bool Paste();
    virtual bool Cut();
    virtual bool Copy();
    // Marks the edit, lays the lines out again and sends "EditChng".
    virtual bool OnTextChanged();

    // Properties.
    void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const { return m_model.GetText(); }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool GetReadOnly() const { return m_readOnly; }
    void SetFrame(bool frame);
    bool GetFrame() const { return m_frame; }
    void SetBackground(bool background);
    bool GetBackground() const { return m_background; }
    void SetMultiline(bool multiline);
    bool GetMultiline() const { return m_multiline; }
    void SetAllowSelecting(bool allow);
    bool GetAllowSelecting() const { return m_allowSelecting; }
    void SetAllCaps(bool allCaps);
    bool GetAllCaps() const { return m_allCaps; }
    void SetForceFixedFont(bool fixed);
    bool GetForceFixedFont() const { return m_textStyle == 1; }
    void SetWordWrap(bool wrap);
    bool GetWordWrap() const { return m_wordWrap; }
    void SetHideNonPrintable(bool hide);
    bool GetHideNonPrintable() const { return m_hideNonPrintable; }
    void SetTextLimit(std::int32_t limit) { m_model.SetTextLimit(limit); }
    std::int32_t GetTextLimit() const { return m_model.GetTextLimit(); }
    void SetPermittedChars(const BaseLib::CString& permitted) { m_model.SetPermittedChars(permitted); }
    BaseLib::CString GetPermittedChars() const { return m_model.GetPermittedChars(); }

    // Other operations.
    void SetCursorPosition(std::int32_t characterIndex);
    void SetFont(const BaseLib::CResourcePtr<CFont>& font);
    // The font everything is measured and drawn with: the own one, else the theme's for the text style.
    BaseLib::CResourcePtr<CFont> GetFont() const;
    // A caret bitmap drawn instead of the theme's caret; an empty name changes nothing.
    void SetBitmapFile(const BaseLib::CString& name);
    // Pasted or program text at the cursor (upper-cased with "All Caps"), unless read-only.
    void InsertText(const BaseLib::CString& text);
    void SetChangeCallback(const CEditCallback& callback) { m_changeCallback = callback; }
    void SetUpdateCallback(const CEditCallback& callback) { m_updateCallback = callback; }

    // State for callers and tests.
    const CEditText& GetModel() const { return m_model; }
    CEditText& GetModel() { return m_model; }
    const CTextLines& GetLines() const { return m_lines; }
    std::int32_t GetCursorLine() const;
    // The caret's x and the bottom of its line, in client coordinates.
    BaseLib::CPoint GetCaretPoint() const;
    // Puts the cursor before the character under the point (client coordinates).
    void PlaceCursorAtPoint(const BaseLib::CPoint& point, bool extend);
    BaseLib::CRect GetTextArea() const;
    std::int32_t GetLineHeight() const { return m_lineHeight; }
    std::int32_t GetScrollX() const { return m_scrollX; }
    std::int32_t GetFirstLine() const { return m_firstLine; }
    std::int32_t GetVisibleLines() const { return m_visibleLines; }
    bool IsCaretShown() const { return m_caretShown; }
    Handle GetBlinkTimer() const { return m_blinkTimer; }

protected:
    CVisualization* GetVisualization() const;
    void LayoutLines();
    void RestartBlink();
    // The width of text[from, to) with CR and LF left out when they are hidden.
    std::int32_t MeasureRange(std::int32_t from, std::int32_t to) const;
    BaseLib::CString Printable(const BaseLib::CString& text) const;
    // Horizontal and vertical scrolling so the caret is in view; the caret's x.
    std::int32_t ScrollToCaret();
    void Notify(const char* code, const CEditCallback& callback);
    // A movement with the blink restarted and a repaint.
    void Moved();

    CEditText m_model;
    bool m_allowSelecting = true;
    bool m_readOnly = false;
    bool m_hideNonPrintable = true;
    bool m_wordWrap = true;
    bool m_multiline = false;
    bool m_allCaps = false;
    std::int32_t m_textStyle = 3;
    bool m_background = true;
    bool m_selectingWithMouse = false;
    BaseLib::CResourcePtr<CFont> m_font;
    std::int32_t m_lineHeight = 0;
    std::int32_t m_glyphOffset = 0;
    std::int32_t m_borderLeft = 0;
    std::int32_t m_borderTop = 0;
    std::int32_t m_borderRight = 0;
    std::int32_t m_borderBottom = 0;
    bool m_frame = true;
    bool m_changedSinceUpdate = false;
    Handle m_blinkTimer = 0; // 0: none, as everywhere in the window system
    bool m_caretShown = true;
    CTextLines m_lines;
    std::int32_t m_scrollX = 0;
    std::int32_t m_textWidth = 0;
    std::int32_t m_firstLine = 0;
    std::int32_t m_visibleLines = 1;
    bool m_partialLine = false;
    CBitmap m_caretBitmap;
    CEditCallback m_updateCallback;
    CEditCallback m_changeCallback;
};

} // namespace UILib
