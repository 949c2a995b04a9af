#include "game/puzzle/PuzzleRenderer2D.h"

#include "foundation/Debug.h"
#include "game/GameContext.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/Block2DControl.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "ui/Bitmap.h"
#include "ui/Panel.h"
#include "ui/Window.h"
#include "ui/controls/Label.h"

#include <algorithm>

namespace
{

constexpr const char* kGridCellImage = "Puzzle2D/grid_cell.png";

// A window the full handle table could not register is of no use: it is deleted at once.
template <typename T> T* Registered(T* window)
{
    if (window->GetHandle() == 0)
    {
        window->Delete();
        return nullptr;
    }
    return window;
}

} // namespace

CPuzzleRenderer2D::CPuzzleRenderer2D(CQuarrowWorld* world, UILib::CWindow* playingField)
    : m_world(world), m_playingField(playingField)
{
    if (m_playingField != nullptr)
    {
        m_boardWindow = Registered(new UILib::CTransparentWindow());
    }
    if (m_boardWindow != nullptr)
    {
        m_boardWindow->SetAlwaysOnTop(true);
        const BaseLib::CSize field = m_playingField->GetSize();
        m_boardWindow->SetSize(std::max(field.cx - kHudWidth, 0), field.cy);
        m_playingField->AddChild(m_boardWindow->GetHandle());
    }
    BuildGrid();
    CreateBlockControls();
}

CPuzzleRenderer2D::~CPuzzleRenderer2D()
{
    ClearBlockControls();
    ClearGrid();
    if (m_boardWindow != nullptr)
    {
        m_boardWindow->Destroy();
    }
}

std::int32_t CPuzzleRenderer2D::CellSizeFor(std::int32_t width, std::int32_t height)
{
    // An empty board (a level that failed to load) and boards wider than 600 cells still get a cell
    // size that positions and mouse distances can be divided by.
    const std::int32_t w = std::max(width, 1);
    const std::int32_t h = std::max(height, 1);
    return std::max(std::min(kBoardPixels / w, kBoardPixels / h), 1);
}

BaseLib::CPoint CPuzzleRenderer2D::CellToScreen(float x, float y) const
{
    const float cell = static_cast<float>(m_cellSize);
    return BaseLib::CPoint(static_cast<std::int32_t>(cell * x) + kBoardOffset,
                           static_cast<std::int32_t>(cell * y) + kBoardOffset);
}

BaseLib::CSize CPuzzleRenderer2D::ScaleToScreen(float width, float height) const
{
    const float cell = static_cast<float>(m_cellSize);
    return BaseLib::CSize(static_cast<std::int32_t>(cell * width), static_cast<std::int32_t>(cell * height));
}

BaseLib::CVector2 CPuzzleRenderer2D::ScreenToCell(std::int32_t x, std::int32_t y) const
{
    const float cell = static_cast<float>(std::max(m_cellSize, 1));
    return BaseLib::CVector2(static_cast<float>(x - kBoardOffset) / cell, static_cast<float>(y - kBoardOffset) / cell);
}

BaseLib::CVector2 CPuzzleRenderer2D::PixelsToCells(std::int32_t dx, std::int32_t dy) const
{
    const float cell = static_cast<float>(std::max(m_cellSize, 1));
    return BaseLib::CVector2(static_cast<float>(dx) / cell, static_cast<float>(dy) / cell);
}

std::int32_t CPuzzleRenderer2D::FindBlockAt(std::int32_t x, std::int32_t y) const
{
    for (const CBlock2DControl* control : m_blockControls)
    {
        const BaseLib::CPoint position = control->GetPosition();
        const BaseLib::CSize size = control->GetSize();
        if (position.x <= x && x < position.x + size.cx && position.y <= y && y < position.y + size.cy)
        {
            return control->GetBlockId();
        }
    }
    return -1;
}

bool CPuzzleRenderer2D::AcceptsInput() const
{
    const CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr || static_cast<std::int64_t>(puzzle->GetChangeNumber()) != m_changeNumber)
    {
        return false;
    }
    const GameContext* context = m_world->GetGameContext();
    const std::int32_t state = context != nullptr ? context->GetState() : 0;
    return state != GameContext::SolverRunning && state != GameContext::RefinerRunning;
}

void CPuzzleRenderer2D::Update()
{
    const CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr)
    {
        if (!m_blockControls.empty())
        {
            ClearBlockControls();
        }
    }
    else if (static_cast<std::int64_t>(puzzle->GetChangeNumber()) != m_changeNumber)
    {
        ClearBlockControls();
        ClearGrid();
        BuildGrid();
        CreateBlockControls();
    }
    for (CBlock2DControl* control : m_blockControls)
    {
        control->SyncToBlock();
    }
}

void CPuzzleRenderer2D::ClearBlockControls()
{
    for (CBlock2DControl* control : m_blockControls)
    {
        control->Detach();
        control->Destroy();
    }
    m_blockControls.clear();
    m_changeNumber = -1;
}

void CPuzzleRenderer2D::ClearGrid()
{
    for (UILib::CLabel* label : m_gridLabels)
    {
        label->Destroy();
    }
    m_gridLabels.clear();
}

void CPuzzleRenderer2D::BuildGrid()
{
    const CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    const std::int32_t width = puzzle != nullptr ? puzzle->GetWidth() : 0;
    const std::int32_t height = puzzle != nullptr ? puzzle->GetHeight() : 0;
    m_cellSize = CellSizeFor(width, height);
    if (puzzle == nullptr || m_playingField == nullptr)
    {
        return;
    }
    if (static_cast<std::int64_t>(width) * height > kMaxGridCells)
    {
        BaseLib::DebugOutput("Board view: the %d x %d board has more than %lld cells; it is shown without grid cells\n",
                             width, height, static_cast<long long>(kMaxGridCells));
        return;
    }
    const UILib::CBitmap cellImage(kGridCellImage, m_cellSize, m_cellSize);
    const auto addCell = [&](BaseLib::CPoint at) {
        UILib::CLabel* label = Registered(new UILib::CLabel());
        if (label == nullptr)
        {
            return;
        }
        label->SetBitmap(cellImage);
        label->SetSize(m_cellSize, m_cellSize);
        label->Move(at.x, at.y);
        m_playingField->AddChild(label->GetHandle());
        m_gridLabels.push_back(label);
    };
    m_gridLabels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y)
    {
        for (std::int32_t x = 0; x < width; ++x)
        {
            addCell(CellToScreen(static_cast<float>(x), static_cast<float>(y)));
        }
    }
    for (const CBlock* block : puzzle->GetBlocks())
    {
        if (block->GetKind() == KindLevelSolvedTrigger)
        {
            addCell(CellToScreen(block->GetRect().left, block->GetRect().top));
        }
    }
}

void CPuzzleRenderer2D::CreateBlockControls()
{
    CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr)
    {
        return;
    }
    m_changeNumber = puzzle->GetChangeNumber();
    if (m_boardWindow == nullptr)
    {
        return;
    }
    for (CBlock* block : puzzle->GetBlocks())
    {
        if (!block->IsShown())
        {
            continue;
        }
        if (m_blockControls.size() >= kMaxBlockControls)
        {
            BaseLib::DebugOutput("Board view: more than %zu shown blocks; the others get no window\n",
                                 kMaxBlockControls);
            break;
        }
        CBlock2DControl* control = Registered(CBlock2DControl::Create(this, block));
        if (control == nullptr)
        {
            continue;
        }
        m_boardWindow->AddChild(control->GetHandle());
        m_blockControls.push_back(control);
    }
}
