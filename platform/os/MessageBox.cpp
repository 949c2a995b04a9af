#include "platform/os/MessageBox.h"

#include "platform/os/DebugOutput.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace Platform
{

namespace
{

struct Button
{
    int answer;
    const char* label;
};

std::vector<Button> ButtonsOf(std::uint32_t style)
{
    switch (style & MessageBoxKindMask)
    {
    case MessageBoxOkCancel:
        return {{MessageBoxAnswerOk, "OK"}, {MessageBoxAnswerCancel, "Cancel"}};
    case MessageBoxAbortRetryIgnore:
        return {{MessageBoxAnswerAbort, "Abort"},
                {MessageBoxAnswerRetry, "Retry"},
                {MessageBoxAnswerIgnore, "Ignore"}};
    case MessageBoxYesNoCancel:
        return {{MessageBoxAnswerYes, "Yes"}, {MessageBoxAnswerNo, "No"}, {MessageBoxAnswerCancel, "Cancel"}};
    case MessageBoxYesNo:
        return {{MessageBoxAnswerYes, "Yes"}, {MessageBoxAnswerNo, "No"}};
    case MessageBoxRetryCancel:
        return {{MessageBoxAnswerRetry, "Retry"}, {MessageBoxAnswerCancel, "Cancel"}};
    default:
        return {{MessageBoxAnswerOk, "OK"}};
    }
}

// Index of the default button; a default beyond the last button falls back to the first.
std::size_t DefaultIndex(std::uint32_t style, std::size_t buttonCount)
{
    const std::size_t index = (style & MessageBoxDefaultMask) >> 8;
    return index < buttonCount ? index : 0;
}

const char* AnswerName(int answer)
{
    switch (answer)
    {
    case MessageBoxAnswerOk:
        return "OK";
    case MessageBoxAnswerCancel:
        return "Cancel";
    case MessageBoxAnswerAbort:
        return "Abort";
    case MessageBoxAnswerRetry:
        return "Retry";
    case MessageBoxAnswerIgnore:
        return "Ignore";
    case MessageBoxAnswerYes:
        return "Yes";
    case MessageBoxAnswerNo:
        return "No";
    default:
        return "?";
    }
}

std::mutex& AnswererMutex()
{
    static std::mutex mutex;
    return mutex;
}

MessageBoxAnswerer& CurrentAnswerer()
{
    static MessageBoxAnswerer answerer;
    return answerer;
}

// Guarded by AnswererMutex.
std::string& LastCaption()
{
    static std::string caption;
    return caption;
}

std::string& LastText()
{
    static std::string text;
    return text;
}

// Video drivers that have no screen a person could look at.
bool IsInvisibleVideoDriver(const char* name)
{
    return name != nullptr && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

int AnswerUnattended(const char* text, const char* caption, std::uint32_t style, const char* reason)
{
    const int answer = UnattendedAnswer(style);
    const std::string trace = std::string("Message box \"") + caption + "\" not shown (" + reason +
                              "), answered " + AnswerName(answer) + ":\n" + text + "\n";
    WriteDebugOutput(trace.c_str());
    return answer;
}

SDL_MessageBoxFlags IconFlag(std::uint32_t style)
{
    switch (style & MessageBoxIconMask)
    {
    case MessageBoxIconError:
        return SDL_MESSAGEBOX_ERROR;
    case MessageBoxIconWarning:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

// Shows the box through SDL. Returns false when it cannot be shown.
bool ShowSdlBox(const char* text, const char* caption, std::uint32_t style, int& answer)
{
    const std::vector<Button> buttons = ButtonsOf(style);
    const std::size_t defaultIndex = DefaultIndex(style, buttons.size());
    int cancelAnswer = buttons[defaultIndex].answer;
    std::vector<SDL_MessageBoxButtonData> data;
    for (std::size_t i = 0; i < buttons.size(); ++i)
    {
        Uint32 flags = 0;
        if (i == defaultIndex)
        {
            flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        }
        if (buttons[i].answer == MessageBoxAnswerCancel)
        {
            flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            cancelAnswer = MessageBoxAnswerCancel;
        }
        data.push_back(SDL_MessageBoxButtonData{flags, buttons[i].answer, buttons[i].label});
    }
    const SDL_MessageBoxData box{static_cast<Uint32>(IconFlag(style) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT),
                                 nullptr,
                                 caption,
                                 text,
                                 static_cast<int>(data.size()),
                                 data.data(),
                                 nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0)
    {
        return false;
    }
    // Closing the box without a button answers as the escape key would.
    answer = chosen >= 0 ? chosen : cancelAnswer;
    return true;
}

} // namespace

bool IsUnattended()
{
    const char* value = std::getenv(UnattendedVariable);
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

int UnattendedAnswer(std::uint32_t style)
{
    switch (style & MessageBoxKindMask)
    {
    case MessageBoxAbortRetryIgnore:
        return MessageBoxAnswerIgnore;
    case MessageBoxRetryCancel:
        return MessageBoxAnswerCancel;
    case MessageBoxYesNo:
    case MessageBoxYesNoCancel: {
        const std::vector<Button> buttons = ButtonsOf(style);
        return buttons[DefaultIndex(style, buttons.size())].answer;
    }
    default:
        return MessageBoxAnswerOk;
    }
}

MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer)
{
    const std::lock_guard lock(AnswererMutex());
    return std::exchange(CurrentAnswerer(), std::move(answerer));
}

int ShowMessageBox(const char* text, const char* caption, std::uint32_t style)
{
    text = text != nullptr ? text : "";
    caption = caption != nullptr ? caption : "";
    MessageBoxAnswerer answerer;
    {
        const std::lock_guard lock(AnswererMutex());
        answerer = CurrentAnswerer();
        LastCaption() = caption;
        LastText() = text;
    }
    if (answerer)
    {
        return answerer(text, caption, style);
    }
    if (IsUnattended())
    {
        return AnswerUnattended(text, caption, style, "unattended run");
    }
    const char* driver =
        SDL_WasInit(SDL_INIT_VIDEO) != 0 ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
    if (IsInvisibleVideoDriver(driver))
    {
        return AnswerUnattended(text, caption, style, "no screen");
    }
    int answer = 0;
    if (!ShowSdlBox(text, caption, style, answer))
    {
        const std::string reason = std::string("cannot be shown: ") + SDL_GetError();
        return AnswerUnattended(text, caption, style, reason.c_str());
    }
    return answer;
}

int MessageBoxA(WindowHandle, const char* text, const char* caption, std::uint32_t style)
{
    return ShowMessageBox(text, caption, style);
}

std::string LastMessageBoxCaption()
{
    const std::lock_guard lock(AnswererMutex());
    return LastCaption();
}

std::string LastMessageBoxText()
{
    const std::lock_guard lock(AnswererMutex());
    return LastText();
}

} // namespace Platform
