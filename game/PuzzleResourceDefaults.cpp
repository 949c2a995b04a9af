#include "game/PuzzleResourceDefaults.h"

#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <algorithm>

void ApplyPuzzleResourceDefaults(CEditablePuzzle& puzzle, const std::vector<std::string>& gfxSets,
                                 const BaseLib::CPathAliases& aliases)
{
    const auto exists = [&aliases](const std::string& file) {
        return BaseLib::FileExists(aliases.ResolvePath(file));
    };
    if (!gfxSets.empty() &&
        std::find(gfxSets.begin(), gfxSets.end(), puzzle.GetGfxSetName()) == gfxSets.end())
    {
        const std::string& gfx = gfxSets[0] == "gs_plastic" && gfxSets.size() > 1 ? gfxSets[1] : gfxSets[0];
        puzzle.SetGfxSetName(gfx);
    }
    const std::string folder = "model>" + puzzle.GetGfxSetName() + "/";
    if (!exists(folder + puzzle.GetBoardName() + ".x") && puzzle.GetBoardName() != "field_6x6")
    {
        puzzle.SetBoardName("field_6x6");
    }
    if (!exists("environment>" + puzzle.GetEnvironmentName() + ".xml") &&
        puzzle.GetEnvironmentName() != "jungle1")
    {
        puzzle.SetEnvironmentName("jungle1");
    }
    for (CBlock* block : puzzle.GetBlocks())
    {
        const std::string& model = block->GetModelName();
        if (!model.empty() && model != "blk_default" && !exists(folder + model + ".x"))
        {
            block->SetModelName("blk_default");
        }
    }
}

void ApplyPuzzleResourceDefaults(CQuarrowWorld& world)
{
    if (world.GetPuzzle() == nullptr)
    {
        return;
    }
    static const BaseLib::CPathAliases none;
    Qen::CEngineController* owner = world.GetOwner();
    ApplyPuzzleResourceDefaults(*world.GetPuzzle(), world.GetGfxSets(),
                                owner != nullptr ? owner->GetPathAliases() : none);
}
