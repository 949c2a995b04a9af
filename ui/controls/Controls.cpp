#include "ui/controls/Controls.h"

#include "ui/WindowFactory.h"

namespace UILib
{

void RegisterControls()
{
    CWindowFactory::SetRegistrationHook(&RegisterControlClasses);
}

void RegisterControlClasses(CWindowFactory& factory)
{
    // The window system registers "CWindow", "CPanel" and "CTransparentWindow" itself; each control
    // class follows here, in the order of the window system's class list.
    static_cast<void>(factory);
}

} // namespace UILib
