#include "engine/MaterialFactory.h"

#include "engine/AdapterRecord.h"
#include "engine/DeviceStateMgr.h"
#include "engine/DisplaySettings.h"
#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectCreation.h"
#include "platform/gfxkit/effect/EffectPool.h"
#include "platform/gfxkit/effect/EffectPreprocessor.h"
#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Qen
{

using namespace Platform::GfxKit;
using Platform::Gfx::Failed;
using Platform::Gfx::Result;
using Platform::Gfx::Succeeded;

namespace
{

constexpr std::uint32_t kCompileFlags = 0x820;
constexpr std::uint32_t kPoolFlags = 0x800;
constexpr std::uint32_t kBoxStyle =
    Platform::MessageBoxAbortRetryIgnore | Platform::MessageBoxIconError | Platform::MessageBoxDefaultButton2;

void AppendLine(std::string& text, const char* format, const char* value)
{
    char line[1024];
    std::snprintf(line, sizeof line, format, value);
    text += line;
}

} // namespace

Result CD3DXInclude::Open(std::uint32_t, const char* name, const void*, const void** data,
                          std::uint32_t* bytes)
{
    std::FILE* file = Platform::OpenFile(name, "rb");
    if (file == nullptr)
    {
        return Platform::Gfx::NotFound;
    }
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    // A folder (or anything the effect layer would refuse as too large) is no include file.
    if (size < 0 || static_cast<std::uint64_t>(size) > Platform::GfxKit::MaxPreprocessedBytes)
    {
        std::fclose(file);
        return Platform::Gfx::Fail;
    }
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size) + 1]);
    const std::size_t read = std::fread(buffer.get(), 1, static_cast<std::size_t>(size), file);
    std::fclose(file);
    // A short read would hand unread bytes to the compiler.
    if (read != static_cast<std::size_t>(size))
    {
        return Platform::Gfx::Fail;
    }
    m_buffer = buffer.release();
    *data = m_buffer;
    *bytes = static_cast<std::uint32_t>(size);
    return Platform::Gfx::Ok;
}

Result CD3DXInclude::Close(const void* data)
{
    if (data == m_buffer)
    {
        m_buffer = nullptr;
    }
    delete[] static_cast<const char*>(data);
    return Platform::Gfx::Ok;
}

CMaterialFactory::CMaterialFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine), m_creator(&CreateEffectShader)
{
    CreateEffectPool(&m_pool);
    BuildShaderMacros();
}

CMaterialFactory::~CMaterialFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
    if (m_pool != nullptr)
    {
        m_pool->Release();
    }
    if (m_sharedEffect != nullptr)
    {
        m_sharedEffect->Release();
    }
    FreeShaderMacros();
}

std::vector<Macro> CMaterialFactory::MacrosFor(const Platform::Gfx::Caps& caps, bool software)
{
    std::vector<Macro> macros;
    char value[256];
    auto add = [&macros](const char* name, const char* definition) {
        if (macros.size() == macros.capacity())
        {
            macros.reserve(macros.capacity() + 32);
        }
        macros.push_back(Macro{BaseLib::StrDup(name), BaseLib::StrDup(definition)});
    };
    std::snprintf(value, sizeof value, "0x%04x", software ? 0x200u : (caps.VertexShaderVersion & 0xFFFFu));
    add("VERTEXSHADERVERSION", value);
    std::snprintf(value, sizeof value, "0x%04x", caps.PixelShaderVersion & 0xFFFFu);
    add("PIXELSHADERVERSION", value);
    if ((caps.StencilCaps & 0x100) != 0)
    {
        add("D3DSTENCILCAPS_TWOSIDED", "1");
    }
    const std::int32_t constants = software ? 256 : static_cast<std::int32_t>(caps.MaxVertexShaderConst);
    std::snprintf(value, sizeof value, "%d", std::min(constants, 256));
    add("MAXVERTEXSHADERCONST", value);
    add("Qen", "1");
    if (macros.size() == macros.capacity())
    {
        macros.reserve(macros.capacity() + 32);
    }
    macros.push_back(Macro{nullptr, nullptr});
    return macros;
}

