#pragma once

#include "engine/EngineResource.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{
class BaseTexture;
}

namespace Qen
{

class CEngineController;
class CTexture;

// Storage bits per pixel of a device format; 0 for a format outside the engine's list.
std::uint32_t GetBitsPerPixel(std::uint32_t format);

// Textures from image files or from a size and format, kept in the engine's texture registry under a
// key of the file's base name and every parameter that differs from its default. Main thread only:
// no streaming thread, every load runs on the caller's thread.
class CTextureFactory : public BaseLib::CResourceFactory
{
public:
    using TFill = TFillRecord<Platform::Gfx::BaseTexture>;

    struct TTextureParameters : BaseLib::CResourceParameters
    {
        // Copies every field: the clone source by reference (counts moved), the file name by value.
        std::uint32_t type = 0x7fffffff; // 3 2D, 4 volume, 5 cube; 0x7fffffff: read from the file
        std::int32_t width = -1;         // -1: from the file; a cube's edge
        std::int32_t height = -1;
        std::int32_t depth = -1;
        std::int32_t mipLevels = -1; // -1: a full chain
        std::uint32_t format = 0;    // 0: from the file
        std::uint32_t usage = 0;
        std::uint32_t pool = 1;
        std::string fileName; // as the caller named it, alias included; empty without a file
        std::int32_t filter = -1;
        std::int32_t mipFilter = -1;
        std::uint32_t colorKey = 0;
        TFill fill;
    };

    static constexpr std::uint32_t kTypeFromFile = 0x7fffffff;

    CTextureFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    ~CTextureFactory() override;

    // The texture of an image file: every default but the pool, keyed by BuildTextureKey.
    BaseLib::CResourcePtr<CTexture>& LoadTexture(const std::string& fileName,
                                                 BaseLib::CResourcePtr<CTexture>& out, std::uint32_t pool);
    // A 2D texture without a file under the caller's name (empty: a unique one). The fill function, when
    // set, fills it after every creation.
    BaseLib::CResourcePtr<CTexture>& CreateTexture(BaseLib::CResourcePtr<CTexture>& out, std::int32_t width,
                                                   std::int32_t height, std::int32_t mipLevels,
                                                   std::uint32_t usage, std::uint32_t format,
                                                   std::uint32_t pool, void* fillData1, void* fillData2,
                                                   TFill::Function fillFunction, const std::string& name);

    static std::string BuildTextureKey(const TTextureParameters& parameters);

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

    CEngineController* GetEngine() const { return m_engine; }

    // The device texture the parameters describe, or null (after the failure box). Without a file the
    // fill function runs on the texture made.
    Platform::Gfx::BaseTexture* CreateDeviceTexture(TTextureParameters& parameters);
    // Type, level count and level 0's size, format, pool and usage of the texture into the parameters.
    static void ReadTextureDescription(Platform::Gfx::BaseTexture* texture, TTextureParameters& parameters);

private:
    Platform::Gfx::BaseTexture* CopyTexture(CTexture& source);

    CEngineController* m_engine;
};

// A texture resource: one device texture (one reference held), none while unloaded.
class CTexture : public CEngineResource
{
public:
    using CEngineResource::CEngineResource;
    ~CTexture() override;

    std::uint32_t GetSize() const override;
    // "precache" pre-loads a managed texture; "devicelost" unloads a loaded default-pool one, which
    // "devicereset" loads again (from its file, or made empty and refilled).
    void HandleEvent(std::string event) override;
    // The pool of level 0.
    virtual std::uint32_t GetPool() const = 0;

    // The held texture, without a count; null while unloaded.
    Platform::Gfx::BaseTexture* GetTexture() const { return m_texture; }
    void SetTexture(Platform::Gfx::BaseTexture* texture); // takes over the caller's reference
    void ReleaseDeviceObject() override;

    CTextureFactory::TTextureParameters& Parameters() const
    {
        return static_cast<CTextureFactory::TTextureParameters&>(*GetParameters());
    }

protected:
    // Bytes of one level: width × height (× depth) × bits, shifted right by 3.
    virtual std::uint32_t LevelSize(std::uint32_t level, std::uint32_t bits) const = 0;

    Platform::Gfx::BaseTexture* m_texture = nullptr;
};

class CTexture2D : public CTexture
{
public:
    using CTexture::CTexture;
    std::uint32_t GetPool() const override;

protected:
    std::uint32_t LevelSize(std::uint32_t level, std::uint32_t bits) const override;
};

class CTexture3D : public CTexture
{
public:
    using CTexture::CTexture;
    std::uint32_t GetPool() const override;

protected:
    std::uint32_t LevelSize(std::uint32_t level, std::uint32_t bits) const override;
};

class CTextureCube : public CTexture
{
public:
    using CTexture::CTexture;
    std::uint32_t GetPool() const override;

protected:
    std::uint32_t LevelSize(std::uint32_t level, std::uint32_t bits) const override;
};

} // namespace Qen
