#include "game/menus/FreePlayMenuScreen.h"

#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/savegame/SaveGameManager.h"

#include <string>

namespace
{

constexpr const char* kHiddenNames[] = {nullptr, "jungle_hidden", "swamp_hidden", "cave_hidden",
                                        "temple_hidden"};

} // namespace

CFreePlayMenuScreen::CFreePlayMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "freeplay", PageFreePlay, "interface>freeplaymenuscreen.xml")
{}

void CFreePlayMenuScreen::OnActivate()
{
    CBookMenuScreen::OnActivate();
    CreateWindows();
}

void CFreePlayMenuScreen::BindControls(UILib::CWindow& panel)
{
    m_regionButtons[0] = BindButton(panel, "basicbutton", &CFreePlayMenuScreen::OnBasic);
    m_regionButtons[1] = BindButton(panel, "junglebutton", &CFreePlayMenuScreen::OnJungle);
    m_regionButtons[2] = BindButton(panel, "swampbutton", &CFreePlayMenuScreen::OnSwamp);
    m_regionButtons[3] = BindButton(panel, "cavebutton", &CFreePlayMenuScreen::OnCave);
    m_regionButtons[4] = BindButton(panel, "templebutton", &CFreePlayMenuScreen::OnTemple);
    BindButton(panel, "backbutton", &CFreePlayMenuScreen::OnBack);
    for (int map = 1; map < RegionCount; ++map)
    {
        m_hiddenWindows[map] = FindControl(panel, kHiddenNames[map], "");
    }
}

bool CFreePlayMenuScreen::OnStart()
{
    if (GetPanel() == nullptr)
    {
        return true;
    }
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    for (int map = 1; map < RegionCount; ++map)
    {
        const bool available =
            context != nullptr && context->GetProgress().GetMapProgress(map).HasSolvedLevel();
        if (m_regionButtons[map] != nullptr)
        {
            m_regionButtons[map]->SetVisible(available);
        }
        if (m_hiddenWindows[map] != nullptr)
        {
            m_hiddenWindows[map]->SetVisible(!available);
        }
    }
    return true;
}

void CFreePlayMenuScreen::OnQuitAction()
{
    SetNextScreen("gamemenu");
}

void CFreePlayMenuScreen::OnBasic(UILib::CBasicButton*)
{
    ChooseRegion(0);
}

void CFreePlayMenuScreen::OnJungle(UILib::CBasicButton*)
{
    ChooseRegion(1);
}

void CFreePlayMenuScreen::OnSwamp(UILib::CBasicButton*)
{
    ChooseRegion(2);
}

void CFreePlayMenuScreen::OnCave(UILib::CBasicButton*)
{
    ChooseRegion(3);
}

void CFreePlayMenuScreen::OnTemple(UILib::CBasicButton*)
{
    ChooseRegion(4);
}

void CFreePlayMenuScreen::ChooseRegion(std::int32_t map)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(false);
    PostWorldCommand("SetMap", std::to_string(map));
    if (SaveGameManager* saveGames =
            GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr)
    {
        saveGames->SetPlayMode(2 + map);
    }
    SetNextScreen("levelselection");
}

void CFreePlayMenuScreen::OnBack(UILib::CBasicButton*)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(true);
    SetNextScreen("gamemenu");
}
