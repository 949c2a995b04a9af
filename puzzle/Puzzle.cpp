#include "puzzle/Puzzle.h"

#include "puzzle/Block.h"

#include <algorithm>

CPuzzle::CPuzzle() = default;

CPuzzle::~CPuzzle()
{
    for (CBlock* block : m_blocks)
    {
        delete block;
    }
}

void CPuzzle::ResizeBoard(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_grid.Resize(m_width, m_height);
    m_grid.Clear();
    for (CBlock* block : m_blocks)
    {
        m_grid.AddBlock(block);
    }
}

CBlock* CPuzzle::FindBlockById(int32_t id) const
{
    for (CBlock* block : m_blocks)
    {
        if (block->GetId() == id)
        {
            return block;
        }
    }
    return nullptr;
}

void CPuzzle::AddBlock(CBlock* block)
{
    m_blocks.push_back(block);
    m_grid.AddBlock(block);
}

void CPuzzle::SelectBlock(int32_t id)
{
    if (m_selectedBlockId == -1 && !m_moving)
    {
        m_selectedBlockId = id;
    }
}

void CPuzzle::ReleaseBlock(int32_t id)
{
    if (id == m_selectedBlockId)
    {
        m_selectedBlockId = -1;
    }
}
