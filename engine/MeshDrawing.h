#pragma once

#include "engine/FrameHierarchy.h"

#include <cstdint>

// Drawing a loaded model: the walk over its frames with culling and visibility frames, and the
// drawing of one mesh container with its materials' effects.
namespace Qen
{

class CRenderContext;

// The most bone matrices one draw hands to an effect; longer palettes are cut to this.
constexpr std::uint32_t kBonePaletteSize = 256;

// Draws the enabled containers of the frame and its following siblings and their descendants. With
// cull, a frame whose sphere (centre × combined × world, radius not scaled) lies outside the context's
// frustum, or whose sphere is empty, is skipped with its subtree; so is an invisible frame and one
// whose visibility frame's first row has a squared length below 0.25. The context is held for the walk.
void RenderFrameHierarchy(CRenderContext* context, const Matrix& world, bool cull, CFrame* root);

// Draws one container with the context's engine: skinned (per bone combination, with the bone palette)
// when it has skin information, else static (per material slot, world' = the first bone-matrix entry's
// combined matrix × world). Every pass of the technique that the context's name selects draws the
// subset. Statistics: faces and one container per call, one effect run per subset drawn. A slot
// without a material or an effect, or a combination naming a slot past the material count, draws
// nothing and is traced once per container; a container without a mesh draws and counts nothing.
// Main thread only: the drawing state and the palette are process-wide.
void DrawMeshContainer(CMeshContainer& container, const Matrix& world, CRenderContext* context);

// The palette as the last skinned draw left it (entries a combination does not use keep older values).
const Matrix* GetBonePalette();

} // namespace Qen
