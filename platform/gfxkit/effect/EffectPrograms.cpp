#include "platform/gfxkit/effect/EffectPrograms.h"

#include "platform/gfxkit/effect/EffectRecords.h"

#include <cctype>

namespace Platform::GfxKit
{
namespace
{

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t step)
{
    return (value + step - 1) / step * step;
}

// std140 alignment and size of one element of a type (arrays add their stride on top).
struct Std140
{
    std::uint32_t align = 4;
    std::uint32_t size = 4;
};

class Layouter
{
public:
    explicit Layouter(const EffectSource& source) : source_(source) {}

    Std140 Element(const TypeInfo& type) const
    {
        if (type.cls == ParameterClass::Struct)
        {
            std::uint32_t offset = 0;
            std::uint32_t align = 16;
            for (const MemberDecl& member : Struct(type).members)
            {
                const Std140 m = Member(member.type, member.elements);
                offset = RoundUp(offset, m.align) + m.size;
                align = std::max(align, m.align);
            }
            return {align, RoundUp(offset, align)};
        }
        if (type.cls == ParameterClass::MatrixRows)
        {
            return {16, 64};
        }
        if (type.columns == 1)
        {
            return {4, 4};
        }
        if (type.columns == 2)
        {
            return {8, 8};
        }
        return {16, type.columns * 4};
    }

    // An array's elements are at least 16 bytes apart.
    Std140 Member(const TypeInfo& type, std::uint32_t elements) const
    {
        const Std140 element = Element(type);
        if (!elements)
        {
            return element;
        }
        return {RoundUp(element.align, 16), Stride(type) * elements};
    }

    std::uint32_t Stride(const TypeInfo& type) const { return RoundUp(Element(type).size, 16); }

    // Copies and places of a value of that type laid out at `target`, packed at `source`.
    void Place(const TypeInfo& type, std::uint32_t elements, const std::string& name, std::uint32_t source,
               std::uint32_t target, std::vector<ConstantCopy>& copies,
               std::vector<ConstantPlace>& places) const
    {
        if (elements && type.cls != ParameterClass::Struct)
        {
            places.push_back(
                {name + "[0]", target, Stride(type), type.cls == ParameterClass::MatrixRows ? 16u : 0u});
        }
        for (std::uint32_t e = 0; e < (elements ? elements : 1); ++e)
        {
            const std::string elementName = elements ? name + "[" + std::to_string(e) + "]" : name;
            const std::uint32_t from = source + e * type.bytes;
            const std::uint32_t to = target + e * (elements ? Stride(type) : 0);
            if (type.cls == ParameterClass::Struct)
            {
                std::uint32_t offset = 0;
                std::uint32_t packed = 0;
                for (const MemberDecl& member : Struct(type).members)
                {
                    const Std140 m = Member(member.type, member.elements);
                    offset = RoundUp(offset, m.align);
                    Place(member.type, member.elements, elementName + "." + member.name, from + packed,
                          to + offset, copies, places);
                    offset += m.size;
                    packed += member.type.bytes * (member.elements ? member.elements : 1);
                }
                continue;
            }
            if (!elements)
            {
                places.push_back({name, target, 0, type.cls == ParameterClass::MatrixRows ? 16u : 0u});
            }
            Copy(copies, from, to, type.bytes);
        }
    }

private:
    const StructDecl& Struct(const TypeInfo& type) const
    {
        return source_.structs[static_cast<std::size_t>(type.structIndex)];
    }

    static void Copy(std::vector<ConstantCopy>& copies, std::uint32_t source, std::uint32_t target,
                     std::uint32_t bytes)
    {
        if (!copies.empty())
        {
            ConstantCopy& last = copies.back();
            if (last.source + last.bytes == source && last.target + last.bytes == target)
            {
                last.bytes += bytes;
                return;
            }
        }
        copies.push_back({source, target, bytes});
    }

    const EffectSource& source_;
};

const char* GlslType(const TypeInfo& type, const EffectSource& source)
{
    static const char* const kNames[4][4] = {
        {"bool", "bvec2", "bvec3", "bvec4"},
        {"int", "ivec2", "ivec3", "ivec4"},
        {"float", "vec2", "vec3", "vec4"},
        {"", "", "", ""},
    };
    if (type.cls == ParameterClass::Struct)
    {
        return source.structs[static_cast<std::size_t>(type.structIndex)].name.c_str();
    }
    if (type.cls == ParameterClass::MatrixRows)
    {
        return "mat4";
    }
    const std::size_t row = type.type == ParameterType::Bool ? 0 : type.type == ParameterType::Int ? 1 : 2;
    return kNames[row][type.columns - 1];
}

std::string LineMarker(const SourcePlace& place)
{
    return "#line " + std::to_string(EncodedLine(place)) + " " + std::to_string(place.file) + "\n";
}

// A program's or glsl block's text with a marker wherever its lines stop following one another.
void AppendText(std::string& out, const ProgramText& text)
{
    out += LineMarker(text.lines.front());
    std::size_t line = 0;
    for (std::size_t i = 0; i < text.text.size(); ++i)
    {
        out += text.text[i];
        if (text.text[i] == '\n')
        {
            ++line;
            const SourcePlace& previous = text.lines[line - 1];
            const SourcePlace& next = text.lines[std::min(line, text.lines.size() - 1)];
            if (next.file != previous.file || next.line != previous.line + 1)
            {
                out += LineMarker(next);
            }
        }
    }
    out += '\n';
}

// The layer's prelude: helpers every program may call.
// Its own names begin with quarrow_: parameter names are macros by now.
constexpr const char* kPrelude = R"(ivec4 IndicesFromColor(vec4 quarrow_colour)
{
    return ivec4(quarrow_colour.zyxw * 255.001953);
}
)";

} // namespace

