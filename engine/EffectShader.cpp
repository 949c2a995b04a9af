#include "engine/EffectShader.h"

#include "platform/gfxkit/effect/Effect.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace Qen
{

using namespace Platform::GfxKit;

namespace
{

template <std::size_t N> bool Listed(const char* const (&list)[N], const char* text)
{
    for (const char* entry : list)
    {
        if (std::strcmp(entry, text) == 0)
        {
            return true;
        }
    }
    return false;
}

} // namespace

CEffectShader::CEffectShader(Effect* effect)
{
    static constexpr const char* kSemantics[SemanticHandleCount] = {
        "WORLD",     "VIEW",           "PROJECTION",          "WORLDINVERSE",     "VIEWINVERSE",
        "WORLDVIEW", "VIEWPROJECTION", "WORLDVIEWPROJECTION", "BONEMATRIXPALETTE"};
    static constexpr const char* kNames[NamedHandleCount] = {"c_iNumBonesPerVertex", "c_vLightDir",
                                                             "c_vEyePosition", "c_fTime"};
    for (int i = 0; i < SemanticHandleCount; ++i)
    {
        m_semanticHandles[i] = effect->GetParameterBySemantic(nullptr, kSemantics[i]);
    }
    for (int i = 0; i < NamedHandleCount; ++i)
    {
        m_namedHandles[i] = effect->GetParameterByName(nullptr, kNames[i]);
    }
    m_staticMeshTechnique = effect->GetTechniqueByName("_staticmesh");
    m_skinnedMeshTechnique = effect->GetTechniqueByName("_skinnedmesh");
    InitEffectInstance(m_defaults);
    m_effect = effect;
    m_effect->AddRef();
    CollectParameterDefaults();
}

CEffectShader::~CEffectShader()
{
    FreeEffectInstance(m_defaults);
}

CEffectShader* CreateEffectShader(Effect* effect)
{
    return new CEffectShader(effect);
}

std::uint32_t CEffectShader::AddRef()
{
    return m_effect->AddRef();
}

std::uint32_t CEffectShader::Release()
{
    const std::uint32_t count = m_effect->Release();
    if (count == 0)
    {
        Destroy();
    }
    return count;
}

void CEffectShader::CollectParameterDefaults()
{
    EffectDesc desc;
    m_effect->GetDesc(&desc);
    for (std::uint32_t i = 0; i < desc.Parameters; ++i)
    {
        const EffectHandle handle = m_effect->GetParameter(nullptr, i);
        ParameterDesc parameter;
        m_effect->GetParameterDesc(handle, &parameter);
        CollectParameter(handle, parameter.Name);
    }
}

void CEffectShader::CollectParameter(EffectHandle handle, const std::string& fullName)
{
    ParameterDesc desc;
    if (Platform::Gfx::Failed(m_effect->GetParameterDesc(handle, &desc)))
    {
        return;
    }
    if ((desc.Flags & ParameterFlag::Shared) != 0)
    {
        return;
    }
    // "" is no semantic: such a parameter is compared by name only.
    if (Listed(kEngineParameterNames, desc.Name) ||
        (desc.Semantic[0] != '\0' && Listed(kEngineSemantics, desc.Semantic)))
    {
        return;
    }
    if (desc.Class == ParameterClass::Struct)
    {
        if (desc.Elements > 0)
        {
            for (std::uint32_t i = 0; i < desc.Elements; ++i)
            {
                char index[16];
                std::snprintf(index, sizeof index, "%i", static_cast<int>(i));
                CollectParameter(m_effect->GetParameterElement(handle, i), fullName + "[" + index + "]");
            }
        }
        else
        {
            for (std::uint32_t i = 0; i < desc.StructMembers; ++i)
            {
                const EffectHandle member = m_effect->GetParameter(handle, i);
                ParameterDesc memberDesc;
                m_effect->GetParameterDesc(member, &memberDesc);
                CollectParameter(member, fullName + "." + memberDesc.Name);
            }
        }
        return;
    }
    if (desc.Type <= ParameterType::String)
    {
        EffectDefault* added = AppendEffectDefault(m_defaults, fullName.c_str());
        SetEffectDefaultValue(*added, nullptr, desc.Bytes);
        if (desc.Bytes != 0)
        {
            m_effect->GetValue(handle, added->pValue, desc.Bytes);
        }
        added->Type = desc.Type == ParameterType::Float    ? EffectDefaultType::Floats
                      : desc.Type == ParameterType::String ? EffectDefaultType::String
                                                           : EffectDefaultType::Dword;
    }
    else if (desc.Type <= ParameterType::TextureCube)
    {
        AppendEffectDefault(m_defaults, fullName.c_str())->Type = EffectDefaultType::String;
    }
}

Platform::Gfx::Result CEffectShader::Begin(std::uint32_t* passes, std::uint32_t flags)
{
    std::uint32_t count = 0;
    const Platform::Gfx::Result result = m_effect->Begin(&count, flags);
    if (count > 0)
    {
        PassDesc pass;
        const EffectHandle handle = m_effect->GetPass(m_effect->GetCurrentTechnique(), count - 1);
        if (handle != nullptr && Platform::Gfx::Succeeded(m_effect->GetPassDesc(handle, &pass)) &&
            std::strcmp(pass.Name, "restore") == 0)
        {
            m_restorePassIndex = static_cast<std::int32_t>(count - 1);
            m_inRestorePass = true;
            --count;
        }
    }
    *passes = count;
    return result;
}

Platform::Gfx::Result CEffectShader::End()
{
    if (m_inRestorePass)
    {
        m_effect->BeginPass(static_cast<std::uint32_t>(m_restorePassIndex));
        m_effect->EndPass();
        m_inRestorePass = false;
    }
    return m_effect->End();
}

} // namespace Qen
