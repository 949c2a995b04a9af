#pragma once

#include "game/menus/BookMenuScreen.h"

#include <cstdint>

namespace UILib
{
class CLabel;
}

// The result page after a level ("gameresult", page 3 of the book). On arrival, once the world has taken
// the commands of the level's end, it saves the progress into the current profile and writes the
// saved-games file; it shows this run's moves and time against the best ones and the move limits for
// one to three gold, and reveals the gold earned one piece after another with a sound. From the map it
// offers "continuebutton" (back to the map); in free play "nextbutton", "retrybutton" and
// "backtomenubutton" (the level selection). Escape goes back as "backtomenubutton" does.
class CGameResultScreen : public CBookMenuScreen
{
public:
    // Seconds in "MainMenu" after which the second and the third gold show.
    static constexpr double SecondGoldDelay = 0.3;
    static constexpr double ThirdGoldDelay = 0.6;

    CGameResultScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The skeleton's activation, then the windows built.
    void OnActivate() override;

    // Seconds spent in "MainMenu".
    double GetElapsed() const { return m_elapsed; }

protected:
    ~CGameResultScreen() override = default;

    // The four buttons, the labels and the three gold labels.
    void BindControls(UILib::CWindow& panel) override;
    // Waits for the world's command queue to empty, then saves the progress.
    bool OnStart() override;
    // The gold hidden, the labels filled, the buttons of the play mode shown.
    void OnEnterFadeIn() override;
    // The sound of the gold earned; the gold's timer from 0.
    void OnEnterMainMenu() override;
    // The gold shown one after another.
    void OnUpdateMainMenu() override;
    // As "backtomenubutton".
    void OnQuitAction() override;

private:
    enum LabelIndex
    {
        LevelLabel,
        MovesLabel,
        BestMovesLabel,
        TimeLabel,
        BestTimeLabel,
        ThreeGoldMovesLabel,
        TwoGoldMovesLabel,
        OneGoldMovesLabel,
        LabelCount
    };

    // The game context's progress into the current profile, and the saved-games file written; traced and
    // skipped without a current profile.
    void SaveProgress();
    void FillLabels();
    void ShowButtons();
    void SetLabel(LabelIndex label, const char* text);
    // The gold of the last result, 0 to 3.
    std::int32_t GetGold() const;
    std::int32_t GetPlayMode() const;

    void OnContinue(UILib::CBasicButton* button);
    void OnRetry(UILib::CBasicButton* button);
    void OnNext(UILib::CBasicButton* button);
    void OnBackToMenu(UILib::CBasicButton* button);

    double m_elapsed = 0.0;
    // Valid while the panel exists.
    UILib::CWindow* m_continueButton = nullptr;
    UILib::CWindow* m_nextButton = nullptr;
    UILib::CWindow* m_backToMenuButton = nullptr;
    UILib::CLabel* m_labels[LabelCount] = {};
    UILib::CWindow* m_goldLabels[3] = {};
};
