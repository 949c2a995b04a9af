#include "ui/FontFactory.h"

#include "foundation/Debug.h"
#include "foundation/ResourceRegistry.h"
#include "foundation/Xml.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/BitmapFont.h"

#include <atomic>
#include <cassert>
#include <cstdio>
#include <memory>

namespace UILib
{

namespace
{

std::atomic<CFontFactory*> g_currentFontFactory{nullptr};

// Gets the font of the parameters' name from the factory and waits while it is scheduled.
BaseLib::CResourcePtr<CFont> GetFont(CFontFactory& factory, CFontParameters& parameters)
{
    BaseLib::CResourcePtr<BaseLib::CResource> resource =
        factory.GetResource(MakeFontResourceName(parameters), parameters);
    if (!resource)
    {
        return {};
    }
    resource->WaitUntilLoaded();
    return BaseLib::CResourcePtr<CFont>(static_cast<CFont*>(resource.Get()));
}

void TraceRefusedDescription(const char* why, const BaseLib::CString& description)
{
    BaseLib::DebugOutput("LoadFontDescription: %s: '%.200s'\n", why, static_cast<const char*>(description));
}

} // namespace

CFontFactory::CFontFactory(BaseLib::CResourceRegistry* registry) : CResourceFactory(registry, nullptr)
{
    g_currentFontFactory.store(this);
}

CFontFactory::~CFontFactory()
{
    CFontFactory* self = this;
    g_currentFontFactory.compare_exchange_strong(self, nullptr);
    GetRegistry()->DestroyResourcesOf(this);
}

CFontFactory* CFontFactory::GetCurrent()
{
    return g_currentFontFactory.load();
}

BaseLib::CResource* CFontFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    const auto& fontParameters = static_cast<const CFontParameters&>(parameters);
    assert((fontParameters.type == AlphaBitmapFontTag || fontParameters.type == BitmapFontTag) &&
           "the font factory makes only the two kinds of font");
    CFont* font = nullptr;
    if (fontParameters.type == AlphaBitmapFontTag)
    {
        font = new CAlphaBitmapFont(this, fontParameters.height, fontParameters.faceName, fontParameters.locale,
                                    fontParameters.fixedWidth, fontParameters.weight, fontParameters.style);
    }
    else if (fontParameters.type == BitmapFontTag)
    {
        font = new CBitmapFont(this, fontParameters.bitmapFile, fontParameters.characters, fontParameters.spaceWidth,
                               fontParameters.baseline, fontParameters.kerningBias, fontParameters.cursivity,
                               fontParameters.scaling);
    }
    if (font != nullptr)
    {
        font->SetParameters(std::make_unique<CFontParameters>(fontParameters));
    }
    return font;
}

void CFontFactory::Destroy(BaseLib::CResource* resource)
{
    if (resource == nullptr)
    {
        return;
    }
    if (resource->GetState() == BaseLib::ResourceLoaded)
    {
        resource->SetState(BaseLib::ResourceUnloaded);
        resource->GetFactory()->Unload(resource);
    }
    else if (resource->GetState() == BaseLib::ResourceScheduled)
    {
        resource->SetState(BaseLib::ResourceUnloaded);
    }
    resource->SetParameters(nullptr);
    delete static_cast<CFont*>(resource);
}

bool CFontFactory::Load(BaseLib::CResource*)
{
    return true;
}

void CFontFactory::Unload(BaseLib::CResource*) {}

int CFontFactory::Reserved(void*)
{
    return 0;
}

std::string MakeFontResourceName(const CFontParameters& parameters)
{
    std::string name = static_cast<const char*>(TypeTagToString(parameters.type));
    char numbers[128];
    if (parameters.type == AlphaBitmapFontTag)
    {
        name += "_name=";
        name += static_cast<const char*>(parameters.faceName);
        std::snprintf(numbers, sizeof numbers, "_h=%d_l=%d_p=%d_w=%d_f=%d", parameters.height, parameters.locale,
                      parameters.fixedWidth, parameters.weight, parameters.style);
        name += numbers;
    }
    else if (parameters.type == BitmapFontTag)
    {
        name += "_bmp=";
        name += static_cast<const char*>(parameters.bitmapFile);
        name += "_chars=";
        name += static_cast<const char*>(parameters.characters);
        std::snprintf(numbers, sizeof numbers, "_s=%d_b=%d_k=%d_c=%d_s=%g", parameters.spaceWidth,
                      parameters.baseline, parameters.kerningBias, parameters.cursivity,
                      static_cast<double>(parameters.scaling));
        name += numbers;
    }
    return name;
}

