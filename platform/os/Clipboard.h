#pragma once

#include <string>

// The system clipboard, plain text only, held as UTF-8. The caller opens it, works on it and closes it,
// as with the usual clipboard interface; every operation runs on the thread that runs the windows.
// The clipboard keeps SDL video running from its first use to the program's end (a text the program
// set would be gone once video stops), so it works with or without a window of the program.
namespace Platform
{

// True when a clipboard can be reached. When SDL video cannot start it answers false and traces once.
bool OpenClipboard();
// Removes the clipboard's content; false when it is not open.
bool EmptyClipboard();
// Puts UTF-8 text on the clipboard (an empty text leaves it empty); false when it is not open or the
// system refuses the text.
bool SetClipboardText(const std::string& text);
// The clipboard's text, empty when there is none or it is not open.
std::string GetClipboardText();
// Ends the work begun by OpenClipboard; false when it was not open.
bool CloseClipboard();

} // namespace Platform
