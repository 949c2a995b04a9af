#pragma once

#include "platform/gfxkit/xfile/XFileModel.h"

#include <string>
#include <vector>

// The game's 3D content: models, their textures, camera flights and environments, the cursor and the
// window icon. One cell of the board is one world unit, z points up and the board's top lies at z = 0.
namespace MediaGen
{

// The gfx sets, each a sub-folder of models/ with the same model names: sorted, so "gs_plastic" comes
// first and the game's fallback for an unknown set lands on the second, "jungle".
const std::vector<std::string>& GameGfxSets();

// The board sizes that have a board model "field_<W>x<H>.x" in every gfx set and a camera flight.
struct BoardSize
{
    int width;
    int height;
};
const std::vector<BoardSize>& GameBoardSizes();
std::string BoardModelName(const BoardSize& size);

// The regions of the world; each has an environment file "<region>1.xml" and a model "env_<region>.x".
const std::vector<std::string>& GameRegions();

// Writes the description as an X file (text form) media/relativePath, whole or not at all; a description
// the writer refuses is named and answers false, as does a file that cannot be written.
bool WriteModelFile(const std::string& media, const std::string& relativePath,
                    const Platform::GfxKit::XFileModel& model);

// The content writers of the game command, in the order it runs them.
// Textures, the block parts, boards, exits and markers of every gfx set, and the pick cube.
bool WriteGameModels(const std::string& media);
// The environment models: one per region at the models root and "environment.x" in every gfx set.
bool WriteEnvironmentModels(const std::string& media);
// "camera_<gfxset>_<board>.x" in animations/ for every gfx set and board.
bool WriteCameraFlights(const std::string& media);
// "<region>1.xml" in environments/ for every region, and one file of the region's lights for each
// tutorial level, naming its intro script "tutorial/<region>NN.xml".
bool WriteEnvironments(const std::string& media);
// The tutorial levels' environments: "tutorial_basic01" ... "tutorial_jungle04".
const std::vector<std::string>& TutorialEnvironments();
// "ombrel.cur" and "ombrel.png" at the media folder's top.
bool WriteCursorAndIcon(const std::string& media);

} // namespace MediaGen
