#pragma once

#include "foundation/Geometry.h"
#include "framework/SceneGraphNode.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

// Boards and node handles for the tests of the puzzle's scene nodes.
namespace NodeTesting
{

// Releases a node with its subtree.
struct ReleaseNode
{
    void operator()(GameLib::CSceneGraphNode* node) const { node->Release(true); }
};
template <class Node> using NodePtr = std::unique_ptr<Node, ReleaseNode>;

// A board from rows of block characters ('-' empty; see CEditablePuzzle::BlockFromChar: a lower-case
// letter is a normal block). Neighbouring cells of one letter, whatever its case, form one piece, so
// "Ff" is a flex block linked to a normal one; every other cell is a piece of its own.
inline void BuildBoard(CEditablePuzzle& puzzle, const std::vector<std::string>& rows,
                       const std::vector<PuzzleExit>& exits = {{DirectionEast, 2}})
{
    const auto height = static_cast<int32_t>(rows.size());
    const auto width = static_cast<int32_t>(rows.front().size());
    std::vector<PuzzleCell> cells;
    for (int32_t row = 0; row < height; ++row)
    {
        for (int32_t column = 0; column < width; ++column)
        {
            const char c = rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
            const bool letter = std::isalpha(static_cast<unsigned char>(c)) != 0;
            cells.push_back({c, letter ? std::toupper(static_cast<unsigned char>(c)) : 1000 + row * width + column});
        }
    }
    ASSERT_TRUE(puzzle.CreateFromCellGrid(cells, width, height, exits));
}

// The block whose rectangle starts at (left, top); null when none does.
inline CBlock* BlockAt(const CPuzzle& puzzle, float left, float top)
{
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetRect().left == left && block->GetRect().top == top)
        {
            return block;
        }
    }
    return nullptr;
}

// Puts the block at (left, top) with the size given, exactly (no quantising).
inline void PlaceBlock(CBlock& block, float left, float top, float width, float height)
{
    block.MoveTo(BaseLib::CRectF{left, top, left + width, top + height});
}

// A rotation of angle about z.
inline BaseLib::CMatrix RotationAboutZ(float angle)
{
    return BaseLib::QuaternionToMatrix(BaseLib::QuaternionFromAxisAngle(BaseLib::CVector3(0.0f, 0.0f, 1.0f), angle));
}

inline bool Near(const BaseLib::CMatrix& a, const BaseLib::CMatrix& b, float tolerance = 1e-6f)
{
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 4; ++j)
        {
            if (std::abs(a.m[i][j] - b.m[i][j]) > tolerance)
            {
                return false;
            }
        }
    }
    return true;
}

// The translation row of the node's world matrix.
inline BaseLib::CVector3 WorldPosition(GameLib::CSceneGraphNode& node)
{
    const BaseLib::CMatrix& m = node.GetWorldTransform();
    return {m.m[3][0], m.m[3][1], m.m[3][2]};
}

} // namespace NodeTesting
