#include "puzzle/BlockFactory.h"

#include "puzzle/BridgeBlock.h"
#include "puzzle/ColoredBlock.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/LinkedBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/ObstacleBlock.h"
#include "puzzle/PlayerBlock.h"
#include "puzzle/WallBlock.h"

namespace
{

struct FactoryEntry
{
    const char* type;
    CBlock* (*create)(CPuzzle* puzzle, int32_t argument);
    int32_t argument;
};

template <class Block> CBlock* Create(CPuzzle* puzzle, int32_t)
{
    return new Block(puzzle);
}

template <class Block> CBlock* CreateWithArgument(CPuzzle* puzzle, int32_t argument)
{
    return new Block(puzzle, argument);
}

// In the order the names are compared.
const FactoryEntry s_factory[] = {
    {"normal", Create<CBlock>, 0},
    {"player", Create<CPlayerBlock>, 0},
    {"bridge", Create<CBridgeBlock>, 0},
    {"flex", CreateWithArgument<CFlexBlock>, 0},
    {"weakflex", CreateWithArgument<CFlexBlock>, 1},
    {"magnet", CreateWithArgument<CMagnetBlock>, 0},
    {"magnet_northpole", CreateWithArgument<CMagnetBlock>, 1},
    {"magnet_southpole", CreateWithArgument<CMagnetBlock>, 0},
    {"magnet_pulling", CreateWithArgument<CMagnetBlock>, 0},
    {"magnet_pushing", CreateWithArgument<CMagnetBlock>, 1},
    {"obstacle", Create<CObstacleBlock>, 0},
    {"wall", Create<CWallBlock>, 0},
    {"linked", Create<CLinkedBlock>, 0},
    {"levelsolvedtrigger", Create<CLevelSolvedTriggerBlock>, 0},
    {"colored_yellow", CreateWithArgument<CColoredBlock>, 1},
    {"colored_red", CreateWithArgument<CColoredBlock>, 0},
    {"colored_green", CreateWithArgument<CColoredBlock>, 3},
    {"colored_blue", CreateWithArgument<CColoredBlock>, 2},
    {"colored_orange", CreateWithArgument<CColoredBlock>, 6},
    {"colored_white", CreateWithArgument<CColoredBlock>, 5},
    {"colored_black", CreateWithArgument<CColoredBlock>, 4},
};

} // namespace

CBlock* CreateBlockByType(CPuzzle* puzzle, const std::string& type)
{
    for (const FactoryEntry& entry : s_factory)
    {
        if (type == entry.type)
        {
            return entry.create(puzzle, entry.argument);
        }
    }
    return nullptr;
}

bool IsBlockType(const std::string& type)
{
    for (const FactoryEntry& entry : s_factory)
    {
        if (type == entry.type)
        {
            return true;
        }
    }
    return false;
}
