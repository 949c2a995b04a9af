#pragma once

#include "engine/Model.h"
#include "engine/ModelLoadOptions.h"
#include "engine/XFileLoader.h"
#include "foundation/ResourceFactory.h"

#include <cstdint>
#include <string>

namespace Platform::GfxKit
{
class AnimationController;
class AnimationSet;
} // namespace Platform::GfxKit

namespace Qen
{

// Models kinds.
enum : std::int32_t
{
    ModelFromXFile = 0,
    ModelBox = 2,
    ModelSphere = 3,
    ModelCylinder = 4,
    ModelTorus = 5,
    ModelTeapot = 6,
};

// Models read from X files or made as primitives, prepared and finished, shared in the model registry
// under a key of the file's full path and the load options. Clones get frames and materials of their
// own and share the registered model's meshes. Main thread only, no streaming thread.
class CModelFactory : public BaseLib::CResourceFactory
{
public:
    struct TModelParameters : BaseLib::CResourceParameters
    {
        TModelParameters() = default;
        TModelParameters(const TModelParameters& other);
        // Every field; the material with its own copy of the texture name.
        TModelParameters& operator=(const TModelParameters& other);
        // Frees the material's texture name (the base releases the source).
        ~TModelParameters() override;

        std::int32_t kind = ModelFromXFile;
        std::string fileName;
        CModelLoadOptions options;
        float boxWidth = 0.0f;
        float boxHeight = 0.0f; // also the cylinder's length
        float boxDepth = 0.0f;
        float radius1 = 0.0f; // sphere radius, cylinder radius at -z, torus inner radius
        float radius2 = 0.0f; // cylinder radius at +z, torus outer radius
        std::uint32_t slices = 0;
        std::uint32_t stacks = 0;
        std::uint32_t sides = 0;
        std::uint32_t rings = 0;
        XFileMaterial material{}; // the primitive's one material; the texture name is owned
    };

    CModelFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    // Destroys this factory's models in the registry, then the allocator.
    ~CModelFactory() override;
    CModelFactory(const CModelFactory&) = delete;
    CModelFactory& operator=(const CModelFactory&) = delete;

    // The model of the X file loaded with the options (null: the process-wide default record), whose
    // name becomes the file name. With clone a private copy sharing the registered model's meshes.
    BaseLib::CResourcePtr<CModel> GetModel(CModelLoadOptions* options, const std::string& fileName, bool clone);
    // The registry key: the file's resolved (so media names lower-cased), absolute path and
    // "_0x%x_0x%x_0x%x" of the option flags, the shadow-volume floats' hash and the final mesh options.
    std::string BuildModelKey(const std::string& fileName, const CModelLoadOptions& options) const;

    // A new model holding a copy of the parameters, unloaded: GetResource loads it at once.
    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    // Releases every container's mesh; frames, materials, skins and animations stay for a reload.
    void Unload(BaseLib::CResource* resource) override;

    // The prepared (and, when asked, finished) hierarchy of the parameters; all three outputs are
    // released first and stay empty when nothing loads (an X file that fails shows the box "could not
    // load model file."; an unknown kind fails quietly).
    void LoadModelFile(const TModelParameters& parameters, CFrame*& root,
                       Platform::GfxKit::AnimationController*& controller, Platform::GfxKit::AnimationSet*& set);

private:
    CFrame* MakePrimitive(const TModelParameters& parameters);

    CEngineController* m_engine;
    CFrameHierarchyAllocator* m_allocator;
};

} // namespace Qen
