#pragma once

#include "foundation/Color.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CPanel;
class CTextureCanvas;
} // namespace UILib

namespace GameLib
{

class CUserInterface;

// Helpers of the full-screen screens. The window-system ones do nothing (false, null) while the window
// system does not run.

// True when the "gui" action had a pending event, which is consumed.
bool ConsumeGuiAction(CUserInterface* userInterface, const char* action);
// The application's configuration value as text; empty without a configuration.
std::string ReadConfigString(CUserInterface* userInterface, const char* key);

// The own canvas of layer 0's root window as the texture canvas that fades the whole user interface;
// null when that canvas is missing.
UILib::CTextureCanvas* GetFirstLayerTextureCanvas();
// Starts a linear change of that canvas's brightness to level (0 black … 255 full) over seconds,
// replacing a running one.
void FadeFirstLayerTo(std::int32_t level, float seconds);
// A new panel of the colour at (0, 0) with the size of layer 0's root; in no layer yet. Null when there
// is no layer 0.
UILib::CPanel* CreateScreenPanel(BaseLib::CColor colour);
// Layer 0's root takes the panel as its child.
void AddToFirstLayer(UILib::CPanel* panel);
// True when the layout file (a path-alias name) was read into the panel.
bool LoadLayoutInto(const char* file, UILib::CPanel* panel);

} // namespace GameLib
