#pragma once

#include "engine/EngineResource.h"
#include "engine/TextureFactory.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{
class Surface;
}

namespace Qen
{

class CEngineController;
class CSurface;

// Surfaces (depth-stencil, off-screen plain from a size or an image file, or one level of a 2D texture
// resource) in the engine's surface registry under the caller's name. Main thread only.
class CSurfaceFactory : public BaseLib::CResourceFactory
{
public:
    // The fill function receives null after a failed creation: fill functions must accept null.
    using TFill = TFillRecord<Platform::Gfx::Surface>;

    struct TSurfaceParameters : BaseLib::CResourceParameters
    {
        std::int32_t width = -1;  // -1: from the image file
        std::int32_t height = -1; // -1: from the image file
        std::uint32_t format = 0; // 0: from the image file
        std::uint32_t multiSampleType = 0;
        std::uint32_t multiSampleQuality = 0;
        bool discard = true;
        std::uint32_t pool = 1;
        std::string fileName;
        BaseLib::CResourcePtr<CTexture> texture; // set: the surface is level `level` of that texture
        std::int32_t level = -1;
        TFill fill;
    };

    CSurfaceFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    ~CSurfaceFactory() override;

    // The surface of that name (the name alone is the key): made with the five values, discard true,
    // pool 1, no file, no texture.
    BaseLib::CResourcePtr<CSurface>& GetSurface(BaseLib::CResourcePtr<CSurface>& out, std::int32_t width,
                                                std::int32_t height, std::uint32_t format,
                                                std::uint32_t multiSampleType,
                                                std::uint32_t multiSampleQuality, const std::string& name);

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

    // The surface the parameters describe, or null after the failure box; the fill function (when set)
    // runs either way.
    Platform::Gfx::Surface* CreateDeviceSurface(TSurfaceParameters& parameters);

private:
    Platform::Gfx::Surface* CopySurface(CSurface& source);

    CEngineController* m_engine;
};

// A surface resource: one device surface (one reference held), none while unloaded.
class CSurface : public CEngineResource
{
public:
    using CEngineResource::CEngineResource;
    ~CSurface() override;

    // width × height × bits ÷ 8 of the held surface; 0 without one.
    std::uint32_t GetSize() const override;
    // As for textures, with the pool of the surface's description.
    void HandleEvent(std::string event) override;

    Platform::Gfx::Surface* GetSurface() const { return m_surface; }
    void SetSurface(Platform::Gfx::Surface* surface); // takes over the caller's reference
    void ReleaseDeviceObject() override;

    CSurfaceFactory::TSurfaceParameters& Parameters() const
    {
        return static_cast<CSurfaceFactory::TSurfaceParameters&>(*GetParameters());
    }

private:
    Platform::Gfx::Surface* m_surface = nullptr;
};

} // namespace Qen
