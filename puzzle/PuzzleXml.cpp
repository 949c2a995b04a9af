#include "puzzle/PuzzleXml.h"

#include "foundation/Helpers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace PuzzleXml
{

int32_t GetDecimalAttribute(const TiXmlElement* element, const char* name, int32_t defaultValue)
{
    const char* text = element != nullptr ? element->Attribute(name) : nullptr;
    if (text == nullptr)
    {
        return defaultValue;
    }
    return BaseLib::ParseDecimalInt(text);
}

std::string FormatCoordinate(float value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.9g", static_cast<double>(value));
    return buffer;
}

void AddCoordinateElement(TiXmlNode* parent, const char* name, float x, float y)
{
    TiXmlElement element(name);
    TiXmlElement childX("x");
    childX.InsertEndChild(TiXmlText(FormatCoordinate(x).c_str()));
    TiXmlElement childY("y");
    childY.InsertEndChild(TiXmlText(FormatCoordinate(y).c_str()));
    element.InsertEndChild(childX);
    element.InsertEndChild(childY);
    parent->InsertEndChild(element);
}

int32_t ToFixed4096(float value)
{
    const double scaled = std::trunc(static_cast<double>(value) * 4096.0);
    if (std::isnan(scaled))
    {
        return 0;
    }
    if (scaled <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    {
        return std::numeric_limits<int32_t>::min();
    }
    if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(scaled);
}

} // namespace PuzzleXml