void CMaterialFactory::BuildShaderMacros()
{
    FreeShaderMacros();
    const CDisplaySettings* settings = m_engine->GetDeviceSettings();
    const bool software = (settings->behaviorFlags & 0x20) != 0 || settings->softwareVertexProcessing;
    m_macros = MacrosFor(m_engine->GetDeviceAdapter()->caps, software);
}

void CMaterialFactory::FreeShaderMacros()
{
    for (Macro& macro : m_macros)
    {
        BaseLib::StrFree(const_cast<char*>(macro.Name));
        BaseLib::StrFree(const_cast<char*>(macro.Definition));
    }
    m_macros.clear();
}

BaseLib::CResourcePtr<CMaterial>&
CMaterialFactory::GetMaterial(const std::string& name, BaseLib::CResourcePtr<CMaterial>& out, bool clone)
{
    TMaterialParameters parameters;
    parameters.effectFileName = name;
    const std::string key = BaseLib::ToLower(BaseLib::GetFileName(BaseLib::RemoveExtension(name)));
    return AssignTypedResource(out, GetResource(key, parameters, clone, false));
}

BaseLib::CResourcePtr<CMaterial>&
CMaterialFactory::GetMaterialForEffectInstance(const EffectInstance& instance,
                                               BaseLib::CResourcePtr<CMaterial>& out)
{
    if (instance.pEffectFilename == nullptr)
    {
        BaseLib::DebugOutput("material: an effect instance without an effect file name gives no material\n");
        out.Clear();
        return out;
    }
    GetMaterial(instance.pEffectFilename, out, true);
    out->WaitUntilLoaded();
    out->SetParameters(instance.pDefaults, instance.NumDefaults, false);
    return out;
}

int CMaterialFactory::ReportEffectError(Result result, CMaterialFactory*, const std::string& shaderName,
                                        const std::string& fileName, ByteBuffer* messages)
{
    std::string text;
    AppendLine(text, "shader = %s\n", shaderName.c_str());
    AppendLine(text, "file = %s\n", fileName.c_str());
    char code[32];
    std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(result));
    AppendLine(text, "HRESULT = %s\n", code);
    AppendLine(text, "error string = %s\n", Platform::Gfx::ErrorName(result));
    AppendLine(text, "error description = %s\n", Platform::Gfx::ErrorDescription(result));
    if (messages != nullptr)
    {
        text += "compiler messages:\n";
        const auto* bytes = static_cast<const char*>(messages->GetBufferPointer());
        if (bytes != nullptr)
        {
            text.append(bytes, strnlen(bytes, messages->GetBufferSize()));
        }
    }
    else
    {
        text += "no compiler messages.\n";
    }
    Platform::ShowCursor(true);
    const int button = Platform::MessageBoxA(nullptr, text.c_str(), "failed to load effect file", kBoxStyle);
    Platform::ShowCursor(false);
    if (button == Platform::MessageBoxAnswerAbort)
    {
        std::exit(-1);
    }
    return button;
}

Effect* CMaterialFactory::CompileEffect(const std::string& name)
{
    for (;;)
    {
        const std::string path = m_engine->GetPathAliases().ResolvePath(name);
        Effect* effect = nullptr;
        ByteBuffer* messages = nullptr;
        const Result result = CreateEffectFromFile(m_engine->GetDevice(), path.c_str(), m_macros.data(),
                                                   nullptr, kCompileFlags, m_pool, &effect, &messages);
        if (Failed(result) || messages != nullptr)
        {
            const int button = ReportEffectError(result, this, name, path, messages);
            if (messages != nullptr)
            {
                messages->Release();
            }
            if (button == Platform::MessageBoxAnswerRetry && Failed(result))
            {
                if (effect != nullptr)
                {
                    effect->Release();
                }
                continue;
            }
        }
        if (effect != nullptr)
        {
            effect->SetStateManager(m_engine->GetStateManager());
        }
        return effect;
    }
}

