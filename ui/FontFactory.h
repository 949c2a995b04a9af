#pragma once

#include "foundation/ResourceFactory.h"
#include "foundation/String.h"
#include "foundation/TypeTag.h"
#include "ui/Font.h"

#include <cstdint>
#include <string>

namespace UILib
{

constexpr std::uint32_t AlphaBitmapFontTag = BaseLib::MakeTypeTag("BMPA");
constexpr std::uint32_t BitmapFontTag = BaseLib::MakeTypeTag("BMPF");

// What a font is made from: the first group serves "BMPA", the second "BMPF"; the other group stays
// at its defaults. Copies share the strings.
class CFontParameters : public BaseLib::CResourceParameters
{
public:
    std::uint32_t type = BaseLib::MakeTypeTag("NONE");
    std::int32_t height = 0;
    BaseLib::CString faceName;
    std::int32_t locale = 0;
    std::int32_t fixedWidth = 0;
    std::int32_t weight = 0;
    std::int32_t style = 0;
    BaseLib::CString bitmapFile;
    BaseLib::CString characters;
    std::int32_t spaceWidth = 0;
    std::int32_t baseline = 0;
    std::int32_t kerningBias = 0;
    std::int32_t cursivity = 0;
    float scaling = 0.0f;
};

// Makes the fonts of the font registry. Fonts are built completely when they are made: no streaming
// thread, no background loading; Load answers true and does nothing.
class CFontFactory : public BaseLib::CResourceFactory
{
public:
    // While it exists the factory is the one GetCurrent answers.
    explicit CFontFactory(BaseLib::CResourceRegistry* registry);
    // Destroys the cached fonts of this factory (referenced ones must be released first).
    ~CFontFactory() override;

    // The factory that exists now, or null.
    static CFontFactory* GetCurrent();

    // "BMPA" gives a new alpha bitmap font, "BMPF" a new bitmap font (its strip loaded and cut now), each
    // holding its own copy of the parameters; any other type gives
    // null. The foundation's GetResource does not accept null: only the creation functions call it,
    // with their own type (asserted in debug builds).
    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    // A loaded font is unloaded through its factory, a scheduled one reset to unloaded; then the
    // parameter copy and the font are deleted.
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;
    // No meaning; answers 0.
    virtual int Reserved(void* argument);
};

// The registry name of a font: the tag, then the kind's fields (a standard string, the registry's key).
std::string MakeFontResourceName(const CFontParameters& parameters);

// The shared alpha bitmap font of these values (found in the registry or made), with one more
// reference. Equal values give the same font. Empty when the factory is null.
BaseLib::CResourcePtr<CFont> CreateAlphaBitmapFont(CFontFactory* factory, std::int32_t height,
                                                   const BaseLib::CString& faceName, std::int32_t locale,
                                                   std::int32_t fixedWidth, std::int32_t weight,
                                                   std::int32_t style);

// The shared bitmap font of these values, as CreateAlphaBitmapFont.
BaseLib::CResourcePtr<CFont> CreateBitmapFont(CFontFactory* factory, const BaseLib::CString& bitmapFile,
                                              const BaseLib::CString& characters, std::int32_t spaceWidth,
                                              std::int32_t baseline, std::int32_t kerningBias, std::int32_t cursivity,
                                              float scaling);

// The font a description names: the first element of the XML text, whatever its tag, with "type"
// "alphabitmapfont" or "bitmapfont" ("scaling" 1.0 when absent). An empty text gives null silently; text that is not XML, has no element or names
// another type gives null and one trace quoting the description (cut to 200 characters).
BaseLib::CResourcePtr<CFont> LoadFontDescription(CFontFactory* factory, const BaseLib::CString& description);

} // namespace UILib
