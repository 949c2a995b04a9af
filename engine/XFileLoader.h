#pragma once

#include "engine/FrameHierarchy.h"
#include "platform/gfxkit/xfile/XFileHierarchy.h"

#include <string>

namespace Platform::GfxKit
{
class AnimationController;
class AnimationSet;
} // namespace Platform::GfxKit

namespace Qen
{

class CEngineController;
class CMaterialConverter;
class CModelLoadOptions;

// Builds the engine's frames and mesh containers while an X file loads: materials copied with their
// textures named "xfl-texture>" + file name, effect instances taken from the file or made by the
// material converter. Every callback answers Ok.
class CFrameHierarchyAllocator final : public Platform::GfxKit::AllocateHierarchy
{
public:
    // Neither is owned; converter may be null (materials without a file effect then get none).
    CFrameHierarchyAllocator(CEngineController* engine, CMaterialConverter* converter);
    ~CFrameHierarchyAllocator() = default;
    CFrameHierarchyAllocator(const CFrameHierarchyAllocator&) = delete;
    CFrameHierarchyAllocator& operator=(const CFrameHierarchyAllocator&) = delete;

    Platform::Gfx::Result CreateFrame(const char* name, Platform::GfxKit::Frame** frame) override;
    // With the options' meshes-only-for-animation flag the container comes back empty.
    Platform::Gfx::Result CreateMeshContainer(const char* name, const Platform::GfxKit::MeshData* meshData,
                                              const XFileMaterial* materials, const EffectInstance* effectInstances,
                                              std::uint32_t materialCount, const std::uint32_t* adjacency,
                                              Platform::GfxKit::SkinInfo* skinInfo,
                                              Platform::GfxKit::MeshContainer** container) override;
    Platform::Gfx::Result DestroyFrame(Platform::GfxKit::Frame* frame) override;
    Platform::Gfx::Result DestroyMeshContainer(Platform::GfxKit::MeshContainer* container) override;

    // The options of the load in progress (not owned; null: the defaults).
    void SetLoadOptions(const CModelLoadOptions* options) { m_options = options; }
    void SetMaterialConverter(CMaterialConverter* converter) { m_converter = converter; }
    CEngineController* GetEngine() const { return m_engine; }

private:
    void CopyMaterials(CMeshContainer& container, std::uint32_t count, const XFileMaterial* materials) const;
    void FillEffectInstances(CMeshContainer& container, const EffectInstance* instances) const;

    const CModelLoadOptions* m_options = nullptr;
    CEngineController* m_engine;
    CMaterialConverter* m_converter;
};

// The engine's model loads: the hierarchy, controller and animation set of the last load. The engine
// controller keeps one.
class CXFileLoader
{
public:
    explicit CXFileLoader(CEngineController* engine);
    ~CXFileLoader();
    CXFileLoader(const CXFileLoader&) = delete;
    CXFileLoader& operator=(const CXFileLoader&) = delete;

    // Loads the file (path aliases resolved) through the allocator with the options and this loader's
    // converter. A controller comes back cloned with room for at least 64 sets, and its set 0 becomes
    // the load's set (several sets are traced). A missing or unreadable file shows the box "failed to
    // load mesh from x-file" with the name as given and answers false. The previous load's controller
    // and set are released first, so a file without animation leaves neither.
    bool LoadMeshHierarchy(CFrameHierarchyAllocator& allocator, const std::string& fileName,
                           const CModelLoadOptions& options);

    // The last load's root: the caller takes it over (and frees it with the same kind of allocator).
    CFrame* GetFrameRoot() const { return m_root; }
    // Each with one reference added for the caller; null when the last load had none.
    Platform::GfxKit::AnimationController* GetAnimationController() const;
    Platform::GfxKit::AnimationSet* GetAnimationSet() const;
    CMaterialConverter* GetMaterialConverter() const { return m_converter; }
    // Forgets the last load (its controller and set released) once a caller has taken what it needs.
    void ClearResults();

private:
    CEngineController* m_engine;
    CMaterialConverter* m_converter;
    CFrame* m_root = nullptr;
    Platform::GfxKit::AnimationController* m_controller = nullptr;
    Platform::GfxKit::AnimationSet* m_set = nullptr;
};

// The animation set of an X file loaded for its animation alone (no meshes, no materials): its set 0,
// or without sets the ".default" rest pose of its frames. *set gets one reference, or null when the file
// cannot be loaded (after the box "failed to load anim from x-file").
void LoadAnimationFromXFile(const std::string& fileName, CEngineController* engine,
                            Platform::GfxKit::AnimationSet** set);

} // namespace Qen
