#include "game/menus/LevelSelectionScreen.h"

#include "framework/CommandQueue.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/savegame/SaveGameManager.h"
#include "ui/controls/Label.h"

#include <algorithm>
#include <cstdio>

namespace
{

constexpr const char* kGoldBitmaps[] = {nullptr, "menu_levelselect_gold1.png", "menu_levelselect_gold2.png",
                                        "menu_levelselect_gold3.png"};

// The level that slot 1 shows on the last page: the last row of levels in the bottom row.
std::int32_t LastFirstLevel(std::int32_t count)
{
    const std::int32_t rows = (count + 4) / 5;
    return 5 * std::max(0, rows - CLevelSelectionScreen::SlotCount / CLevelSelectionScreen::SlotsPerRow);
}

} // namespace

CLevelSelectionScreen::CLevelSelectionScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "levelselection", PageLevelSelection,
                      "interface>levelselectscreen.xml")
{}

void CLevelSelectionScreen::OnActivate()
{
    CBookMenuScreen::OnActivate();
    CreateWindows();
}

void CLevelSelectionScreen::BindControls(UILib::CWindow& panel)
{
    const UILib::CMouseCallback showInfo =
        UILib::CMouseCallback::Bind(this, &CLevelSelectionScreen::ShowLevelInfo);
    char name[32];
    for (int i = 0; i < SlotCount; ++i)
    {
        Slot& slot = m_slots[i];
        std::snprintf(name, sizeof(name), "levelnumberbutton%d", i + 1);
        slot.button = BindButton(panel, name, &CLevelSelectionScreen::OnLevel);
        slot.number = nullptr;
        if (slot.button != nullptr)
        {
            slot.button->SetOnMouseMove(showInfo);
            slot.number = static_cast<UILib::CLabel*>(FindControl(*slot.button, "numberlabel", "CLabel"));
            if (slot.number != nullptr)
            {
                slot.number->SetOnMouseMove(showInfo);
            }
        }
        std::snprintf(name, sizeof(name), "starslabel%d", i + 1);
        slot.stars = static_cast<UILib::CLabel*>(FindControl(panel, name, "CLabel"));
    }
    BindButton(panel, "backbutton", &CLevelSelectionScreen::OnBack);
    UILib::CButton* up = static_cast<UILib::CButton*>(FindControl(panel, "upbutton", "CButton"));
    UILib::CButton* down = static_cast<UILib::CButton*>(FindControl(panel, "downbutton", "CButton"));
    if (up != nullptr)
    {
        up->SetOnDown(UILib::CButtonDownCallback::Bind(this, &CLevelSelectionScreen::OnUp));
    }
    if (down != nullptr)
    {
        down->SetOnDown(UILib::CButtonDownCallback::Bind(this, &CLevelSelectionScreen::OnDown));
    }
    m_upButton = up;
    m_downButton = down;
    m_rangeLabel = static_cast<UILib::CLabel*>(FindControl(panel, "levelrangelabel", "CLabel"));
    m_bestMovesLabel = static_cast<UILib::CLabel*>(FindControl(panel, "bestmoveslabel", "CLabel"));
    m_bestTimeLabel = static_cast<UILib::CLabel*>(FindControl(panel, "besttimelabel", "CLabel"));
    panel.SetOnMouseMove(showInfo);
}

bool CLevelSelectionScreen::OnStart()
{
    m_first = 0;
    UpdateLevelButtons();
    return true;
}

void CLevelSelectionScreen::OnQuitAction()
{
    SetNextScreen("freeplay");
}

std::int32_t CLevelSelectionScreen::GetLevelCount() const
{
    GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const MapProgress* map = context != nullptr ? context->GetCurrentMapProgress() : nullptr;
    return map != nullptr ? map->GetUsedRecordCount() : 0;
}

