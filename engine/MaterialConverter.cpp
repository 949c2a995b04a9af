#include "engine/MaterialConverter.h"

#include "engine/EngineController.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"

namespace Qen
{

using Platform::GfxKit::EffectDefaultType::Floats;
using Platform::GfxKit::EffectDefaultType::String;

CMaterialConverter::CRefCountedD3DXEffectInstance::CRefCountedD3DXEffectInstance(const char* effectFileName)
{
    InitEffectInstance(instance);
    instance.pEffectFilename = BaseLib::StrDup(effectFileName);
}

CMaterialConverter::CRefCountedD3DXEffectInstance::~CRefCountedD3DXEffectInstance()
{
    FreeEffectInstance(instance);
}

CMaterialConverter::CMaterialConverter(CEngineController* engine)
    : m_engine(engine), m_textured(new CRefCountedD3DXEffectInstance("std_default.fx")),
      m_untextured(new CRefCountedD3DXEffectInstance("std_untextured.fx"))
{}

CMaterialConverter::~CMaterialConverter()
{
    m_untextured = nullptr;
    m_textured = nullptr;
    m_overrides.clear();
}

const EffectInstance& CMaterialConverter::LookupEffectInstance(const char* textureFileName) const
{
    if (textureFileName == nullptr)
    {
        return m_untextured->instance;
    }
    const auto found =
        m_overrides.find(BaseLib::ToLower(BaseLib::GetFileName(BaseLib::RemoveExtension(textureFileName))));
    return found != m_overrides.end() ? found->second->instance : m_textured->instance;
}

void CMaterialConverter::ConvertMaterial(const Platform::GfxKit::XFileMaterial& material,
                                         EffectInstance& out) const
{
    ResizeEffectDefaults(out, 0);
    BaseLib::StrFree(out.pEffectFilename);
    out.pEffectFilename = nullptr;

    const char* texture = material.pTextureFilename;
    const EffectInstance* start = &LookupEffectInstance(texture);
    if (texture == nullptr && start->pEffectFilename == nullptr)
    {
        start = &m_textured->instance;
    }
    out.pEffectFilename = BaseLib::StrDup(start->pEffectFilename);
    ResizeEffectDefaults(out, start->NumDefaults);
    CopyEffectDefaults(out, start->pDefaults, start->NumDefaults);

    if (texture != nullptr)
    {
        static constexpr const char* kMaps[8][2] = {
            {"", "c_tDiffuseMap"},       {"_specular", "c_tSpecularMap"},
            {"_bump", "c_tBumpMap"},     {"_normal", "c_tNormalMap"},
            {"_detail", "c_tDetailMap"}, {"_environment", "c_tEnvironmentMap"},
            {"_shadow", "c_tShadowMap"}, {"_light", "c_tLightMap"},
        };
        for (int k = 0; k < 8; ++k)
        {
            const std::string candidate =
                k == 0 ? std::string(texture) : BaseLib::InsertBeforeExtension(texture, kMaps[k][0]);
            // FileExists is false for an empty path; it opens and closes the file.
            if (k > 0 && !BaseLib::FileExists(m_engine->GetPathAliases().ResolvePath(candidate)))
            {
                continue;
            }
            EffectDefault* map = FindEffectDefault(out, kMaps[k][1], true);
            map->Type = String;
            SetEffectDefaultValue(*map, candidate.c_str(), static_cast<std::uint32_t>(candidate.size() + 1));
        }
    }

    const Platform::Gfx::Material& colours = material.MatD3D;
    const struct
    {
        const char* name;
        const void* bytes;
        std::uint32_t count;
    } kColours[] = {
        {"c_vMaterialAmbient", &colours.Ambient, 16},   {"c_vMaterialDiffuse", &colours.Diffuse, 16},
        {"c_vMaterialSpecular", &colours.Specular, 16}, {"c_vMaterialEmissive", &colours.Emissive, 16},
        {"c_fSpecularPower", &colours.Power, 4},
    };
    for (const auto& colour : kColours)
    {
        EffectDefault* value = FindEffectDefault(out, colour.name, true);
        value->Type = Floats;
        SetEffectDefaultValue(*value, colour.bytes, colour.count);
    }
}

} // namespace Qen
