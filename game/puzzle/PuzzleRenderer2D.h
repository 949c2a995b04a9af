#pragma once

#include "foundation/Point.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <vector>

class CBlock2DControl;
class CQuarrowWorld;

namespace UILib
{
class CLabel;
class CTransparentWindow;
class CWindow;
} // namespace UILib

// The 2D board: a grid of cell images on the playing field (with one more under each exit) and, on a
// board window above it, one CBlock2DControl per shown block. It rebuilds itself whenever the puzzle's
// change number moves and empties itself when the world has no puzzle.
//
// Pixels are relative to the playing field, whose origin lies 90 pixels above and left of cell (0, 0);
// a cell is min(600 / w, 600 / h) pixels square (integer division, a side of 0 counting as 1, at least
// 1 pixel). Very large boards are shown without grid cells (more than 16,384 cells) and with at most
// 32,768 block windows, so the window table is never exhausted; each limit is traced once per build.
class CPuzzleRenderer2D
{
public:
    static constexpr std::int32_t kBoardOffset = 90;
    static constexpr std::int32_t kBoardPixels = 600;
    // The playing field's right part that the HUD keeps.
    static constexpr std::int32_t kHudWidth = 200;
    static constexpr std::int64_t kMaxGridCells = 16384;
    static constexpr std::size_t kMaxBlockControls = 32768;

    // world and playingField are not owned and must outlive the view. Makes the board window on the
    // playing field and builds the grid and the block windows of the world's puzzle.
    CPuzzleRenderer2D(CQuarrowWorld* world, UILib::CWindow* playingField);
    // Block windows, grid and board window destroyed.
    virtual ~CPuzzleRenderer2D();
    CPuzzleRenderer2D(const CPuzzleRenderer2D&) = delete;
    CPuzzleRenderer2D& operator=(const CPuzzleRenderer2D&) = delete;

    // Once per frame: empties itself without a puzzle, rebuilds on a new change number, then every block
    // window follows its block.
    void Update();

    // The cell size of a w × h board.
    static std::int32_t CellSizeFor(std::int32_t width, std::int32_t height);
    // Board units to pixels (truncation toward zero, then the offset), and extents to pixels.
    BaseLib::CPoint CellToScreen(float x, float y) const;
    BaseLib::CSize ScaleToScreen(float width, float height) const;
    // Pixels to board units, and pixel distances to board distances.
    BaseLib::CVector2 ScreenToCell(std::int32_t x, std::int32_t y) const;
    BaseLib::CVector2 PixelsToCells(std::int32_t dx, std::int32_t dy) const;
    // The id of the first block window, in block order, whose rectangle holds the pixel; -1 when none.
    std::int32_t FindBlockAt(std::int32_t x, std::int32_t y) const;

    // Every block window destroyed (a drag in progress released), the change number -1.
    void ClearBlockControls();
    // Every grid label destroyed.
    void ClearGrid();
    // The cell size from the puzzle, then the grid labels on the playing field.
    void BuildGrid();
    // The change number kept; one block window per shown block, in block order, on the board window.
    void CreateBlockControls();

    // Whether block windows may read their blocks and send commands: the world has a puzzle with the
    // change number the windows were built for, and no solver or refiner (game states 4, 5) owns it.
    bool AcceptsInput() const;

    CQuarrowWorld* GetWorld() const { return m_world; }
    UILib::CWindow* GetPlayingField() const { return m_playingField; }
    UILib::CTransparentWindow* GetBoardWindow() const { return m_boardWindow; }
    // -1 while no block windows are built.
    std::int64_t GetChangeNumber() const { return m_changeNumber; }
    std::int32_t GetCellSize() const { return m_cellSize; }
    const std::vector<CBlock2DControl*>& GetBlockControls() const { return m_blockControls; }
    const std::vector<UILib::CLabel*>& GetGridLabels() const { return m_gridLabels; }

private:
    CQuarrowWorld* m_world;
    UILib::CWindow* m_playingField;
    UILib::CTransparentWindow* m_boardWindow = nullptr;
    std::int64_t m_changeNumber = -1;
    std::int32_t m_cellSize = 0;
    std::vector<CBlock2DControl*> m_blockControls;
    std::vector<UILib::CLabel*> m_gridLabels;
};
