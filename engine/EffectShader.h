#pragma once

#include "engine/EffectInstance.h"
#include "foundation/RefCounted.h"
#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstdint>
#include <iterator>
#include <string>

namespace Platform::GfxKit
{
class Effect;
}

namespace Qen
{

using EffectHandle = Platform::GfxKit::EffectHandle;

// The names effect files share with the engine, in the vocabulary's order.
enum class EffectNameKind
{
    Semantic,     // an HLSL-style semantic the engine sets (its handle cached)
    EngineName,   // a parameter name the engine sets (its handle cached)
    MaterialName, // a parameter the materials set
    Annotation,   // an annotation read by mesh preparation
    StreamName,   // a value of that annotation
    DeclaredName, // declared, read by nothing
};

struct EffectName
{
    const char* name;
    EffectNameKind kind;
};

constexpr EffectName kEffectVocabulary[] = {
    {"WORLD", EffectNameKind::Semantic},
    {"WORLDINVERSE", EffectNameKind::Semantic},
    {"VIEW", EffectNameKind::Semantic},
    {"PROJECTION", EffectNameKind::Semantic},
    {"WORLDVIEW", EffectNameKind::Semantic},
    {"VIEWPROJECTION", EffectNameKind::Semantic},
    {"WORLDVIEWPROJECTION", EffectNameKind::Semantic},
    {"VIEWINVERSE", EffectNameKind::Semantic},
    {"BONEMATRIXPALETTE", EffectNameKind::Semantic},
    {"c_iNumBonesPerVertex", EffectNameKind::EngineName},
    {"c_vLightDir", EffectNameKind::EngineName},
    {"c_vEyePosition", EffectNameKind::EngineName}, // also a material parameter
    {"c_fTime", EffectNameKind::EngineName},
    {"c_vMaterialAmbient", EffectNameKind::MaterialName},
    {"c_vMaterialDiffuse", EffectNameKind::MaterialName},
    {"c_vMaterialSpecular", EffectNameKind::MaterialName},
    {"c_vMaterialEmissive", EffectNameKind::MaterialName},
    {"c_fSpecularPower", EffectNameKind::MaterialName},
    {"c_tDiffuseMap", EffectNameKind::MaterialName},
    {"c_tSpecularMap", EffectNameKind::MaterialName},
    {"c_tBumpMap", EffectNameKind::MaterialName},
    {"c_tNormalMap", EffectNameKind::MaterialName},
    {"c_tDetailMap", EffectNameKind::MaterialName},
    {"c_tEnvironmentMap", EffectNameKind::MaterialName},
    {"c_tLightMap", EffectNameKind::MaterialName},
    {"c_tShadowMap", EffectNameKind::MaterialName},
    {"Qen_REQUIRE_INPUTSTREAMS", EffectNameKind::Annotation},
    {"NORMAL", EffectNameKind::StreamName},
    {"TANGENT", EffectNameKind::StreamName},
    {"BINORMAL", EffectNameKind::StreamName},
    {"POSITION", EffectNameKind::StreamName},
    {"COLOR", EffectNameKind::StreamName},
    {"TEXCOORD", EffectNameKind::StreamName},
    {"BLENDINDICES", EffectNameKind::StreamName},
    {"BLENDWEIGHTS", EffectNameKind::StreamName},
    {"Context", EffectNameKind::DeclaredName},
    {"Object", EffectNameKind::DeclaredName},
    {"Scene", EffectNameKind::DeclaredName},
};
static_assert(std::size(kEffectVocabulary) == 38);

// Parameters with these semantics or names are the engine's and never become material parameters
// (compared exactly).
constexpr const char* kEngineSemantics[] = {
    "WORLD",       "VIEW",           "PROJECTION",          "WORLDINVERSE",      "WORLDVIEW",
    "VIEWINVERSE", "VIEWPROJECTION", "WORLDVIEWPROJECTION", "BONEMATRIXPALETTE", "Qen_REQUIRE_INPUTSTREAMS"};
constexpr const char* kEngineParameterNames[] = {"c_iNumBonesPerVertex", "c_vLightDir", "c_fTime",
                                                 "Qen_REQUIRE_INPUTSTREAMS"};

// The wrapper of a compiled effect: the handles of the engine's parameters and techniques looked up
// once, the starting values of every other parameter, and a last pass named "restore" hidden from the
// caller and run by End. It lives exactly as long as its effect: AddRef and Release forward to the
// effect, and the effect's last Release destroys the wrapper too.
class CEffectShader : public BaseLib::CRefCountedObject
{
public:
    enum SemanticHandle : int
    {
        World,
        View,
        Projection,
        WorldInverse,
        ViewInverse,
        WorldView,
        ViewProjection,
        WorldViewProjection,
        BoneMatrixPalette,
        SemanticHandleCount
    };
    enum NamedHandle : int
    {
        NumBonesPerVertex,
        LightDir,
        EyePosition,
        Time,
        NamedHandleCount
    };

    // Looks the handles up (a missing one is null), adds a reference to the effect and collects the
    // defaults.
    explicit CEffectShader(Platform::GfxKit::Effect* effect);

    std::uint32_t AddRef();
    // The effect's new count; at 0 the wrapper destroys itself.
    std::uint32_t Release();

    // The effect's Begin; a last pass named exactly "restore" is kept back (passes = n − 1) and run by
    // End. passes is 0 when the effect's Begin failed.
    Platform::Gfx::Result Begin(std::uint32_t* passes, std::uint32_t flags);
    Platform::Gfx::Result End();

    Platform::GfxKit::Effect* GetEffect() const { return m_effect; }
    EffectHandle GetSemanticHandle(SemanticHandle which) const { return m_semanticHandles[which]; }
    EffectHandle GetNamedHandle(NamedHandle which) const { return m_namedHandles[which]; }
    EffectHandle GetStaticMeshTechnique() const { return m_staticMeshTechnique; }
    EffectHandle GetSkinnedMeshTechnique() const { return m_skinnedMeshTechnique; }
    const EffectInstance& GetDefaults() const { return m_defaults; }
    std::uint32_t GetNumDefaults() const { return m_defaults.NumDefaults; }
    const EffectDefault* GetDefaultsArray() const { return m_defaults.pDefaults; }

protected:
    // Frees the defaults; the effect is not released again.
    ~CEffectShader() override;

private:
    void CollectParameterDefaults();
    void CollectParameter(EffectHandle handle, const std::string& fullName);

    EffectHandle m_semanticHandles[SemanticHandleCount] = {};
    EffectHandle m_namedHandles[NamedHandleCount] = {};
    EffectHandle m_staticMeshTechnique = nullptr;
    EffectHandle m_skinnedMeshTechnique = nullptr;
    EffectInstance m_defaults{};
    Platform::GfxKit::Effect* m_effect = nullptr;
    bool m_inRestorePass = false;
    std::int32_t m_restorePassIndex = -1;
};

// The material factory's creator: a new wrapper of the effect.
CEffectShader* CreateEffectShader(Platform::GfxKit::Effect* effect);

} // namespace Qen
