#include "game/menus/GameResultScreen.h"

#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <cstdio>

namespace
{

constexpr const char* kLabelNames[] = {"levellabel",      "moveslabel",     "bestmoveslabel",
                                       "timelabel",       "besttimelabel",  "3goldmoveslabel",
                                       "2goldmoveslabel", "1goldmoveslabel"};
constexpr const char* kGoldLabelNames[] = {"goldlabel1", "goldlabel2", "goldlabel3"};
constexpr const char* kGoldSounds[] = {nullptr, "sound>1star.wav", "sound>2stars.wav", "sound>3stars.wav"};
constexpr std::int32_t kPlayModeMap = 1;
constexpr std::int32_t kPlayModeBasic = 2;

} // namespace

CGameResultScreen::CGameResultScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "gameresult", PageGameResult, "interface>gameresultscreen.xml")
{}

void CGameResultScreen::OnActivate()
{
    CBookMenuScreen::OnActivate();
    CreateWindows();
}

void CGameResultScreen::BindControls(UILib::CWindow& panel)
{
    m_continueButton = BindButton(panel, "continuebutton", &CGameResultScreen::OnContinue);
    BindButton(panel, "retrybutton", &CGameResultScreen::OnRetry);
    m_backToMenuButton = BindButton(panel, "backtomenubutton", &CGameResultScreen::OnBackToMenu);
    m_nextButton = BindButton(panel, "nextbutton", &CGameResultScreen::OnNext);
    for (int i = 0; i < LabelCount; ++i)
    {
        m_labels[i] = static_cast<UILib::CLabel*>(FindControl(panel, kLabelNames[i], "CLabel"));
    }
    for (int i = 0; i < 3; ++i)
    {
        m_goldLabels[i] = FindControl(panel, kGoldLabelNames[i], "CLabel");
    }
}

bool CGameResultScreen::OnStart()
{
    // The commands posted at the level's end carry this run's result into the game context.
    const GameLib::CCommandQueue* commands = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (commands != nullptr && !commands->IsEmpty())
    {
        return false;
    }
    SaveProgress();
    return true;
}

void CGameResultScreen::SaveProgress()
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    CQuarrowSaveGame* profile = saveGames != nullptr ? saveGames->GetSaveGameList().GetCurrent() : nullptr;
    if (context == nullptr || profile == nullptr)
    {
        BaseLib::DebugOutput("GameResult: no current profile; the progress is not saved\n");
        return;
    }
    profile->GetProgress().CopyProgress(context->GetProgress());
    saveGames->GetSaveGameList().Save();
}

std::int32_t CGameResultScreen::GetGold() const
{
    const GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    return context != nullptr ? std::clamp(context->GetLastResult().stars, 0, 3) : 0;
}

std::int32_t CGameResultScreen::GetPlayMode() const
{
    const SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    return saveGames != nullptr ? saveGames->GetPlayMode() : kPlayModeMap;
}

void CGameResultScreen::OnEnterFadeIn()
{
    if (GetPanel() == nullptr)
    {
        return;
    }
    for (UILib::CWindow* gold : m_goldLabels)
    {
        if (gold != nullptr)
        {
            gold->SetVisible(false);
        }
    }
    FillLabels();
    ShowButtons();
}

void CGameResultScreen::SetLabel(LabelIndex label, const char* text)
{
    if (m_labels[label] != nullptr)
    {
        m_labels[label]->SetText(text);
    }
}

