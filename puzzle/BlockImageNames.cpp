#include "puzzle/BlockImageNames.h"

#include "puzzle/Block.h"

namespace
{

enum class SuffixRule
{
    None,
    Full,
    Axis
};

struct ImageEntry
{
    const char* type;
    const char* front; // the file name up to the suffix
    const char* back;  // the file name after the suffix
    SuffixRule rule;
};

const ImageEntry s_images[] = {
    {"normal", "normalblock", ".png", SuffixRule::Full},
    {"player", "playerblock", ".png", SuffixRule::None},
    {"bridge", "bridgeblock", ".png", SuffixRule::Axis},
    {"flex", "flexblock", ".png", SuffixRule::Axis},
    {"weakflex", "weakflexblock", ".png", SuffixRule::Axis},
    {"magnet_pulling", "magnetblock", ".png", SuffixRule::Full},
    {"magnet_pushing", "bluemagnetblock", ".png", SuffixRule::Full},
    {"obstacle", "obstacleblock", ".png", SuffixRule::None},
    {"linked", "linkedblock", ".png", SuffixRule::Full},
    {"colored_yellow", "normalblock", "_yellow.png", SuffixRule::Full},
    {"colored_red", "normalblock", "_red.png", SuffixRule::Full},
    {"colored_green", "normalblock", "_green.png", SuffixRule::Full},
    {"colored_blue", "normalblock", "_blue.png", SuffixRule::Full},
    {"colored_orange", "normalblock", "_orange.png", SuffixRule::Full},
    {"colored_white", "normalblock", "_white.png", SuffixRule::Full},
    {"colored_black", "normalblock", "_black.png", SuffixRule::Full},
};

const char* Suffix(SuffixRule rule, bool n, bool s, bool e, bool w)
{
    switch (rule)
    {
    case SuffixRule::Full:
        if (n && s)
        {
            return "_ns";
        }
        if (e && w)
        {
            return "_we";
        }
        if (n)
        {
            return "_s";
        }
        if (s)
        {
            return "_n";
        }
        if (e)
        {
            return "_w";
        }
        return w ? "_e" : "";
    case SuffixRule::Axis:
        if (n || s)
        {
            return "_ns";
        }
        return e || w ? "_we" : "";
    case SuffixRule::None:
        break;
    }
    return "";
}

} // namespace

std::string Block2DImageName(const std::string& typeName, bool linkedNorth, bool linkedSouth, bool linkedEast,
                             bool linkedWest)
{
    std::string name = "Puzzle2D/";
    for (const ImageEntry& entry : s_images)
    {
        if (typeName == entry.type)
        {
            name += entry.front;
            name += Suffix(entry.rule, linkedNorth, linkedSouth, linkedEast, linkedWest);
            name += entry.back;
            break;
        }
    }
    return name;
}

std::string Block2DImageNameForBlock(const CBlock& block)
{
    return Block2DImageName(block.GetTypeName(), block.GetNeighbour(DirectionNorth) != nullptr,
                            block.GetNeighbour(DirectionSouth) != nullptr,
                            block.GetNeighbour(DirectionEast) != nullptr,
                            block.GetNeighbour(DirectionWest) != nullptr);
}
