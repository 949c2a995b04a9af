#include "engine/Material.h"

#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "engine/MaterialFactory.h"
#include "foundation/ResourceFactory.h"
#include "platform/gfxkit/effect/Effect.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace Qen
{

using namespace Platform::GfxKit;

CMaterialParameterValue::~CMaterialParameterValue()
{
    FreeBytes();
}

CMaterialParameterValue::CMaterialParameterValue(CMaterialParameterValue&& other) noexcept
{
    *this = std::move(other);
}

CMaterialParameterValue& CMaterialParameterValue::operator=(CMaterialParameterValue&& other) noexcept
{
    if (this != &other)
    {
        FreeBytes();
        m_count = std::exchange(other.m_count, 0);
        if (m_count > 4)
        {
            m_heap = std::exchange(other.m_heap, nullptr);
        }
        else
        {
            std::memcpy(m_inline, other.m_inline, sizeof m_inline);
        }
        m_texture = std::move(other.m_texture);
    }
    return *this;
}

void CMaterialParameterValue::FreeBytes()
{
    if (m_count > 4)
    {
        std::free(m_heap);
    }
    m_count = 0;
}

void CMaterialParameterValue::SetBytes(const void* data, std::uint32_t count)
{
    m_texture.Clear();
    if (count > 4)
    {
        if (m_count != count)
        {
            void* block = m_count > 4 ? std::realloc(m_heap, count) : std::malloc(count);
            if (block == nullptr)
            {
                std::abort();
            }
            m_heap = static_cast<std::uint8_t*>(block);
        }
    }
    else if (m_count > 4)
    {
        std::free(m_heap);
    }
    m_count = count;
    if (count != 0)
    {
        std::uint8_t* target = count > 4 ? m_heap : m_inline;
        if (data != nullptr)
        {
            std::memcpy(target, data, count);
        }
        else
        {
            std::memset(target, 0, count);
        }
    }
}

void CMaterialParameterValue::SetTexture(const BaseLib::CResourcePtr<CTexture>& texture)
{
    FreeBytes();
    m_texture = texture;
}

CMaterialParameter& CMaterialParameter::operator=(const CMaterialParameter& other)
{
    if (this == &other)
    {
        return *this;
    }
    handle = other.handle;
    type = other.type;
    name = other.name;
    byteSize = other.byteSize;
    if (IsTextureType(type))
    {
        value.SetTexture(other.value.GetTexture());
    }
    else
    {
        value.SetBytes(other.value.Bytes(), other.value.Count());
    }
    return *this;
}

CMaterial::CMaterial(BaseLib::CResourceFactory* factory, CEngineController* engine)
    : CResource(factory), m_engine(engine)
{}

CMaterial::~CMaterial()
{
    DeleteParameterBlock();
    if (m_shader != nullptr)
    {
        std::exchange(m_shader, nullptr)->Release();
    }
    ResizeRows(0);
}

bool CMaterial::IsClone() const
{
    return GetParameters() != nullptr && GetParameters()->source;
}

void CMaterial::SetEffectShader(CEffectShader* shader)
{
    if (shader != nullptr)
    {
        shader->AddRef();
    }
    if (m_shader != nullptr)
    {
        m_shader->Release();
    }
    m_shader = shader;
}

void CMaterial::ResizeRows(std::size_t count)
{
    if (count == 0)
    {
        std::vector<CMaterialParameter>().swap(m_rows);
        return;
    }
    const std::size_t capacity = (count + 7) / 8 * 8;
    if (capacity != m_rows.capacity())
    {
        std::vector<CMaterialParameter> moved;
        moved.reserve(capacity);
        for (std::size_t i = 0; i < std::min(count, m_rows.size()); ++i)
        {
            moved.push_back(std::move(m_rows[i]));
        }
        m_rows.swap(moved);
    }
    m_rows.resize(count);
}

void CMaterial::DeleteParameterBlock()
{
    if (m_block != nullptr)
    {
        if (m_shader != nullptr)
        {
            m_shader->GetEffect()->DeleteParameterBlock(m_block);
        }
        m_block = nullptr;
    }
}

BaseLib::CResourcePtr<BaseLib::CResource> CMaterial::Clone()
{
    BaseLib::CResourcePtr<BaseLib::CResource> copy;
    if (IsClone())
    {
        copy = GetFactory()->CreateClone(*this);
    }
    else
    {
        // A copy made from this material's own parameters would compile the file again into an effect
        // of its own, and the rows copied below would carry this effect's handles. A copy with this
        // material as its source shares the effect shader instead, as every clone does.
        CMaterialFactory::TMaterialParameters parameters =
            static_cast<const CMaterialFactory::TMaterialParameters&>(*GetParameters());
        copy = GetFactory()->GetResource(GetId(), parameters, true, false);
    }
    static_cast<CMaterial&>(*copy).CopyParameters(*this);
    return copy;
}

void CMaterial::HandleEvent(std::string event)
{
    if (m_shader == nullptr)
    {
        return;
    }
    if (event == "devicelost")
    {
        if (!IsClone())
        {
            m_shader->GetEffect()->OnLostDevice();
        }
    }
    else if (event == "devicereset")
    {
        if (!IsClone())
        {
            m_shader->GetEffect()->OnResetDevice();
        }
        DeleteParameterBlock();
    }
}

int CMaterial::FindParameter(const std::string& name) const
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
    {
        if (m_rows[i].name == name)
        {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CMaterial::AddParameter(const std::string& name)
{
    if (m_shader == nullptr)
    {
        return -1;
    }
    Effect* effect = m_shader->GetEffect();
    const EffectHandle handle = effect->GetParameterByName(nullptr, name.c_str());
    ParameterDesc desc;
    if (handle == nullptr || Platform::Gfx::Failed(effect->GetParameterDesc(handle, &desc)))
    {
        return -1;
    }
    ResizeRows(m_rows.size() + 1);
    CMaterialParameter& row = m_rows.back();
    row.handle = handle;
    row.type = desc.Type;
    row.name = name;
    row.byteSize = desc.Bytes;
    return static_cast<int>(m_rows.size() - 1);
}

bool CMaterial::IsTextureParameter(const std::string& name) const
{
    if (m_shader == nullptr)
    {
        return false;
    }
    Effect* effect = m_shader->GetEffect();
    const EffectHandle handle = effect->GetParameterByName(nullptr, name.c_str());
    ParameterDesc desc;
    return handle != nullptr && Platform::Gfx::Succeeded(effect->GetParameterDesc(handle, &desc)) &&
           CMaterialParameter::IsTextureType(desc.Type);
}

void CMaterial::SetParameters(const EffectDefault* defaults, std::uint32_t count, bool createMissing)
{
    if (m_shader == nullptr)
    {
        return;
    }
    for (std::uint32_t d = 0; d < count; ++d)
    {
        const EffectDefault& given = defaults[d];
        const std::string name = given.pParamName != nullptr ? given.pParamName : "";
        int i = FindParameter(name);
        if (i < 0)
        {
            if (!createMissing || (i = AddParameter(name)) < 0)
            {
                continue;
            }
        }
        CMaterialParameter& row = m_rows[static_cast<std::size_t>(i)];
        switch (given.Type)
        {
        case EffectDefaultType::String:
            if (IsTextureParameter(name))
            {
                if (given.pValue != nullptr)
                {
                    BaseLib::CResourcePtr<CTexture> texture;
                    const std::string file(static_cast<const char*>(given.pValue),
                                           strnlen(static_cast<const char*>(given.pValue), given.NumBytes));
                    m_engine->GetTextureFactory()->LoadTexture(file, texture, 1);
                    row.value.SetTexture(texture);
                }
                row.type = ParameterType::Texture;
            }
            else
            {
                row.value.SetBytes(given.pValue, given.pValue != nullptr ? given.NumBytes : 0);
                row.type = ParameterType::String;
            }
            break;
        case EffectDefaultType::Floats:
        case EffectDefaultType::Dword:
            row.value.SetBytes(given.pValue, given.pValue != nullptr ? given.NumBytes : 0);
            break;
        default:
            break;
        }
    }
    DeleteParameterBlock();
}

void CMaterial::SetParameter(const std::string& name, const BaseLib::CResourcePtr<CTexture>& texture)
{
    const int i = FindParameter(name);
    if (i >= 0)
    {
        m_rows[static_cast<std::size_t>(i)].value.SetTexture(texture);
    }
    DeleteParameterBlock();
}

void CMaterial::CopyParameters(const CMaterial& source)
{
    if (&source != this)
    {
        ResizeRows(source.m_rows.size());
        for (std::size_t i = 0; i < m_rows.size(); ++i)
        {
            m_rows[i] = source.m_rows[i];
        }
    }
    DeleteParameterBlock();
}

void CMaterial::ApplyParameters()
{
    Effect* effect = m_shader->GetEffect();
    for (const CMaterialParameter& row : m_rows)
    {
        if (row.handle == nullptr || row.type == ParameterType::String)
        {
            continue;
        }
        if (CMaterialParameter::IsTextureType(row.type))
        {
            CTexture* texture = row.value.Texture();
            if (texture != nullptr)
            {
                texture->WaitUntilLoaded();
                effect->SetTexture(row.handle, texture->GetTexture());
            }
        }
        else
        {
            effect->SetValue(row.handle, row.value.Bytes(), row.value.Count());
        }
    }
}

void CMaterial::Apply()
{
    if (m_shader == nullptr || m_rows.empty())
    {
        return;
    }
    Effect* effect = m_shader->GetEffect();
    if (m_block == nullptr)
    {
        effect->BeginParameterBlock();
        ApplyParameters();
        m_block = effect->EndParameterBlock();
    }
    effect->ApplyParameterBlock(m_block);
}

} // namespace Qen
