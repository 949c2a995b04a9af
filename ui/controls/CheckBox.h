#pragma once

#include "foundation/Point.h"
#include "foundation/String.h"
#include "ui/controls/BasicButton.h"

namespace UILib
{

class CCheckBox;
class CLabel;
class CRadioButton;
class CVisualization;
struct CVisualizationMetrics;
using CCheckBoxCallback = CCallback<CCheckBox*>;
using CRadioButtonCallback = CCallback<CRadioButton*>;

// What the check box and the radio button share: a mark drawn by the visualization at the left, the text
// in the transparent label "__label" beside it (at twice the mark's width, centred vertically), and an
// optional background.
class CMarkButton : public CBasicButton
{
public:
    CMarkButton();

    // The label's text; the label is fitted to it and placed again.
    void SetText(const BaseLib::CString& text);
    BaseLib::CString GetText() const;
    // Off also makes the window transparent.
    void SetBackground(bool on);
    bool GetBackground() const { return m_background; }
    // The label null when it is gone.
    CLabel* GetLabel() const;
    BaseLib::CSize GetMarkSize() const { return BaseLib::CSize(m_markWidth, m_markHeight); }

    // Fits the label to its content and places it beside the mark.
    bool OnSize() override;
    // Reads the mark size, sets the minimum height to the taller of label and mark, fits, lays out.
    bool ApplyVisualization() override;

protected:
    // The mark's size in the metrics.
    virtual BaseLib::CSize MarkSizeOf(const CVisualizationMetrics& metrics) const = 0;
    // Fills the client area when the background is on; the visualization, null before the system runs.
    CVisualization* PaintBackground(CDrawContext& context);
    std::int32_t m_markWidth = 0;
    std::int32_t m_markHeight = 0;

private:
    Handle m_label = 0;
    bool m_background = true;
};

// A mark with a text beside it, unchecked (0), checked (1) or, with tri-state, undecided (2). A click
// advances the state and tells "CBoxChng" in place of "BtnClick"; setting the state is silent.
class CCheckBox : public CMarkButton
{
public:
    enum State
    {
        Unchecked,
        Checked,
        Undecided
    };

    CCheckBox();
    static CWindow* Create();

    const char* GetClassName() const override { return "CCheckBox"; }
    BaseLib::CString GetDebugDescription() const override;
    // The window's list, then "Text", "Background", "Tri-State", "State".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;
    // 0 → 1; 1 → 2 with tri-state, else 0; 2 → 0; then NotifyChange and invalidate.
    void NotifyClick() override;
    // Posts "CBoxChng" and fires the change callback unless events are suppressed.
    virtual void NotifyChange();

    // Ignores 2 without tri-state and an unchanged value; out-of-range values are ignored too.
    void SetState(int state);
    int GetState() const { return m_state; }
    // Switched off while undecided, the box becomes unchecked.
    void SetTriState(bool on);
    bool GetTriState() const { return m_triState; }
    void SetOnChange(const CCheckBoxCallback& callback) { m_onChange = callback; }

protected:
    BaseLib::CSize MarkSizeOf(const CVisualizationMetrics& metrics) const override;

private:
    int m_state = Unchecked;
    bool m_triState = false;
    CCheckBoxCallback m_onChange;
};

// A round mark with a text beside it. Selecting one clears every other radio button of the same parent;
// a click selects it and tells "RBtnChng" in place of "BtnClick".
class CRadioButton : public CMarkButton
{
public:
    CRadioButton();
    static CWindow* Create();

    const char* GetClassName() const override { return "CRadioButton"; }
    BaseLib::CString GetDebugDescription() const override;
    // The window's list, then "Text", "Background", "Selected".
    void GetProperties(CPropertyList& list) override;
    void Paint(CDrawContext& context) override;
    // "RBtnClr" deselects it.
    bool OnMessage(const CWindowMessage& message) override;
    void NotifyClick() override;
    // Label width plus twice the mark width by the own height: exact sets it, else only grows to it.
    void FitToContent(bool exact) override;
    // Posts "RBtnChng" and fires the change callback unless events are suppressed.
    virtual void NotifyChange();

    // On a change: NotifyChange first, then (selected, events not suppressed) "RBtnClr" to the siblings.
    void SetSelected(bool selected);
    bool GetSelected() const { return m_selected; }
    void SetOnChange(const CRadioButtonCallback& callback) { m_onChange = callback; }

protected:
    BaseLib::CSize MarkSizeOf(const CVisualizationMetrics& metrics) const override;

private:
    bool m_selected = false;
    CRadioButtonCallback m_onChange;
};

} // namespace UILib
