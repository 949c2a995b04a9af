#pragma once

#include "engine/FrameHierarchy.h"

#include <cstdint>
#include <string>

namespace Qen
{

class CEngineController;
class CIndexPairList;
class CModelLoadOptions;

// Turns a loaded hierarchy into what the renderer draws: frames linked, combined matrices computed,
// visibility frames found, meshes merged per visibility group on request (MeshMerging.h); per container (hierarchy order) material resources for its effect
// instances, an indexed-blended skinned mesh with a palette that fits its effects, bone matrices,
// cleaning, welding, simplification and shadow volumes on request, and every input stream its effects
// ask for; last a
// bounding sphere for every frame. Not re-entrant: one preparation at a time, on one thread.
//
// A mesh call that fails keeps the container's previous mesh (the results are not reported otherwise);
// a skinned container whose conversion fails keeps 0 bone combinations, so it draws nothing, and is
// traced with DescribeMesh.
void PrepareModel(CEngineController* engine, const CModelLoadOptions& options, CFrame* root);

// A mesh's name for messages: the container's name after " / " and the name of each frame up to the
// root (" / Lid / Box" for Box in frame Lid under an unnamed root).
std::string DescribeMesh(const CMeshContainer& container);

// The faces simplification asks for: ceil(faces × factor), at least 2.
std::uint32_t SimplificationTarget(std::uint32_t faces, float factor);

// The (usage, usage index) of a stream semantic: "NORMAL" 3, "TANGENT" 6, "BINORMAL" 7, "TEXCOORD" 5,
// "COLOR" 10, "POSITION" 0, followed by nothing (index 0) or a decimal number (that index). False for
// anything else.
bool ParseStreamSemantic(const char* semantic, std::uint32_t& usage, std::uint32_t& usageIndex);

// The smallest BONEMATRIXPALETTE element count of the container's effects: 2147483647 without
// materials, 16 for an empty slot or one without an effect, 16 when no slot gives a value above 0.
std::uint32_t GetEffectPaletteSize(const CMeshContainer& container);

// The streams the container's effects require (their "Qen_REQUIRE_INPUTSTREAMS" structure's member
// semantics, in slot order, first occurrences kept). Slots without a material or an effect add none.
void CollectRequiredStreams(const CMeshContainer& container, CIndexPairList& streams);

} // namespace Qen
