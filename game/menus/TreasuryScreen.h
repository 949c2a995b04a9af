#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"
#include "ui/Window.h"
#include "ui/controls/BasicButton.h"

#include <cstdint>
#include <string>

class ProgressRecord;

// The treasury ("treasury", from the game menu): the gold collected in each region and in treasures
// against the most there is, and a picture of the hoard that grows with the total. It is no page of the
// book: its panel covers layer 0 and it fades in and out through black. Panel and picture are built on
// every visit and destroyed on leaving, so the numbers are always those of the game context's progress.
// The menu music plays on as the game menu left it.
//
// States, "Start" first: "Start" (built, shown, the statistics filled in), "FadeIn" (fader to 1.0 over
// 0.5 s), "MainMenu" (the panel takes the mouse; Escape or "backbutton" name "gamemenu"), "FadeOut"
// (fader to 0.0 over 0.5 s, then the switch once the world's command queue is empty).
class CTreasuryScreen : public CQuarrowUIScreen
{
public:
    static constexpr const char* LayoutFile = "interface>treasurescreen.xml";

    CTreasuryScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The current state's update.
    void Update() override;
    // The cursor shown, "Start".
    void OnActivate() override;
    // The panel hidden, the cursor hidden, picture and panel destroyed and forgotten.
    void OnDeactivate() override;

    // Every region's row from the game context's progress: visibility, "%d/" gold and "%d" maximum; then
    // the hoard picture for the total gold, loaded into "picturelabel" in place of the one shown.
    void UpdateStatistics();

    // The hoard's layout for a total gold: "interface>treasure0.xml" below 50 up to
    // "interface>treasure10.xml" from 1252 on.
    static std::string GetTreasureLayout(int totalGold);

    // Null until built and after leaving.
    UILib::CWindow* GetPanel() const;
    UILib::CWindow* GetPictureWindow() const;
    const std::string& GetNextScreen() const { return m_nextScreen; }
    const GameLib::CStateMachine& GetStates() const { return m_states; }

protected:
    ~CTreasuryScreen() override;

private:
    // The windows of one row of the table; 0 where the layout has none.
    struct RowWindows
    {
        UILib::Handle gold = 0;
        UILib::Handle maximum = 0;
        UILib::Handle name = 0;
        UILib::Handle placeholder = 0;
        UILib::Handle icon = 0;
    };
    static constexpr int RowCount = 7;

    // A panel over layer 0's root with the layout loaded into it and its windows looked up; nothing while
    // the panel exists.
    void CreateWindows();
    void DestroyWindows();
    void ShowPicture(int totalGold);
    // The progress the numbers come from; null without a game context.
    const ProgressRecord* GetProgress() const;

    void UpdateStart();
    void EnterFadeIn();
    void UpdateFadeIn();
    void EnterMainMenu();
    void UpdateMainMenu();
    void LeaveMainMenu();
    void EnterFadeOut();
    void UpdateFadeOut();
    void OnBack(UILib::CBasicButton* button);

    std::string m_nextScreen;
    UILib::Handle m_panel = 0;
    UILib::Handle m_picture = 0;
    UILib::Handle m_pictureLabel = 0;
    RowWindows m_rows[RowCount];
    GameLib::CStateMachine m_states;
};
