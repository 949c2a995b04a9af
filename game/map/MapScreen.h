#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"
#include "game/map/AtmoPlayer.h"
#include "game/map/MapRenderer2D.h"
#include "ui/HandleTable.h"

#include <cstdint>
#include <string>

class CEditableMap;
class CQuarrowSequencePlayer;
class CSequenceDialog;

namespace UILib
{
class CBasicButton;
class CButton;
class CLabel;
class CWindow;
} // namespace UILib

// The world map screen ("map"): the current map through the map renderer, the figure walked by the mouse,
// the HUD (keys, gold, pylons, the star coins and the label of the figure's level), the play, open and
// leave buttons for the figure's cell, the mood picture of the cell cross-fading, the region's ambience,
// the map-selection dialog after an exit and the cut-scenes due on the map. The screen only reads the
// world's map and game context and pushes map commands into the game input channel; the rules live in
// the world and the map.
//
// States: "Start" (windows built once, the renderer made once the world took the activation's commands),
// "FadeIn", "SelectMap", "Walking", "SequenceStart", "Sequence", "SequenceEnd", "FadeOut" (the switch once
// the fade ended and the world's command queue is empty).
//
// The windows live in one transparent panel over layer 0 that survives deactivation (hidden); the
// renderer, the sequence player and the sequence dialog are made after activation and deleted on
// deactivation. A world without a map, or with a map of no cells, gets no renderer: the screen then shows
// the gold alone and still leads to the game menu. The map editor's screen derives from this class and
// replaces its virtual steps.
class CMapScreen : public CQuarrowUIScreen, public CMapRendererOwner
{
public:
    CMapScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The state's update, the ambience, the mood picture, then the renderer.
    void Update() override;
    // Play mode 1, the world's map started, the cursor shown, the region's ambience set up when the
    // music option is on, "Start". The menu music of the screen base is left alone.
    void OnActivate() override;
    // The cut-scene, the renderer and the sequence dialog deleted, both dialogs off the modal stack, the
    // panel and the cursor hidden, the map shut in the world, the ambience stopped.
    void OnDeactivate() override;
    // The map's own pointer: a walk, and on the figure's own cell near its centre, the cell's action.
    void OnPointerCell(int x, int y) override { WalkTo(x, y); }
    void OnPointerPosition(int x, int y, float px, float py) override { OnCellClicked(x, y, px, py); }

    // A walk command for an interior cell of the current map; nothing for a border cell or without map.
    virtual void WalkTo(int x, int y);
    // (px, py): the pointer in cell units. On the figure's own cell, with figure and click each within
    // 0.4 of the cell's centre: open a lock, take an exit or start the puzzle; then, inside the interior,
    // a walk command (a second click on a walk's target hurries the figure).
    virtual void OnCellClicked(int x, int y, float px, float py);

    const GameLib::CStateMachine& GetStates() const { return m_states; }
    const std::string& GetNextScreen() const { return m_nextScreen; }
    std::int32_t GetSelectedMap() const { return m_selectedMap; }
    CAtmoPlayer& GetAmbience() { return m_ambience; }
    // Null when there is none.
    CMapRenderer2D* GetRenderer() const { return m_renderer; }
    CQuarrowSequencePlayer* GetSequencePlayer() const { return m_sequencePlayer; }
    CSequenceDialog* GetSequenceDialog() const { return m_sequenceDialog; }
    // The panel holding the layouts; null before the first start-up and after the window system
    // destroyed it.
    UILib::CWindow* GetPanel() const;
    // The mood window in front (0 or 1), the name each shows, whether a cross-fade runs and its progress.
    std::int32_t GetCurrentMood() const { return m_currentMood; }
    const std::string& GetMoodName(int index) const { return m_moodNames[index & 1]; }
    bool IsMoodFading() const { return m_moodFading != 0; }
    float GetMoodFade() const { return m_moodFade; }

protected:
    // Deletes the cut-scene objects and the renderer when still there, then the panel with the layouts.
    ~CMapScreen() override;

    // Makes the renderer for the world's current map; none without a map or for a map of no cells.
    virtual void CreateRenderer();
    // The panel, the three layouts into it, the named windows looked up and the buttons bound.
    virtual void CreateWindows();

