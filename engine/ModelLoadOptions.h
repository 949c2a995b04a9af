#pragma once

#include "foundation/Vector.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <cfloat>
#include <cstdint>
#include <string>

namespace Qen
{

// What steers the loading and preparation of one model. Copied by value into every model's parameters.
class CModelLoadOptions
{
public:
    // The one process-wide record with the defaults, used by every model request that passes none (which
    // names it after the file it asks for).
    static CModelLoadOptions& GetDefault();

    std::string name; // the model's file name, for messages
    std::string shaderAlias = "xfl-shader>";
    std::string textureAlias = "xfl-texture>";
    bool buildShadowVolume = false;
    BaseLib::CVector3 shadowVolumeLightDirection{0.0f, 0.0f, 0.0f};
    // x = FLT_MAX: no position, the light is directional.
    BaseLib::CVector3 shadowVolumeLightPosition{FLT_MAX, FLT_MAX, FLT_MAX};
    float shadowVolumeExtrusion = 0.0f; // 0: no shrunk shadow volume
    float shadowVolumePullIn = 0.001f;
    float simplificationFactor = 1.0f; // another value simplifies every mesh to that fraction of its faces
    bool generateNormals = false;
    bool generateTangents = false;
    bool generateBinormals = false;
    bool readStreamsFromEffects = true;
    bool pruneEmptyLeafFrames = false;       // finishing: every empty leaf frame
    bool pruneUnnamedEmptyLeafFrames = true; // finishing: empty leaf frames without a name
    bool meshesOnlyForAnimation = false;
    bool stripNormals = false; // finishing
    bool loadMaterials = true;
    bool finishModel = true;
    bool mergeMeshes = false;
    bool mergeSkinnedMeshes = true;
    bool weldVertices = false;
    Platform::GfxKit::WeldEpsilons weldEpsilons{};
    std::uint32_t finalMeshOptions = 0x660; // managed, write-only
    std::uint32_t lastValue = 1;
};

} // namespace Qen
