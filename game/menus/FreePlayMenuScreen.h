#pragma once

#include "game/menus/BookMenuScreen.h"

#include <cstdint>

// The free-play menu ("freeplay", page 3 of the book): the five regions to replay levels in. Basic is
// always offered; jungle, swamp, cave and temple once the player has solved a level there, and until
// then their "_hidden" placeholder shows in the button's place. A region chosen sets the map and the
// play mode and leads to the level selection. Escape goes back to the game menu.
class CFreePlayMenuScreen : public CBookMenuScreen
{
public:
    CFreePlayMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The skeleton's activation, then the windows built.
    void OnActivate() override;

protected:
    ~CFreePlayMenuScreen() override = default;

    // The five region buttons, "backbutton" and the four "_hidden" windows.
    void BindControls(UILib::CWindow& panel) override;
    // Each region's button or its placeholder shown by the game context's progress.
    bool OnStart() override;
    // The game menu, without a sound.
    void OnQuitAction() override;

private:
    static constexpr int RegionCount = 5;

    void OnBasic(UILib::CBasicButton* button);
    void OnJungle(UILib::CBasicButton* button);
    void OnSwamp(UILib::CBasicButton* button);
    void OnCave(UILib::CBasicButton* button);
    void OnTemple(UILib::CBasicButton* button);
    // The activate sound, "SetMap" with the region's map, play mode 2 + map, then the level selection.
    void ChooseRegion(std::int32_t map);
    void OnBack(UILib::CBasicButton* button);

    // Per map 0 to 4; basic has no placeholder. Valid while the panel exists.
    UILib::CWindow* m_regionButtons[RegionCount] = {};
    UILib::CWindow* m_hiddenWindows[RegionCount] = {};
};
