#pragma once

#include "engine/EffectInstance.h"
#include "engine/TextureFactory.h"
#include "foundation/Resource.h"
#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Qen
{

class CEffectShader;
class CEngineController;

// The value of one material parameter: 1 to 4 bytes inside itself, more in a heap block it owns, or a
// texture — never both.
class CMaterialParameterValue
{
public:
    CMaterialParameterValue() = default;
    ~CMaterialParameterValue();
    CMaterialParameterValue(const CMaterialParameterValue&) = delete;
    CMaterialParameterValue& operator=(const CMaterialParameterValue&) = delete;
    CMaterialParameterValue(CMaterialParameterValue&& other) noexcept;
    CMaterialParameterValue& operator=(CMaterialParameterValue&& other) noexcept;

    // Drops the texture, then holds count bytes copied from data (storage resized to count).
    void SetBytes(const void* data, std::uint32_t count);
    // Drops the bytes, then holds the texture (one count).
    void SetTexture(const BaseLib::CResourcePtr<CTexture>& texture);
    // The texture with one count added; empty when the value holds bytes.
    BaseLib::CResourcePtr<CTexture> GetTexture() const { return m_texture; }
    CTexture* Texture() const { return m_texture.Get(); }

    const void* Bytes() const { return m_count > 4 ? static_cast<const void*>(m_heap) : m_inline; }
    std::uint32_t Count() const { return m_count; }

private:
    void FreeBytes();

    union
    {
        std::uint8_t m_inline[4];
        std::uint8_t* m_heap;
    };
    std::uint32_t m_count = 0;
    BaseLib::CResourcePtr<CTexture> m_texture;
};

// One row of a material's table.
struct CMaterialParameter
{
    CMaterialParameter() = default;
    CMaterialParameter(CMaterialParameter&&) noexcept = default;
    CMaterialParameter& operator=(CMaterialParameter&&) noexcept = default;
    // Handle, type and name; then the texture for the texture types (5–9), the bytes for every other.
    CMaterialParameter& operator=(const CMaterialParameter& other);

    static bool IsTextureType(std::uint32_t type) { return type >= 5 && type <= 9; }

    Platform::GfxKit::EffectHandle handle = nullptr;
    std::uint32_t type = 0x7FFFFFFF;
    std::string name;
    std::uint32_t byteSize = 0;
    CMaterialParameterValue value;
};

// One effect shader and a table of parameter values applied to it through a recorded parameter block.
// Clones share their source's effect shader and own only their values. A material made while its
// effect failed to compile (Ignore answered) holds no effect shader: it applies nothing and ignores
// events.
class CMaterial : public BaseLib::CResource
{
public:
    CMaterial(BaseLib::CResourceFactory* factory, CEngineController* engine);
    ~CMaterial() override;

    // The factory's clone of this material with this material's values.
    BaseLib::CResourcePtr<BaseLib::CResource> Clone() override;
    std::uint32_t GetSize() const override { return 1; }
    // "devicelost"/"devicereset" tell the effect (once: not from clones); a reset deletes every
    // material's recorded block.
    void HandleEvent(std::string event) override;

    using CResource::SetParameters; // the parameters copy

    int FindParameter(const std::string& name) const;
    // The new row's index, or -1 when the effect has no parameter of that name.
    int AddParameter(const std::string& name);
    bool IsTextureParameter(const std::string& name) const;
    // Per default: its row found (or, with createMissing, added); strings load textures for texture
    // parameters and are kept but never applied otherwise; floats and dwords stored.
    void SetParameters(const EffectDefault* defaults, std::uint32_t count, bool createMissing);
    // The row of that name gets the texture; nothing without a row.
    void SetParameter(const std::string& name, const BaseLib::CResourcePtr<CTexture>& texture);
    void CopyParameters(const CMaterial& source);
    void ApplyParameters();
    // Records the block at the first use after a change, then replays it.
    void Apply();

    // Sort value: the identity of the effect shader (0 without one).
    std::uintptr_t GetSortValue() const { return reinterpret_cast<std::uintptr_t>(m_shader); }
    CEffectShader* GetEffectShader() const { return m_shader; }
    // Holds the shader: one reference added.
    void SetEffectShader(CEffectShader* shader);
    bool IsClone() const;

    std::size_t GetParameterCount() const { return m_rows.size(); }
    const CMaterialParameter& GetParameterRow(std::size_t i) const { return m_rows[i]; }
    CMaterialParameter& GetParameterRow(std::size_t i) { return m_rows[i]; }
    // Rows the storage has room for: always a whole number of blocks of 8.
    std::size_t GetParameterCapacity() const { return m_rows.capacity(); }
    Platform::GfxKit::EffectHandle GetParameterBlock() const { return m_block; }
    void DeleteParameterBlock();

private:
    void ResizeRows(std::size_t count);

    std::vector<CMaterialParameter> m_rows;
    CEngineController* m_engine;
    CEffectShader* m_shader = nullptr;
    Platform::GfxKit::EffectHandle m_block = nullptr;
};

} // namespace Qen
