#pragma once

#include "ui/controls/Label.h"

#include <cstdint>
#include <string>

// The speech box of the cut-scenes: a box picture with a text label inside on which a text types
// character by character, with a typing tick at most once per frame. Styles: 0 map screen, 1 tutorial
// (puzzle screens), 2 extro (silent). Created hidden; the owner adds it to its canvas window, hands it
// texts (WrapText, then SetText) and calls Update every frame.
class CDialogBox : public UILib::CLabel
{
public:
    explicit CDialogBox(std::int32_t style);

    const char* GetClassName() const override { return "CDialogBox"; }
    // Places the text label for the style (LayoutText) after the label's own handling.
    bool OnSize() override;

    // Seconds per character; a value that is not a finite number of at least 0 counts as 0 (the whole
    // text at once).
    void SetCharacterDelay(float seconds);
    // True types ten times faster until Clear; false changes nothing.
    void SetFastForward(bool fast);
    // The box variant: 0 default, 1 neutral, 2 left, 3 right.
    void SetOrientation(std::int32_t variant);
    // Empties the text label and restarts the typing clock; the pending text stays.
    void Clear();
    // The UTF-8 text to type from now on (replaces what is pending).
    void SetText(const std::string& text);
    // Nothing is left to type.
    bool IsFinished() const { return m_pending.empty(); }
    // Hard-codes the line breaks the text label's layout would choose: a blank before a line start
    // becomes a line feed; a break inside a word gets a line feed inserted at the line start.
    void WrapText(std::string& text) const;
    // Types what the time step owes (seconds).
    void Update(float dt);
    // Places the text label inside the box for the style and orientation.
    void LayoutText();

    UILib::CLabel* GetTextLabel() const { return m_textLabel; }
    const std::string& GetPendingText() const { return m_pending; }
    std::int32_t GetStyle() const { return m_style; }
    std::int32_t GetOrientation() const { return m_orientation; }
    float GetCharacterDelay() const { return m_characterDelay; }
    float GetCurrentDelay() const { return m_currentDelay; }

    // The font strips and their characters (UTF-8): set A for styles 0 and 1, set B for style 2.
    static const char* const CharacterSetA;
    static const char* const CharacterSetB;

private:
    // The typing tick for character c ("?" stands for any character of more than one byte).
    void PlayTick(char c);

    UILib::CLabel* m_textLabel = nullptr;
    std::string m_pending;
    float m_clock = 0.0f;
    float m_characterDelay = 0.0f;
    float m_currentDelay = 0.0f;
    std::int32_t m_style = 0;
    std::int32_t m_orientation = 0;
    bool m_tickPlayed = false;
};
