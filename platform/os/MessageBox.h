#pragma once

#include "platform/os/Window.h"

#include <cstdint>
#include <functional>
#include <string>

// Modal message boxes: a caption, a text and a choice of buttons; the caller blocks until the user
// answers. Style flags and answers keep the numbers callers pass and compare.
namespace Platform
{

// Button kinds (the low four bits of the style).
constexpr std::uint32_t MessageBoxOk = 0x0;
constexpr std::uint32_t MessageBoxOkCancel = 0x1;
constexpr std::uint32_t MessageBoxAbortRetryIgnore = 0x2;
constexpr std::uint32_t MessageBoxYesNoCancel = 0x3;
constexpr std::uint32_t MessageBoxYesNo = 0x4;
constexpr std::uint32_t MessageBoxRetryCancel = 0x5;
constexpr std::uint32_t MessageBoxKindMask = 0xF;

// Icons.
constexpr std::uint32_t MessageBoxIconError = 0x10;
constexpr std::uint32_t MessageBoxIconQuestion = 0x20;
constexpr std::uint32_t MessageBoxIconWarning = 0x30;
constexpr std::uint32_t MessageBoxIconInformation = 0x40;
constexpr std::uint32_t MessageBoxIconMask = 0xF0;

// Default button: the first unless one of these names the second or third.
constexpr std::uint32_t MessageBoxDefaultButton2 = 0x100;
constexpr std::uint32_t MessageBoxDefaultButton3 = 0x200;
constexpr std::uint32_t MessageBoxDefaultMask = 0xF00;

// Placement: above every other window and brought to the front. A box always behaves so here; the
// flags are accepted for callers that pass them.
constexpr std::uint32_t MessageBoxSystemModal = 0x1000;
constexpr std::uint32_t MessageBoxSetForeground = 0x10000;
constexpr std::uint32_t MessageBoxTopmost = 0x40000;

// Answers.
constexpr int MessageBoxAnswerOk = 1;
constexpr int MessageBoxAnswerCancel = 2;
constexpr int MessageBoxAnswerAbort = 3;
constexpr int MessageBoxAnswerRetry = 4;
constexpr int MessageBoxAnswerIgnore = 5;
constexpr int MessageBoxAnswerYes = 6;
constexpr int MessageBoxAnswerNo = 7;

// Name of the environment variable that marks a run nobody watches (tests, scripts): set to
// anything but "" or "0", boxes are answered without being shown.
constexpr const char* UnattendedVariable = "QUARROW_UNATTENDED";

// Answers a box in place of the user: receives text, caption and style, returns the answer.
using MessageBoxAnswerer = std::function<int(const char* text, const char* caption, std::uint32_t style)>;

// Shows a box with the buttons of style's kind and blocks until one is chosen; returns its answer.
// Closing the box answers Cancel where there is one, else the default button. When an answerer is
// installed it answers instead. When the run is unattended, or no box can be shown (no display, an
// offscreen or dummy video driver, no usable font), the caption and text go to the debug output and
// the box is answered at once with UnattendedAnswer. Null texts count as "". Thread-safe.
int ShowMessageBox(const char* text, const char* caption, std::uint32_t style);

// The answer that goes on without repeating a step or ending the program: OK for OK and OK/Cancel,
// Ignore for Abort/Retry/Ignore, Cancel for Retry/Cancel, the default button for Yes/No and
// Yes/No/Cancel. An unknown kind counts as OK.
int UnattendedAnswer(std::uint32_t style);

// Installs an answerer (tests script answers with it) and returns the one it replaces; an empty
// one restores showing boxes.
MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

// The box of an owner window (the owner only marks whose box it is: every box is kept above all
// windows). Same as ShowMessageBox.
int MessageBoxA(WindowHandle owner, const char* text, const char* caption, std::uint32_t style);

// Caption and text of the last box asked for, shown or answered without showing ("" before any).
std::string LastMessageBoxCaption();
std::string LastMessageBoxText();

// True when the run is marked unattended through UnattendedVariable.
bool IsUnattended();

} // namespace Platform