std::uint32_t EncodedLine(const SourcePlace& place)
{
    if (place.file >= MaxEncodedFiles || place.line >= LinesPerFile)
    {
        return place.line;
    }
    return place.file * LinesPerFile + place.line;
}

SourcePlace DecodedLine(std::uint32_t file, std::uint32_t line)
{
    if (line >= LinesPerFile)
    {
        return {line / LinesPerFile, line % LinesPerFile};
    }
    return {file, line};
}

ConstantLayout LayOutConstants(const EffectSource& source)
{
    Layouter layouter(source);
    ConstantLayout layout;
    layout.copies.resize(source.parameters.size());
    std::uint32_t offset = 0;
    for (std::size_t i = 0; i < source.parameters.size(); ++i)
    {
        const ParameterDecl& decl = source.parameters[i];
        if (!decl.type.IsNumeric() && decl.type.cls != ParameterClass::Struct)
        {
            continue;
        }
        const Std140 member = layouter.Member(decl.type, decl.elements);
        offset = RoundUp(offset, member.align);
        layouter.Place(decl.type, decl.elements, decl.name, 0, offset, layout.copies[i], layout.places);
        offset += member.size;
    }
    layout.bytes = offset;
    layout.registers = RoundUp(offset, 16) / 16;
    return layout;
}

std::vector<int> SamplerStages(const EffectSource& source)
{
    std::vector<int> stages(source.parameters.size(), -1);
    int next = 0;
    for (std::size_t i = 0; i < source.parameters.size(); ++i)
    {
        const std::uint32_t type = source.parameters[i].type.type;
        if (type >= ParameterType::Sampler && type <= ParameterType::SamplerCube)
        {
            stages[i] = next++;
        }
    }
    return stages;
}

bool MentionsName(const std::string& text, const std::string& name)
{
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1))
    {
        const bool startsWord =
            at == 0 || !(std::isalnum(static_cast<unsigned char>(text[at - 1])) || text[at - 1] == '_');
        const std::size_t end = at + name.size();
        const bool endsWord =
            end == text.size() || !(std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_');
        if (startsWord && endsWord)
        {
            return true;
        }
    }
    return false;
}

std::string GenerateProgramText(const EffectSource& source, const ConstantLayout& layout,
                                const std::vector<int>& stages, const ProgramDecl& program)
{
    std::string out;
    for (const StructDecl& decl : source.structs)
    {
        out += LineMarker(decl.place);
        out += "struct " + decl.name + "\n{\n";
        for (const MemberDecl& member : decl.members)
        {
            out += LineMarker(member.place);
            out += std::string("    ") + GlslType(member.type, source) + " " + member.name;
            if (member.elements)
            {
                out += "[" + std::to_string(member.elements) + "]";
            }
            out += ";\n";
        }
        out += "};\n";
    }
    const char* block = program.vertex ? "VertexConstants" : "PixelConstants";
    if (layout.registers)
    {
        out += std::string("layout(std140, row_major) uniform ") + block + "\n{\n";
        for (const ParameterDecl& decl : source.parameters)
        {
            if (!decl.type.IsNumeric() && decl.type.cls != ParameterClass::Struct)
            {
                continue;
            }
            out += LineMarker(decl.place);
            out += std::string("    ") + GlslType(decl.type, source) + " " + decl.name;
            if (decl.elements)
            {
                out += "[" + std::to_string(decl.elements) + "]";
            }
            out += ";\n";
        }
        out += "} quarrow_Constants;\n";
        for (const ParameterDecl& decl : source.parameters)
        {
            if (decl.type.IsNumeric() || decl.type.cls == ParameterClass::Struct)
            {
                out += "#define " + decl.name + " quarrow_Constants." + decl.name + "\n";
            }
        }
    }
    for (std::size_t i = 0; i < source.parameters.size(); ++i)
    {
        if (stages[i] < 0)
        {
            continue;
        }
        const ParameterDecl& decl = source.parameters[i];
        const char* type = decl.type.type == ParameterType::Sampler3D     ? "sampler3D"
                           : decl.type.type == ParameterType::SamplerCube ? "samplerCube"
                                                                          : "sampler2D";
        out += LineMarker(decl.place);
        out += std::string("uniform ") + type + " Sampler" + std::to_string(stages[i]) + ";\n";
        out += "#define " + decl.name + " Sampler" + std::to_string(stages[i]) + "\n";
    }
    out += kPrelude;
    for (const ProgramText& glsl : source.glslBlocks)
    {
        AppendText(out, glsl);
    }
    AppendText(out, program.body);
    // The device's own epilogue follows: none of the parameters' names may reach it as macros.
    for (std::size_t i = 0; i < source.parameters.size(); ++i)
    {
        const ParameterDecl& decl = source.parameters[i];
        if ((layout.registers && (decl.type.IsNumeric() || decl.type.cls == ParameterClass::Struct)) ||
            stages[i] >= 0)
        {
            out += "#undef " + decl.name + "\n";
        }
    }
    return out;
}

} // namespace Platform::GfxKit
