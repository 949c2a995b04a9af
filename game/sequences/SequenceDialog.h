#pragma once

#include "foundation/Point.h"
#include "ui/HandleTable.h"

#include <cstdint>

namespace UILib
{
class CBasicButton;
class CButton;
class CWindow;
} // namespace UILib

// Turns the cut-scene window's "continuebutton" and "skipbutton", its key releases and its left clicks
// into the requests the sequence player polls: continue, skip and type faster. A key or click anywhere
// in the window continues while continuing is offered, else asks for faster typing. A window without a
// button works without it. Lives no longer than the window; its destructor unhooks the callbacks.
class CSequenceDialog
{
public:
    static constexpr std::int32_t PressedNone = 0;
    static constexpr std::int32_t PressedContinue = 1;
    static constexpr std::int32_t PressedSkip = 2;

    explicit CSequenceDialog(UILib::CWindow* window);
    ~CSequenceDialog();
    CSequenceDialog(const CSequenceDialog&) = delete;
    CSequenceDialog& operator=(const CSequenceDialog&) = delete;

    // Offers continuing (the continue button enabled exactly then); offering clears the fast request.
    void ShowContinue(bool offered);
    // Whether a button was pressed; pressed gets which (PressedNone, PressedContinue, PressedSkip) and
    // fastRequest whether faster typing was asked for. Both states are cleared.
    bool GetPressed(std::int32_t& pressed, bool& fastRequest);
    // Forgets a request for faster typing (a new page starts at its own pace); a pressed button stays.
    void ClearFastRequest() { m_fastRequest = false; }

    bool IsContinueOffered() const { return m_continueOffered; }
    UILib::CButton* GetContinueButton() const { return m_continueButton; }
    UILib::CButton* GetSkipButton() const { return m_skipButton; }

private:
    void OnContinueClick(UILib::CBasicButton* button);
    void OnSkipClick(UILib::CBasicButton* button);
    void OnKeyUp(UILib::CWindow* window, std::uint32_t key, std::uint8_t modifiers);
    void OnLButtonDown(UILib::CWindow* window, BaseLib::CPoint& point);
    // A continue click while offered, else a fast request.
    void OnWindowInput();

    std::int32_t m_pressed = PressedNone;
    bool m_continueOffered = false;
    bool m_fastRequest = false;
    UILib::CButton* m_skipButton = nullptr;
    UILib::CButton* m_continueButton = nullptr;
    UILib::CWindow* m_window = nullptr;
    UILib::Handle m_windowHandle = 0;
};
