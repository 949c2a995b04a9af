#pragma once

#include "ui/Window.h"

#include <string>

// Looking up the named windows of a full-screen menu layout outside the book. A layout that lacks a window
// its screen asks for still works: the lookup answers null and traces one line naming the layout file and
// the window, and that part of the page does nothing.

// The window called name among the descendants of parent, of the class expectedClass when one is given
// (a window of another class counts as missing). layoutFile only names the layout in the trace.
UILib::CWindow* FindLayoutWindow(UILib::CWindow& parent, const std::string& layoutFile, const char* name,
                                 const char* expectedClass = nullptr);

// The layout file a screen's layout is read from: its language copy when the translator has one.
std::string TranslatedLayout(const std::string& layoutFile);

// The window of a handle kept by a screen; null for 0, for a window the window system has destroyed, and
// without a window system.
UILib::CWindow* ResolveLayoutWindow(UILib::Handle handle);
