#include "engine/ProgramEntry.h"
#include "game/QuarrowApplication.h"
#include "platform/os/CommandLine.h"
#include "platform/os/Window.h"

#include <new>

// The developer tools' hand-over (the tools library, linked into the program only): declared here so
// that nothing of the game includes the tools.
void RegisterDeveloperTools();

// What the program entry runs: the game's application, made with the instance handle (the command line
// reaches it as the process's). Null when it cannot be allocated.
Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance)
{
    return new (std::nothrow) CQuarrowApplication(instance);
}

void DestroyApplication(Qen::CQenApplication* application)
{
    delete application;
}

int main(int argc, char** argv)
{
    RegisterDeveloperTools();
    return Qen::ProgramEntry(Platform::GetModuleHandleA(nullptr), Platform::CommandLineText(argc, argv));
}
