#pragma once

// The mouse cursor's display counter. It starts at 0; the cursor is shown while the count is 0 or
// more. Showing and hiding nest: a show followed by a hide leaves the cursor as it was.
namespace Platform
{

// Adds 1 (show) or subtracts 1 (hide) and returns the new count. While SDL video runs, the SDL
// cursor is shown or hidden to match; call it on the thread that runs the windows then.
int ShowCursor(bool show);

// The current count. The window layer applies it to the cursor when video starts.
int CursorDisplayCount();

} // namespace Platform