void CLevelSelectionScreen::UpdateLevelButtons()
{
    if (GetPanel() == nullptr)
    {
        return;
    }
    GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const MapProgress* map = context != nullptr ? context->GetCurrentMapProgress() : nullptr;
    const std::int32_t count = GetLevelCount();
    const SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    const bool basic = saveGames != nullptr && saveGames->GetPlayMode() == 2;
    char text[32];
    for (int i = 0; i < SlotCount; ++i)
    {
        const std::int32_t level = m_first + i;
        const bool exists = map != nullptr && level >= 0 && level < count;
        bool enabled = false;
        std::uint32_t rating = 0;
        if (exists)
        {
            enabled = basic ? level == 0 || map->GetLevelRecord(level - 1).IsSolved()
                            : map->GetLevelRecord(level).IsSolved();
            rating = map->GetLevelRecord(level).GetRating();
        }
        const Slot& slot = m_slots[i];
        if (slot.number != nullptr)
        {
            std::snprintf(text, sizeof(text), "%d", level + 1);
            slot.number->SetText(text);
            slot.number->SetVisible(enabled);
        }
        if (slot.button != nullptr)
        {
            slot.button->SetDisabled(!enabled);
            slot.button->SetVisible(exists);
        }
        if (slot.stars != nullptr)
        {
            slot.stars->SetVisible(rating > 0);
            if (rating > 0)
            {
                slot.stars->SetBitmapFile(kGoldBitmaps[rating]);
            }
        }
    }
    if (m_upButton != nullptr)
    {
        m_upButton->SetDisabled(m_first < 5);
    }
    if (m_downButton != nullptr)
    {
        m_downButton->SetDisabled(m_first / 5 >= (count + 4) / 5 - 4);
    }
    if (m_rangeLabel != nullptr)
    {
        std::snprintf(text, sizeof(text), "%d - %d / %d", m_first + 1, std::min(m_first + SlotCount, count),
                      count);
        m_rangeLabel->SetText(text);
    }
}

void CLevelSelectionScreen::Scroll(std::int32_t levels)
{
    PlayMenuSound(false);
    // A repeat that comes after the button was disabled (in the same frame, or from a button still held)
    // stops at the first or the last row.
    m_first = std::clamp(m_first + levels, 0, LastFirstLevel(GetLevelCount()));
    UpdateLevelButtons();
}

void CLevelSelectionScreen::OnUp(UILib::CBasicButton*, bool)
{
    Scroll(-SlotsPerRow);
}

void CLevelSelectionScreen::OnDown(UILib::CBasicButton*, bool)
{
    Scroll(SlotsPerRow);
}

void CLevelSelectionScreen::OnBack(UILib::CBasicButton*)
{
    if (!IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(true);
    SetNextScreen("freeplay");
}

int CLevelSelectionScreen::FindSlot(const UILib::CWindow* window) const
{
    if (window == nullptr || GetPanel() == nullptr)
    {
        return -1;
    }
    for (int i = 0; i < SlotCount; ++i)
    {
        if (window == m_slots[i].button || window == m_slots[i].number)
        {
            return i;
        }
    }
    return -1;
}

void CLevelSelectionScreen::OnLevel(UILib::CBasicButton* button)
{
    const int slot = FindSlot(button);
    if (slot < 0 || !IsWaitingForPlayer())
    {
        return;
    }
    PlayMenuSound(false);
    const std::int32_t level = m_first + slot;
    if (SaveGameManager* saveGames = GetUserInterface()->GetSaveGameManager())
    {
        saveGames->SetSelectedLevel(level);
    }
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand("SwitchToLevel", level);
    }
    SetNextScreen(GetUserInterface()->GetPuzzleScreenName());
}

void CLevelSelectionScreen::ShowLevelInfo(UILib::CWindow* window, BaseLib::CPoint&)
{
    if (GetPanel() == nullptr)
    {
        return;
    }
    const int slot = FindSlot(window);
    const std::int32_t level = m_first + slot;
    GameContext* context = GetWorld() != nullptr ? GetWorld()->GetGameContext() : nullptr;
    const MapProgress* map = context != nullptr ? context->GetCurrentMapProgress() : nullptr;
    const LevelRecord* record = slot >= 0 && map != nullptr && level >= 0 && level < map->GetUsedRecordCount()
                                    ? &map->GetLevelRecord(level)
                                    : nullptr;
    char moves[32] = "---";
    char time[32] = "---";
    if (record != nullptr && record->IsSolved())
    {
        std::snprintf(moves, sizeof(moves), "%u", record->GetBestMoves());
        std::snprintf(time, sizeof(time), "%d:%02d", record->GetBestValue() / 60,
                      record->GetBestValue() % 60);
    }
    if (m_bestMovesLabel != nullptr)
    {
        m_bestMovesLabel->SetText(moves);
    }
    if (m_bestTimeLabel != nullptr)
    {
        m_bestTimeLabel->SetText(time);
    }
}