void CGameResultScreen::FillLabels()
{
    GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    if (context == nullptr)
    {
        return;
    }
    const LevelResult& result = context->GetLastResult();
    const LevelRecord* record = context->GetCurrentLevelRecord();
    char text[32];
    std::snprintf(text, sizeof(text), "%d-%02d", context->GetMapIndex(), context->GetLevelIndex() + 1);
    SetLabel(LevelLabel, text);
    std::snprintf(text, sizeof(text), "%d", result.moves);
    SetLabel(MovesLabel, text);
    std::snprintf(text, sizeof(text), "% d:%02d", result.seconds / 60, result.seconds % 60);
    SetLabel(TimeLabel, text);
    // A level never solved has no best values; its record's markers for none are no numbers to show.
    if (record != nullptr && record->GetBestMoves() != LevelRecord::NoMoves)
    {
        std::snprintf(text, sizeof(text), "%u", record->GetBestMoves());
        SetLabel(BestMovesLabel, text);
    }
    else
    {
        SetLabel(BestMovesLabel, "---");
    }
    if (record != nullptr && record->GetBestValue() != LevelRecord::NoTime)
    {
        std::snprintf(text, sizeof(text), "% d:%02d", record->GetBestValue() / 60,
                      record->GetBestValue() % 60);
        SetLabel(BestTimeLabel, text);
    }
    else
    {
        SetLabel(BestTimeLabel, "---");
    }
    const LabelIndex limits[] = {OneGoldMovesLabel, TwoGoldMovesLabel, ThreeGoldMovesLabel};
    for (int gold = 1; gold <= 3; ++gold)
    {
        std::snprintf(text, sizeof(text), "%d", context->GetStarMoveLimit(gold));
        SetLabel(limits[gold - 1], text);
    }
}

void CGameResultScreen::ShowButtons()
{
    const std::int32_t playMode = GetPlayMode();
    const bool fromMap = playMode == kPlayModeMap;
    if (m_continueButton != nullptr)
    {
        m_continueButton->SetVisible(fromMap);
    }
    if (m_backToMenuButton != nullptr)
    {
        m_backToMenuButton->SetVisible(!fromMap);
    }
    if (m_nextButton == nullptr)
    {
        return;
    }
    m_nextButton->SetVisible(!fromMap);
    if (fromMap)
    {
        return;
    }
    GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const MapProgress* map = context != nullptr ? context->GetCurrentMapProgress() : nullptr;
    const SaveGameManager* saveGames = GetUserInterface()->GetSaveGameManager();
    const std::int32_t next = (saveGames != nullptr ? saveGames->GetSelectedLevel() : 0) + 1;
    const bool exists = map != nullptr && next >= 0 && next < map->GetUsedRecordCount();
    // Basic levels open one after another; elsewhere only a level solved before can be replayed.
    const bool enabled = exists && (playMode == kPlayModeBasic || map->GetLevelRecord(next).IsSolved());
    m_nextButton->SetDisabled(!enabled);
}

void CGameResultScreen::OnEnterMainMenu()
{
    m_elapsed = 0.0;
    const std::int32_t gold = GetGold();
    if (gold == 0)
    {
        return;
    }
    SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
    if (SoundLib::CSoundDevice* device = sound != nullptr ? sound->GetDevice(0) : nullptr)
    {
        device->PlayOneShot(kGoldSounds[gold], 100, 0, false);
    }
}

void CGameResultScreen::OnUpdateMainMenu()
{
    if (GetUserInterface() != nullptr)
    {
        m_elapsed += GetUserInterface()->GetTimeStep();
    }
    if (GetPanel() == nullptr)
    {
        return;
    }
    const std::int32_t gold = GetGold();
    const bool shown[] = {gold >= 1, m_elapsed > SecondGoldDelay && gold >= 2,
                          m_elapsed > ThirdGoldDelay && gold >= 3};
    for (int i = 0; i < 3; ++i)
    {
        if (shown[i] && m_goldLabels[i] != nullptr)
        {
            m_goldLabels[i]->SetVisible(true);
        }
    }
}

void CGameResultScreen::OnQuitAction()
{
    OnBackToMenu(nullptr);
}

void CGameResultScreen::OnContinue(UILib::CBasicButton*)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(false);
    SetNextScreen("map");
}

void CGameResultScreen::OnRetry(UILib::CBasicButton*)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(false);
    SetNextScreen(GetUserInterface()->GetPuzzleScreenName());
}

void CGameResultScreen::OnNext(UILib::CBasicButton*)
{
    SaveGameManager* saveGames = GetUserInterface()->GetSaveGameManager();
    if (!IsWaitingForPlayer() || saveGames == nullptr)
    {
        return;
    }
    PlayMenuSound(false);
    saveGames->SetSelectedLevel(saveGames->GetSelectedLevel() + 1);
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand("SwitchToLevel", saveGames->GetSelectedLevel());
    }
    SetNextScreen(GetUserInterface()->GetPuzzleScreenName());
}

void CGameResultScreen::OnBackToMenu(UILib::CBasicButton*)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(true);
    SetNextScreen(GetPlayMode() == kPlayModeMap ? "map" : "levelselection");
}
