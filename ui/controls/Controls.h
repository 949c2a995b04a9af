#pragma once

namespace UILib
{

class CWindowFactory;

// Makes the controls known to the window system. Call once before the window system starts
// (CUILibSystem::CreateInstance): it installs RegisterControlClasses as the window factory's registration
// hook, so every factory made afterwards knows the control classes by name. The program's start-up, the
// control tests and the layout viewer call it.
void RegisterControls();

// The hook: registers every control class with the factory, under the name its GetClassName answers, and
// gives the running window manager the controls it creates by itself (the tooltip). Each control adds
// its class here.
void RegisterControlClasses(CWindowFactory& factory);

} // namespace UILib
