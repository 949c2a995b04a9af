#pragma once

#include "framework/GameLibApplication.h"

#include <string>

class CQuarrowWorld;

// The game's application. Over the framework's application it gives the window class "Ombrel" (also
// every window's title) with the game's icon and cursor, the language key of the configuration, the
// media path aliases and the game world. The framework's slots stand for the game's steps: SelectAdapter
// is the game's initialisation, RegisterConfigKeys adds the language, RegisterPathAliases sets up the
// media folders, CreateGameObjects creates the game; the framework's DestroyGameObjects (the user
// interface shut down and deleted, then the world) is already the game's.
class CQuarrowApplication : public GameLib::CGameLibApplication
{
public:
    // The class record: style CS_DBLCLKS | CS_CLASSDC, icon 101 (its picture "ombrel.png" beside the
    // executable), the cursor file "ombrel.cur" of the working folder (the default cursor without one).
    // Then the window system's own system cursors are switched off and every head asks for the depth
    // format D24X8 (77). The command line is the process's. One copy of the game runs at a time.
    explicit CQuarrowApplication(Platform::InstanceHandle instance);

    // The framework's initialisation, then the first adapter handed to the display settings.
    void SelectAdapter() override;
    // The media aliases, the game world, the game's user interface, then the shared effect pool
    // "shader>_shared.fx".
    void CreateGameObjects() override;
    // "config.xml" by the player-file rule: in the working folder when a file can be made there and it is
    // not the home folder, else in the user's configuration folder. Decided once per run.
    std::string GetConfigFileName() const override;
    // When the configuration lives in the user's folder and has no file there yet, a "config.xml" of the
    // working folder is copied there first (never changed itself), so the game starts with its keys.
    void LoadConfiguration() override;
    // The framework's keys, then "application/language".
    void RegisterConfigKeys() override;
    // "media" from "application/mediadir", then the content aliases below it. A media folder that does
    // not exist is traced; the game starts anyway.
    void RegisterPathAliases() override;

    // The game world; null before CreateGameObjects and after DestroyGameObjects.
    CQuarrowWorld* GetWorld() const;

private:
    mutable std::string m_configFileName;
};