    // The state callbacks, in the order of the state table.
    virtual void OnStart();
    virtual void EnterFadeIn();
    virtual void UpdateFadeIn();
    virtual void EnterSelectMap();
    virtual void UpdateSelectMap();
    virtual void LeaveSelectMap();
    virtual void EnterWalking();
    virtual void OnCommand();
    virtual void LeaveWalking() {}
    virtual void EnterSequenceStart();
    virtual void UpdateSequenceStart();
    virtual void LeaveSequenceStart() {}
    virtual void EnterSequence() {}
    virtual void UpdateSequence();
    virtual void LeaveSequence() {}
    virtual void EnterSequenceEnd();
    virtual void UpdateSequenceEnd();
    virtual void EndSequence();
    virtual void EnterFadeOut();
    virtual void UpdateFadeOut();

    // The play, open and leave buttons for the figure's cell.
    virtual void UpdateCellInfo();
    // dt in seconds: the cross-fade between the two mood windows toward the mood of the figure's cell.
    virtual void UpdateMoodImage(double dt);
    // Keys, gold, pylons, and the coins and label of the figure's level.
    virtual void UpdateHud();

    // The world's map when it has cells; null otherwise.
    CEditableMap* GetPlayableMap() const;
    std::int32_t GetGameState() const;
    void SetNextScreen(const std::string& name) { m_nextScreen = name; }

    GameLib::CStateMachine m_states;
    CAtmoPlayer m_ambience;
    CQuarrowSequencePlayer* m_sequencePlayer = nullptr;
    CSequenceDialog* m_sequenceDialog = nullptr;
    UILib::Handle m_panel = 0;
    UILib::CWindow* m_playingField = nullptr;
    std::string m_nextScreen;
    CMapRenderer2D* m_renderer = nullptr;
    UILib::CButton* m_menuButton = nullptr;
    UILib::CButton* m_playButton = nullptr;
    UILib::CButton* m_openButton = nullptr;
    UILib::CButton* m_leaveButton = nullptr;
    // Keys A, B and C: "yellow", "red", "blue".
    UILib::CLabel* m_keyLabels[3] = {};
    UILib::CWindow* m_keyIcons[3] = {};
    UILib::CLabel* m_goldLabel = nullptr;
    UILib::CWindow* m_goldIcon = nullptr;
    UILib::CWindow* m_mapSelectionDialog = nullptr;
    // Jungle, swamp, cave, temple.
    UILib::CButton* m_regionButtons[4] = {};
    // Swamp, cave, temple.
    UILib::CWindow* m_placeholders[3] = {};
    UILib::CWindow* m_cutsceneWindow = nullptr;
    UILib::CWindow* m_cutsceneCanvas = nullptr;
    std::int32_t m_currentMood = 0;
    std::string m_moodNames[2];
    UILib::CLabel* m_moodWindows[2] = {};
    UILib::CWindow* m_pylons[8] = {};
    UILib::CWindow* m_coins[3] = {};
    UILib::CLabel* m_levelLabel = nullptr;
    std::uint8_t m_moodFading = 0;
    float m_moodFade = 0.0f;
    std::int32_t m_selectedMap = -1;

private:
    void OnMenuButton(UILib::CBasicButton* button);
    void OnPlayButton(UILib::CBasicButton* button);
    void OnOpenButton(UILib::CBasicButton* button);
    void OnLeaveButton(UILib::CBasicButton* button);
    void OnJungleButton(UILib::CBasicButton*) { m_selectedMap = 1; }
    void OnSwampButton(UILib::CBasicButton*) { m_selectedMap = 2; }
    void OnCaveButton(UILib::CBasicButton*) { m_selectedMap = 3; }
    void OnTempleButton(UILib::CBasicButton*) { m_selectedMap = 4; }
    // The figure's cell of the playable map gets the command of the kind; only in game state 6.
    void PushForFigureCell(int kind);
    // The region's loop and one-shots into the ambience.
    void SetUpAmbience(std::int32_t region);
    // Deletes the sequence player and takes the cut-scene window off the modal stack.
    void DeleteSequencePlayer();
    void PostWorldCommand(const std::string& name, const std::string& argument);
    void HideButtons();

    // Whether the panel's "cutscene" animation was played for the running cut-scene.
    bool m_cutsceneShown = false;
};

// The creator of the screen registered as "map".
GameLib::CUIScreen* CreateMapScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);
