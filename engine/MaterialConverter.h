#pragma once

#include "engine/EffectInstance.h"
#include "foundation/RefCounted.h"

#include <map>
#include <string>

namespace Qen
{

class CEngineController;

// Turns plain X-file materials into effect instances: "std_default.fx" with the texture as diffuse map
// (and the further maps found beside it by suffix), or "std_untextured.fx" without a texture, always
// with the material's colours.
class CMaterialConverter
{
public:
    // A counted effect instance the converter starts from; its destructor empties it.
    class CRefCountedD3DXEffectInstance : public BaseLib::CRefCountedObject
    {
    public:
        explicit CRefCountedD3DXEffectInstance(const char* effectFileName);
        EffectInstance instance{};

    protected:
        ~CRefCountedD3DXEffectInstance() override;
    };
    using InstanceHolder = BaseLib::CSmartPointer<CRefCountedD3DXEffectInstance>;

    explicit CMaterialConverter(CEngineController* engine);
    ~CMaterialConverter();
    CMaterialConverter(const CMaterialConverter&) = delete;
    CMaterialConverter& operator=(const CMaterialConverter&) = delete;

    // The instance to start from: the untextured one without a texture; else the override table's entry
    // of the texture's lower-cased base name, or the textured one.
    const EffectInstance& LookupEffectInstance(const char* textureFileName) const;
    // out (emptied first) becomes the starting instance, the texture maps that apply and the five colours.
    void ConvertMaterial(const Platform::GfxKit::XFileMaterial& material, EffectInstance& out) const;

private:
    CEngineController* m_engine;
    std::map<std::string, InstanceHolder> m_overrides; // nothing fills it
    InstanceHolder m_textured;
    InstanceHolder m_untextured;
};

} // namespace Qen