BaseLib::CResourcePtr<CFont> CreateAlphaBitmapFont(CFontFactory* factory, std::int32_t height,
                                                   const BaseLib::CString& faceName, std::int32_t locale,
                                                   std::int32_t fixedWidth, std::int32_t weight,
                                                   std::int32_t style)
{
    if (factory == nullptr)
    {
        return {};
    }
    CFontParameters parameters;
    parameters.type = AlphaBitmapFontTag;
    parameters.height = height;
    parameters.faceName = faceName;
    parameters.locale = locale;
    parameters.fixedWidth = fixedWidth;
    parameters.weight = weight;
    parameters.style = style;
    return GetFont(*factory, parameters);
}

BaseLib::CResourcePtr<CFont> CreateBitmapFont(CFontFactory* factory, const BaseLib::CString& bitmapFile,
                                              const BaseLib::CString& characters, std::int32_t spaceWidth,
                                              std::int32_t baseline, std::int32_t kerningBias, std::int32_t cursivity,
                                              float scaling)
{
    if (factory == nullptr)
    {
        return {};
    }
    CFontParameters parameters;
    parameters.type = BitmapFontTag;
    parameters.bitmapFile = bitmapFile;
    parameters.characters = characters;
    parameters.spaceWidth = spaceWidth;
    parameters.baseline = baseline;
    parameters.kerningBias = kerningBias;
    parameters.cursivity = cursivity;
    parameters.scaling = scaling;
    return GetFont(*factory, parameters);
}

BaseLib::CResourcePtr<CFont> LoadFontDescription(CFontFactory* factory, const BaseLib::CString& description)
{
    if (description.GetLength() == 0)
    {
        return {};
    }
    TiXmlDocument document;
    if (!BaseLib::XmlParse(document, description))
    {
        TraceRefusedDescription("not a font description", description);
        return {};
    }
    const TiXmlElement* element = document.RootElement();
    if (element == nullptr)
    {
        TraceRefusedDescription("no element in the font description", description);
        return {};
    }
    const std::string type = BaseLib::XmlGetStringAttribute(element, "type", "");
    if (type == "alphabitmapfont")
    {
        BaseLib::CString faceName;
        faceName.AssignStdString(BaseLib::XmlGetStringAttribute(element, "facename", ""));
        std::int32_t style = 0;
        style |= BaseLib::XmlGetIntAttribute(element, "italic", 0) != 0 ? FontItalic : 0;
        style |= BaseLib::XmlGetIntAttribute(element, "underline", 0) != 0 ? FontUnderline : 0;
        style |= BaseLib::XmlGetIntAttribute(element, "strikeout", 0) != 0 ? FontStrikeout : 0;
        return CreateAlphaBitmapFont(factory, BaseLib::XmlGetIntAttribute(element, "height", 0), faceName,
                                     BaseLib::XmlGetIntAttribute(element, "locale", 0),
                                     BaseLib::XmlGetIntAttribute(element, "fixedwidth", 0),
                                     BaseLib::XmlGetIntAttribute(element, "weight", 0), style);
    }
    if (type == "bitmapfont")
    {
        BaseLib::CString file;
        file.AssignStdString(BaseLib::XmlGetStringAttribute(element, "file", ""));
        BaseLib::CString characters;
        characters.AssignStdString(BaseLib::XmlGetStringAttribute(element, "characters", ""));
        return CreateBitmapFont(factory, file, characters, BaseLib::XmlGetIntAttribute(element, "spacewidth", 0),
                                BaseLib::XmlGetIntAttribute(element, "baseline", 0),
                                BaseLib::XmlGetIntAttribute(element, "kerningbias", 0),
                                BaseLib::XmlGetIntAttribute(element, "cursivity", 0),
                                BaseLib::XmlGetFloatAttribute(element, "scaling", 1.0f));
    }
    TraceRefusedDescription("unknown font type", description);
    return {};
}

} // namespace UILib