void CMaterialFactory::CreateSharedEffectPool(const std::string& name)
{
    if (m_sharedEffect != nullptr)
    {
        std::exchange(m_sharedEffect, nullptr)->Release();
    }
    const std::string path = m_engine->GetPathAliases().ResolvePath(name);
    char text[1024];
    std::snprintf(text, sizeof text, "#include \"%s\"\n\ntechnique shared_fx_dummy_technique {}",
                  path.c_str());
    CD3DXInclude include;
    Effect* effect = nullptr;
    for (;;)
    {
        ByteBuffer* messages = nullptr;
        const Result result =
            CreateEffect(m_engine->GetDevice(), text, static_cast<std::uint32_t>(std::strlen(text)),
                         m_macros.data(), &include, kPoolFlags, m_pool, &effect, &messages);
        // Every failure is reported, with its messages when there are any.
        int button = Platform::MessageBoxAnswerIgnore;
        if (Failed(result))
        {
            button = ReportEffectError(result, this, "", path, messages);
        }
        if (messages != nullptr)
        {
            messages->Release();
        }
        if (Failed(result) && button != Platform::MessageBoxAnswerIgnore)
        {
            if (effect != nullptr)
            {
                std::exchange(effect, nullptr)->Release();
            }
            continue;
        }
        break;
    }
    if (effect != nullptr)
    {
        effect->SetStateManager(m_engine->GetStateManager());
        m_sharedEffect = m_creator(effect);
        effect->Release();
    }
}

void CMaterialFactory::LoadSasTextures(CMaterialFactory* factory, CMaterial& material)
{
    CEffectShader* shader = material.GetEffectShader();
    if (shader == nullptr)
    {
        return;
    }
    Effect* effect = shader->GetEffect();
    EffectDesc desc;
    effect->GetDesc(&desc);
    for (std::uint32_t i = 0; i < desc.Parameters; ++i)
    {
        const EffectHandle parameter = effect->GetParameter(nullptr, i);
        ParameterDesc parameterDesc;
        if (Failed(effect->GetParameterDesc(parameter, &parameterDesc)) ||
            !CMaterialParameter::IsTextureType(parameterDesc.Type))
        {
            continue;
        }
        const EffectHandle annotation = effect->GetAnnotationByName(parameter, "SasResourceAddress");
        const char* address = nullptr;
        if (annotation == nullptr || Failed(effect->GetString(annotation, &address)) || address == nullptr)
        {
            continue;
        }
        BaseLib::CResourcePtr<CTexture> texture;
        factory->m_engine->GetTextureFactory()->LoadTexture(std::string("fx-texture>") + address, texture,
                                                            factory->m_texturePool);
        const int row = material.FindParameter(parameterDesc.Name);
        if (row >= 0)
        {
            material.GetParameterRow(static_cast<std::size_t>(row)).value.SetTexture(texture);
            material.DeleteParameterBlock();
        }
    }
}

BaseLib::CResource* CMaterialFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* material = new CMaterial(this, m_engine);
    material->SetParameters(
        std::make_unique<TMaterialParameters>(static_cast<const TMaterialParameters&>(parameters)));
    return material;
}

void CMaterialFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

void CMaterialFactory::Unload(BaseLib::CResource*) {}

bool CMaterialFactory::Load(BaseLib::CResource* resource)
{
    auto* material = static_cast<CMaterial*>(resource);
    if (material->GetEffectShader() != nullptr)
    {
        return true;
    }
    auto& parameters = static_cast<TMaterialParameters&>(*material->GetParameters());
    if (parameters.source)
    {
        auto& source = static_cast<CMaterial&>(*parameters.source);
        source.WaitUntilLoaded();
        CEffectShader* shader = source.GetEffectShader();
        if (shader != nullptr)
        {
            material->SetEffectShader(shader);
            material->SetParameters(shader->GetDefaultsArray(), shader->GetNumDefaults(), true);
            source.WaitUntilLoaded();
            material->CopyParameters(source);
        }
        return true;
    }
    Effect* effect = CompileEffect(parameters.effectFileName);
    if (effect == nullptr)
    {
        BaseLib::DebugOutput("material \"%s\" has no effect\n", parameters.effectFileName.c_str());
        return true;
    }
    CEffectShader* shader = m_creator(effect);
    effect->Release();
    material->SetEffectShader(shader);
    material->SetParameters(shader->GetDefaultsArray(), shader->GetNumDefaults(), true);
    shader->Release();
    LoadSasTextures(this, *material);
    return true;
}

} // namespace Qen
