#pragma once

#include "engine/FrameHierarchy.h"

#include <cstdint>
#include <vector>

namespace Qen
{

class CEngineController;
class CModelLoadOptions;

// Merges the mesh containers of each visibility group (the containers whose owner frames lead, through
// parents without a visibility frame, to the same frame) into one container at the head of that
// frame's list: one mesh, the distinct effect instances, and with the merge-skinned-meshes flag a skin
// whose bones are the frames the parts hung from (rigid parts one bone each, skinned parts their own
// bones; unnamed frames get ".rigid_skinning_frame_%04x" names). Containers beyond the device's vertex
// or face limit, skinned ones without the merge-skinned-meshes flag and ones without a mesh stay alone;
// a group with one container left is unchanged. Run by PrepareModel before the per-container steps.
void MergeMeshes(CEngineController* engine, const CModelLoadOptions& options, CFrame* root);

// True when no two frames share a name; each repeated name is traced (with the model name).
bool CheckFrameNames(CFrame* root, const char* modelName);

} // namespace Qen
