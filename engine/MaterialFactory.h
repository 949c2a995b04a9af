#pragma once

#include "engine/EffectInstance.h"
#include "engine/Material.h"
#include "foundation/ResourceFactory.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Gfx
{
struct Caps;
}

namespace Platform::GfxKit
{
class ByteBuffer;
class Effect;
class EffectPool;
} // namespace Platform::GfxKit

namespace Qen
{

class CEffectShader;
class CEngineController;

// Opens the files the shared effect includes: by the name as given (no aliases; a relative name is
// relative to the working folder), read whole into a buffer without terminating zero.
class CD3DXInclude : public Platform::GfxKit::Include
{
public:
    // D3DERR_NOTFOUND when the file cannot be opened; E_FAIL when it cannot be read whole.
    Platform::Gfx::Result Open(std::uint32_t type, const char* name, const void* parentData,
                               const void** data, std::uint32_t* bytes) override;
    // Frees exactly the buffer given.
    Platform::Gfx::Result Close(const void* data) override;

    ~CD3DXInclude() = default;

private:
    const char* m_buffer = nullptr; // the data Open read last
};

// Materials: effect files compiled against macros that describe the device, every effect in one pool
// whose shared parameters have one value for all, and the shared effect built from the pool file.
// Main thread only (no streaming thread).
class CMaterialFactory : public BaseLib::CResourceFactory
{
public:
    struct TMaterialParameters : BaseLib::CResourceParameters
    {
        std::string effectFileName; // as the caller gave it, as a rule "alias>file"
    };

    using Creator = CEffectShader* (*)(Platform::GfxKit::Effect* effect);

    CMaterialFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    ~CMaterialFactory() override;

    // The material of an effect file, keyed by its lower-cased base name; with clone a private copy.
    BaseLib::CResourcePtr<CMaterial>& GetMaterial(const std::string& name,
                                                  BaseLib::CResourcePtr<CMaterial>& out, bool clone);
    // A clone of the instance's effect's material with the instance's values. An instance without an
    // effect file name gives an empty reference (traced).
    BaseLib::CResourcePtr<CMaterial>& GetMaterialForEffectInstance(const EffectInstance& instance,
                                                                   BaseLib::CResourcePtr<CMaterial>& out);
    // Builds the shared effect from the pool file (the previous one released). Every failure shows the
    // box; every answer but Ignore compiles again.
    void CreateSharedEffectPool(const std::string& name);
    // Null before CreateSharedEffectPool, or when the pool file made no effect.
    CEffectShader* GetSharedEffect() const { return m_sharedEffect; }

    // The effect of a file, with the state manager set, one reference for the caller; null when Ignore
    // was answered to a failure.
    Platform::GfxKit::Effect* CompileEffect(const std::string& name);
    // The failure box; Abort ends the process with -1, else Retry (4) or Ignore (5) is returned. The
    // caller keeps (and releases) the messages.
    static int ReportEffectError(Platform::Gfx::Result result, CMaterialFactory* factory,
                                 const std::string& shaderName, const std::string& fileName,
                                 Platform::GfxKit::ByteBuffer* messages);
    static void LoadSasTextures(CMaterialFactory* factory, CMaterial& material);

    // The compile macros: the device's, then the terminating record.
    static std::vector<Platform::GfxKit::Macro> MacrosFor(const Platform::Gfx::Caps& caps,
                                                          bool softwareVertexProcessing);
    const Platform::GfxKit::Macro* GetShaderMacros() const { return m_macros.data(); }
    std::size_t GetShaderMacroCount() const { return m_macros.size(); }
    Platform::GfxKit::EffectPool* GetEffectPool() const { return m_pool; }

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

private:
    void BuildShaderMacros();
    void FreeShaderMacros();

    CEngineController* m_engine;
    Platform::GfxKit::EffectPool* m_pool = nullptr;
    CEffectShader* m_sharedEffect = nullptr;
    std::vector<Platform::GfxKit::Macro> m_macros; // heap copies, ends with {null, null}
    std::uint32_t m_texturePool = 1;
    Creator m_creator;
};

} // namespace Qen
