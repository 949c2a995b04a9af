#include "game/sequences/DialogBox.h"

#include "foundation/Random.h"
#include "foundation/Utf8.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/Voice.h"
#include "ui/FontFactory.h"
#include "ui/TextLines.h"

#include <algorithm>
#include <cmath>

namespace
{

const char* BoxPicture(std::int32_t style, std::int32_t orientation)
{
    switch (style)
    {
    case 0:
        return orientation == 2 ? "mapscreen_seq_textbox1.png"
                                : (orientation == 3 ? "mapscreen_seq_textbox2.png" : "mapscreen_seq_textbox3.png");
    case 1:
        return orientation == 2 ? "ingame_seq_textbox.png" : "ingame_seq_textbox2.png";
    default:
        return "mapscreen_seq_textbox_extro.png";
    }
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

const char* const CDialogBox::CharacterSetA =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!\"?$%&/()=+-_,.;:><'ÉÇÑÁÚÍÌ¡¿ÄÖÜÓÀÂÈÊËÎÏÔÙÛŸÆ»«ŒÒ";
const char* const CDialogBox::CharacterSetB =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!\"?$%&/()=+-_,.;:><'ÉÇÑÁÚÍÌ¡¿ÄÖÜÓÀÂÈÊËÎÏÔÙÛŸÆ»«Œ";

CDialogBox::CDialogBox(std::int32_t style) : m_style(style)
{
    SetAlwaysOnTop(true);
    m_textLabel = new UILib::CLabel();
    m_textLabel->SetText("");
    m_textLabel->SetWordWrap(false);
    m_textLabel->SetAlignment(1, 1);
    AddChild(m_textLabel->GetHandle());

    // The first picture of each style is its default variant's (style 0 and 2 as orientation 0, style 1
    // the one of orientation 2).
    SetBitmapFile(BoxPicture(style, style == 1 ? 2 : 0));
    SetBackground(false);
    SetWriteAlpha(true);
    SizeToContent(true);
    SetOwnCanvas(true);
    const BaseLib::CSize size = GetSize();
    if (style == 0)
    {
        SetPosition((512 - size.cx) / 2, 374 - size.cy);
    }
    else if (style == 1)
    {
        SetPosition((1024 - size.cx) / 2, 374 - size.cy);
    }
    LayoutText();

    m_textLabel->SetBackground(false);
    const bool white = style == 2;
    m_textLabel->SetFont(UILib::CreateBitmapFont(UILib::CFontFactory::GetCurrent(),
                                                 white ? "fonts/adventure17_white.png" : "fonts/adventure17.png",
                                                 white ? CharacterSetB : CharacterSetA, 15, 0, -6, -3, 1.0f));
    SetVisible(false);
}

bool CDialogBox::OnSize()
{
    const bool handled = UILib::CLabel::OnSize();
    LayoutText();
    return handled;
}

void CDialogBox::LayoutText()
{
    if (m_textLabel == nullptr)
    {
        return;
    }
    switch (m_style)
    {
    case 0:
        m_textLabel->SetPosition(14, 20);
        m_textLabel->SetSize(474, 90);
        break;
    case 1:
        m_textLabel->SetPosition(48, 23);
        m_textLabel->SetSize(731, 110);
        break;
    default:
        m_textLabel->SetPosition(40, m_orientation == 2 ? 20 : 276);
        m_textLabel->SetSize(472, 108);
        break;
    }
}

void CDialogBox::SetCharacterDelay(float seconds)
{
    // A negative delay would type backwards for ever, a tiny or undefined one owe more characters than
    // any integer holds.
    if (!std::isfinite(seconds) || seconds < 0.0f)
    {
        seconds = 0.0f;
    }
    m_characterDelay = seconds;
    m_currentDelay = seconds;
}

void CDialogBox::SetFastForward(bool fast)
{
    if (fast)
    {
        m_currentDelay = m_characterDelay * 0.1f;
    }
}

void CDialogBox::SetOrientation(std::int32_t variant)
{
    m_orientation = variant;
    if (m_style == 0 || m_style == 1)
    {
        SetBitmapFile(BoxPicture(m_style, variant));
    }
    else
    {
        LayoutText();
    }
}

void CDialogBox::Clear()
{
    m_textLabel->SetText("");
    m_clock = 0.0f;
    m_currentDelay = m_characterDelay;
}

void CDialogBox::SetText(const std::string& text)
{
    m_pending = text;
}

void CDialogBox::WrapText(std::string& text) const
{
    UILib::CTextLines lines;
    lines.Layout(BaseLib::CString(text.c_str()), m_textLabel->GetSize().cx, m_textLabel->GetFont().Get(), true);
    for (std::int32_t line = lines.GetLineCount() - 1; line >= 1; --line)
    {
        const std::int32_t start = lines.GetLineStart(line);
        if (start <= 0 || static_cast<std::size_t>(start) > text.size())
        {
            continue;
        }
        char& before = text[static_cast<std::size_t>(start) - 1];
        if (IsBlank(before))
        {
            before = '\n';
        }
        else
        {
            text.insert(static_cast<std::size_t>(start), 1, '\n');
        }
    }
}

void CDialogBox::Update(float dt)
{
    m_tickPlayed = false;
    if (m_pending.empty())
    {
        m_clock = 0.0f;
        return;
    }
    std::size_t taken = 0;
    if (m_currentDelay == 0.0f)
    {
        taken = m_pending.size();
    }
    else
    {
        m_clock += dt / m_currentDelay;
        // Limited to what is pending while still a float: a huge clock never becomes an integer.
        const float owed = std::min(m_clock, static_cast<float>(m_pending.size()));
        if (!(owed >= 1.0f))
        {
            return;
        }
        const auto count = static_cast<std::size_t>(owed);
        m_clock -= static_cast<float>(count);
        for (std::size_t i = 0; i < count && taken < m_pending.size(); ++i)
        {
            // A sequence cut by the end of the text is taken as far as the text goes.
            const std::size_t length = std::min(static_cast<std::size_t>(BaseLib::Utf8SequenceLength(&m_pending[taken])),
                                                m_pending.size() - taken);
            PlayTick(length == 1 ? m_pending[taken] : '?');
            taken += length;
        }
    }
    m_textLabel->SetText(m_textLabel->GetText() + BaseLib::CString(m_pending.substr(0, taken).c_str()));
    m_pending.erase(0, taken);
    if (m_pending.empty())
    {
        m_clock = 0.0f;
    }
}

void CDialogBox::PlayTick(char c)
{
    if (m_style == 2 || IsBlank(c) || m_tickPlayed)
    {
        return;
    }
    SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
    SoundLib::CSoundDevice* device = registry != nullptr ? registry->GetDevice(0) : nullptr;
    if (device != nullptr)
    {
        const int index = device->PlayOneShot("sound>tick.wav", 100.0f, 0.0f, false);
        if (index >= 0)
        {
            if (SoundLib::CVoice* voice = device->GetVoice(index))
            {
                voice->SetVolume(static_cast<float>(80 + BaseLib::Random() % 20));
            }
        }
    }
    m_tickPlayed = true;
}
