#pragma once

#include "platform/os/Window.h"

#include <string>

namespace Qen
{
class CQenApplication;
}

// Supplied by each executable: makes its application object (null when it cannot) and deletes it
// (null ignored).
Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance);
void DestroyApplication(Qen::CQenApplication* application);

namespace Qen
{

// The program entry an executable's main calls with GetModuleHandleA(nullptr) and CommandLineText: keeps
// the command line as the process's, installs the crash reporter, makes the application, runs it,
// destroys it and uninstalls the reporter. Returns RunApplication's result, or 0 without an application.
int ProgramEntry(Platform::InstanceHandle instance, const std::string& commandLine);

} // namespace Qen
