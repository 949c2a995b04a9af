#include "tools/editor/PuzzleEditor.h"

#include "framework/CommandQueue.h"
#include "game/PuzzleResourceDefaults.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"

#include <algorithm>

CPuzzleEditor::CPuzzleEditor(CQuarrowWorld* world) : m_world(world) {}

CEditablePuzzle* CPuzzleEditor::Puzzle() const
{
    return m_world != nullptr ? m_world->GetPuzzle() : nullptr;
}

void CPuzzleEditor::Update()
{
    const CEditablePuzzle* puzzle = Puzzle();
    if (puzzle == nullptr)
    {
        m_seenChangeNumber = -1;
        m_selectedBlock = -1;
        return;
    }
    const auto change = static_cast<std::int32_t>(puzzle->GetChangeNumber());
    if (change != m_seenChangeNumber)
    {
        m_seenChangeNumber = change;
        m_selectedBlock = -1;
    }
}

void CPuzzleEditor::ClearPuzzle()
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->Clear();
    }
}

void CPuzzleEditor::DeleteSelectedBlock()
{
    CEditablePuzzle* puzzle = Puzzle();
    if (puzzle != nullptr && m_selectedBlock >= 0)
    {
        puzzle->DeleteBlock(m_selectedBlock);
    }
}

void CPuzzleEditor::PlaceMetaBlock(float x, float y, bool vertical, const CMetaBlockDescription& description)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->PlaceMetaBlock(description, x, y, vertical);
    }
}

void CPuzzleEditor::SetTimeFrozen(bool frozen)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetTimeFrozen(frozen);
    }
}

std::int32_t CPuzzleEditor::GetGridSizeX() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetWidth() : 0;
}

std::int32_t CPuzzleEditor::GetGridSizeY() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetHeight() : 0;
}

void CPuzzleEditor::SetGridSize(std::int32_t x, std::int32_t y)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetGridSize(x, y);
    }
}

std::int32_t CPuzzleEditor::GetChangeNumber() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? static_cast<std::int32_t>(puzzle->GetChangeNumber()) : -1;
}

std::int32_t CPuzzleEditor::GetNumExits() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetNumExits() : 0;
}

PuzzleExit CPuzzleEditor::GetExit(std::int32_t index) const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetExit(index) : PuzzleExit{};
}

void CPuzzleEditor::SetExits(const std::vector<PuzzleExit>& exits)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetExits(exits);
    }
}

std::int32_t CPuzzleEditor::GetParSolveMoves() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetParSolveMoves() : -1;
}

void CPuzzleEditor::SetParSolveMoves(std::int32_t moves)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetParSolveMoves(moves);
    }
}

void CPuzzleEditor::MarkPuzzleChanged(bool forgetMinimum)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->MarkChanged(forgetMinimum);
    }
}

std::string CPuzzleEditor::GetBoardName() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetBoardName() : std::string();
}

std::string CPuzzleEditor::GetEnvironmentName() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetEnvironmentName() : std::string();
}

std::string CPuzzleEditor::GetGfxSetName() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetGfxSetName() : std::string();
}

std::string CPuzzleEditor::GetFileName() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    return puzzle != nullptr ? puzzle->GetFileName() : std::string();
}

void CPuzzleEditor::SetBoardName(const std::string& name)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetBoardName(name);
    }
}

void CPuzzleEditor::SetEnvironmentName(const std::string& name)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetEnvironmentName(name);
    }
}

void CPuzzleEditor::SetGfxSetName(const std::string& name)
{
    if (CEditablePuzzle* puzzle = Puzzle())
    {
        puzzle->SetGfxSetName(name);
    }
}

std::vector<std::string> CPuzzleEditor::GetGfxSetList() const
{
    return m_world != nullptr ? m_world->GetGfxSets() : std::vector<std::string>();
}

void CPuzzleEditor::LoadPuzzle(const std::string& fileName)
{
    CEditablePuzzle* puzzle = Puzzle();
    if (puzzle == nullptr)
    {
        return;
    }
    if (fileName.ends_with(".xml"))
    {
        puzzle->LoadXml(fileName);
    }
    else if (fileName.ends_with(".blvl"))
    {
        puzzle->LoadBinary(fileName);
    }
    else
    {
        puzzle->BuildFromCharGrid(fileName);
    }
    ApplyPuzzleResourceDefaults(*m_world);
}

void CPuzzleEditor::SavePuzzle(const std::string& fileName)
{
    CEditablePuzzle* puzzle = Puzzle();
    if (puzzle == nullptr)
    {
        return;
    }
    if (fileName.ends_with(".xml"))
    {
        puzzle->SaveXml(fileName);
    }
    else
    {
        puzzle->SaveBinary(fileName);
    }
}

void CPuzzleEditor::Solve()
{
    if (GameLib::CCommandQueue* queue = m_world != nullptr ? m_world->GetCommandQueue() : nullptr)
    {
        queue->PostCommand("Solve", std::string());
    }
}

const CBlock* CPuzzleEditor::SelectionHead() const
{
    const CEditablePuzzle* puzzle = Puzzle();
    if (puzzle == nullptr || m_selectedBlock < 0)
    {
        return nullptr;
    }
    const CBlock* block = puzzle->FindBlockById(m_selectedBlock);
    // Links that go round in a circle would never reach a head: stop at the first block seen twice.
    std::vector<const CBlock*> seen;
    while (block != nullptr && std::find(seen.begin(), seen.end(), block) == seen.end())
    {
        seen.push_back(block);
        const CBlock* next = block->GetNeighbour(DirectionNorth);
        if (next == nullptr)
        {
            next = block->GetNeighbour(DirectionWest);
        }
        if (next == nullptr)
        {
            return block;
        }
        block = next;
    }
    return block;
}

void CPuzzleEditor::GetSelectionOrigin(double& x, double& y) const
{
    const CBlock* head = SelectionHead();
    x = head != nullptr ? head->GetRect().left : 0.0;
    y = head != nullptr ? head->GetRect().top : 0.0;
}

bool CPuzzleEditor::IsSelectionVertical() const
{
    const CBlock* head = SelectionHead();
    return head == nullptr || head->GetNeighbour(DirectionEast) == nullptr;
}

CMetaBlockDescription CPuzzleEditor::GetSelectionDescription() const
{
    CMetaBlockDescription description;
    std::vector<const CBlock*> seen;
    for (const CBlock* block = SelectionHead();
         block != nullptr && std::find(seen.begin(), seen.end(), block) == seen.end();)
    {
        seen.push_back(block);
        description.GetParts().push_back({block->GetTypeName(), block->GetModelName()});
        const CBlock* next = block->GetNeighbour(DirectionSouth);
        block = next != nullptr ? next : block->GetNeighbour(DirectionEast);
    }
    return description;
}
