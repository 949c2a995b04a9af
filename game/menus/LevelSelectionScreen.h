#pragma once

#include "game/menus/BookMenuScreen.h"

#include <cstdint>

namespace UILib
{
class CLabel;
}

// The level selection ("levelselection", page 1 of the book): the current map's levels twenty at a time,
// in four rows of five slots, each with its number and its gold rating. In basic free play the levels
// open one after another; in the other regions only levels solved in the adventure can be replayed. The
// level under the mouse shows its best moves and best time; "upbutton" and "downbutton" scroll by one row
// (repeating while held); a slot's button starts its level in the puzzle screen that "startup/renderer"
// chooses. Escape goes back to the free-play menu.
class CLevelSelectionScreen : public CBookMenuScreen
{
public:
    static constexpr int SlotCount = 20;
    static constexpr int SlotsPerRow = 5;

    CLevelSelectionScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The skeleton's activation, then the windows built.
    void OnActivate() override;

    // The level in slot 1; a multiple of 5.
    std::int32_t GetFirstLevel() const { return m_first; }

protected:
    ~CLevelSelectionScreen() override = default;

    // The slots, the scroll and back buttons, the info labels; the mouse-move handlers on the slots'
    // buttons and number labels and on the panel.
    void BindControls(UILib::CWindow& panel) override;
    // Back to the first row, the slots refreshed.
    bool OnStart() override;
    // The free-play menu, without a sound.
    void OnQuitAction() override;

private:
    struct Slot
    {
        UILib::CButton* button = nullptr;
        UILib::CLabel* number = nullptr;
        UILib::CLabel* stars = nullptr;
    };

    // The number of levels of the current map in use: 0 to 256.
    std::int32_t GetLevelCount() const;
    // The slots, the scroll buttons and the range label from the first level and the progress.
    void UpdateLevelButtons();
    // One row up or down, kept within the rows that exist; then the slots refreshed.
    void Scroll(std::int32_t levels);
    // The slot (0 to 19) whose button or number label is window; -1 for none.
    int FindSlot(const UILib::CWindow* window) const;

    void OnUp(UILib::CBasicButton* button, bool repeat);
    void OnDown(UILib::CBasicButton* button, bool repeat);
    void OnBack(UILib::CBasicButton* button);
    // Starts the level of the clicked slot.
    void OnLevel(UILib::CBasicButton* button);
    // The best moves and time of the level under the mouse, "---" off a solved level.
    void ShowLevelInfo(UILib::CWindow* window, BaseLib::CPoint& point);

    std::int32_t m_first = 0;
    // Valid while the panel exists.
    Slot m_slots[SlotCount];
    UILib::CWindow* m_upButton = nullptr;
    UILib::CWindow* m_downButton = nullptr;
    UILib::CLabel* m_rangeLabel = nullptr;
    UILib::CLabel* m_bestMovesLabel = nullptr;
    UILib::CLabel* m_bestTimeLabel = nullptr;
};
