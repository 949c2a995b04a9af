#include "platform/gfxkit/xfile/XFileWriter.h"

#include "platform/gfxkit/xfile/XFileReader.h"

#include "platform/os/Files.h"

#include <cmath>
#include <cstdio>
#include <unordered_map>

namespace Platform::GfxKit
{

namespace
{

// A description the writer cannot carry.
struct Unwritable
{
};

bool IsValidName(const std::string& name)
{
    if (name.empty() || name == "template" || name[0] == '#' || name.rfind("//", 0) == 0)
    {
        return false;
    }
    for (char c : name)
    {
        if (!IsXFileNameChar(c))
        {
            return false;
        }
    }
    return true;
}

void Require(bool condition)
{
    if (!condition)
    {
        throw Unwritable();
    }
}

class Writer
{
public:
    explicit Writer(const XFileModel& model) : m_Model(model) {}

    std::string Write()
    {
        const std::vector<std::uint32_t> order = XMeshDefinitionOrder(m_Model);
        Require(order.size() == m_Model.meshes.size());
        CountMeshUses(m_Model.frames);
        for (std::uint32_t mesh : m_Model.rootMeshes)
        {
            ++m_Uses[mesh];
        }
        m_Defined.assign(m_Model.meshes.size(), false);

        m_Text = "xof 0303txt 0032\n";
        Open("AnimTicksPerSecond", "");
        Line(std::to_string(m_Model.ticksPerSecond) + ";");
        Close();
        for (std::uint32_t mesh : m_Model.rootMeshes)
        {
            Require(!m_Defined[mesh]);
            WriteMesh(mesh);
        }
        for (const XFrame& frame : m_Model.frames)
        {
            WriteFrame(frame);
        }
        for (const XAnimationSet& set : m_Model.animationSets)
        {
            WriteAnimationSet(set);
        }
        return std::move(m_Text);
    }

private:
    void CountMeshUses(const std::vector<XFrame>& frames)
    {
        for (const XFrame& frame : frames)
        {
            for (std::uint32_t mesh : frame.meshes)
            {
                Require(mesh < m_Model.meshes.size());
                ++m_Uses[mesh];
            }
            CountMeshUses(frame.children);
        }
    }

    // ---- layout ----

    void Line(const std::string& text)
    {
        m_Text.append(std::size_t(m_Indent) * 2, ' ');
        m_Text += text;
        m_Text += '\n';
    }

    void Open(const char* type, const std::string& name)
    {
        Require(name.empty() || IsValidName(name));
        if (m_Indent == 0)
        {
            m_Text += '\n';
        }
        Line(name.empty() ? std::string(type) + " {" : std::string(type) + " " + name + " {");
        ++m_Indent;
    }

    void Close()
    {
        --m_Indent;
        Line("}");
    }

    static std::string Number(float value)
    {
        Require(std::isfinite(value));
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
        return buffer;
    }

    static std::string Quoted(const std::string& text)
    {
        Require(text.find('"') == std::string::npos);
        return "\"" + text + "\";";
    }

    template <std::size_t N>
    static std::string Numbers(const std::array<float, N>& values)
    {
        std::string text;
        for (float value : values)
        {
            text += Number(value) + ";";
        }
        return text;
    }

    // Writes a count and then one line per item, items separated by "," and the last closed by ";".
    template <typename Items, typename Format>
    void List(const Items& items, Format format)
    {
        Line(std::to_string(items.size()) + ";");
        for (std::size_t i = 0; i < items.size(); ++i)
        {
            Line(format(items[i]) + (i + 1 < items.size() ? "," : ";"));
        }
    }

    void Faces(const XFaceList& faces, std::size_t limit)
    {
        Line(std::to_string(faces.FaceCount()) + ";");
        std::size_t next = 0;
        for (std::size_t f = 0; f < faces.FaceCount(); ++f)
        {
            const std::uint32_t corners = faces.faceSizes[f];
            Require(corners >= 3 && next + corners <= faces.indices.size());
            std::string text = std::to_string(corners) + ";";
            for (std::uint32_t k = 0; k < corners; ++k)
            {
                const std::uint32_t index = faces.indices[next++];
                Require(index < limit);
                text += (k > 0 ? "," : "") + std::to_string(index);
            }
            Line(text + (f + 1 < faces.FaceCount() ? ";," : ";;"));
        }
        Require(next == faces.indices.size());
    }

    // ---- objects ----

    void WriteFrame(const XFrame& frame)
    {
        Open("Frame", frame.name);
        Open("FrameTransformMatrix", "");
        std::string matrix;
        for (std::size_t i = 0; i < 16; ++i)
        {
            matrix += Number(frame.transform[i]) + (i < 15 ? "," : ";;");
        }
        Line(matrix);
        Close();
        for (std::uint32_t mesh : frame.meshes)
        {
            if (m_Defined[mesh])
            {
                Line("{ " + ReferenceName(mesh) + " }");
            }
            else
            {
                WriteMesh(mesh);
            }
        }
        for (const XFrame& child : frame.children)
        {
            WriteFrame(child);
        }
        Close();
    }

    // A mesh named in several places is defined once and referenced after: its name must find it.
    std::string ReferenceName(std::uint32_t mesh)
    {
        const std::string& name = m_Model.meshes[mesh].name;
        Require(IsValidName(name));
        for (std::size_t other = 0; other < m_Model.meshes.size(); ++other)
        {
            Require(other == mesh || m_Model.meshes[other].name != name);
        }
        return name;
    }

    void WriteMesh(std::uint32_t index)
    {
        const XMesh& mesh = m_Model.meshes[index];
        if (m_Uses[index] > 1)
        {
            ReferenceName(index);
        }
        m_Defined[index] = true;
        const std::size_t vertexCount = mesh.positions.size();
        Open("Mesh", mesh.name);
        List(mesh.positions, [](const XFloat3& p) { return Numbers(p) + ""; });
        Faces(mesh.faces, vertexCount);
        if (mesh.normals)
        {
            const XMeshNormals& normals = *mesh.normals;
            Require(normals.faces.faceSizes == mesh.faces.faceSizes);
            Open("MeshNormals", "");
            List(normals.normals, [](const XFloat3& n) { return Numbers(n); });
            Faces(normals.faces, normals.normals.size());
            Close();
        }
        if (!mesh.texCoords.empty())
        {
            Require(mesh.texCoords.size() == vertexCount);
            Open("MeshTextureCoords", "");
            List(mesh.texCoords, [](const XFloat2& t) { return Numbers(t); });
            Close();
        }
        if (!mesh.vertexColors.empty())
        {
            Require(mesh.vertexColors.size() == vertexCount);
            Open("MeshVertexColors", "");
            Line(std::to_string(vertexCount) + ";");
            for (std::size_t i = 0; i < vertexCount; ++i)
            {
                Line(std::to_string(i) + ";" + Numbers(mesh.vertexColors[i]) + (i + 1 < vertexCount ? ";," : ";;"));
            }
            Close();
        }
        if (!mesh.materials.empty())
        {
            WriteMaterialList(mesh);
        }
        else
        {
            Require(mesh.faceMaterials.empty());
        }
        if (mesh.declData)
        {
            WriteDeclData(*mesh.declData, vertexCount);
        }
        if (mesh.skinHeader)
        {
            Open("XSkinMeshHeader", "");
            Line(std::to_string(mesh.skinHeader->maxWeightsPerVertex) + ";");
            Line(std::to_string(mesh.skinHeader->maxWeightsPerFace) + ";");
            Line(std::to_string(mesh.skinHeader->boneCount) + ";");
            Close();
        }
        for (const XSkinWeights& skin : mesh.skinWeights)
        {
            WriteSkinWeights(skin, vertexCount);
        }
        Close();
    }

    void WriteMaterialList(const XMesh& mesh)
    {
        Require(mesh.faceMaterials.size() == mesh.faces.FaceCount());
        Open("MeshMaterialList", "");
        Line(std::to_string(mesh.materials.size()) + ";");
        Line(std::to_string(mesh.faceMaterials.size()) + ";");
        for (std::size_t f = 0; f < mesh.faceMaterials.size(); ++f)
        {
            Require(mesh.faceMaterials[f] < mesh.materials.size());
            Line(std::to_string(mesh.faceMaterials[f]) + (f + 1 < mesh.faceMaterials.size() ? "," : ";"));
        }
        for (const XMaterial& material : mesh.materials)
        {
            WriteMaterial(material);
        }
        Close();
    }

    void WriteMaterial(const XMaterial& material)
    {
        Open("Material", material.name);
        Line(Numbers(material.faceColor) + ";");
        Line(Number(material.power) + ";");
        Line(Numbers(material.specular) + ";");
        Line(Numbers(material.emissive) + ";");
        if (material.textureFile)
        {
            Open("TextureFilename", "");
            Line(Quoted(*material.textureFile));
            Close();
        }
        if (material.effect)
        {
            Open("EffectInstance", "");
            Line(Quoted(material.effect->effectFile));
            for (const XEffectParam& param : material.effect->params)
            {
                WriteEffectParam(param);
            }
            Close();
        }
        Close();
    }

    void WriteEffectParam(const XEffectParam& param)
    {
        switch (param.kind)
        {
        case XEffectParam::Kind::String:
            Open("EffectParamString", "");
            Line(Quoted(param.name));
            Line(Quoted(param.text));
            break;
        case XEffectParam::Kind::Floats:
        {
            Open("EffectParamFloats", "");
            Line(Quoted(param.name));
            Line(std::to_string(param.floats.size()) + ";");
            std::string values;
            for (std::size_t i = 0; i < param.floats.size(); ++i)
            {
                values += Number(param.floats[i]) + (i + 1 < param.floats.size() ? "," : ";");
            }
            if (!values.empty())
            {
                Line(values);
            }
            break;
        }
        case XEffectParam::Kind::DWord:
            Open("EffectParamDWord", "");
            Line(Quoted(param.name));
            Line(std::to_string(param.dword) + ";");
            break;
        }
        Close();
    }

    void WriteDeclData(const XDeclData& decl, std::size_t vertexCount)
    {
        std::size_t words = 0;
        Open("DeclData", "");
        Line(std::to_string(decl.elements.size()) + ";");
        for (std::size_t i = 0; i < decl.elements.size(); ++i)
        {
            const XDeclElement& e = decl.elements[i];
            Require(XDeclTypeSize(e.type) > 0);
            words += XDeclTypeSize(e.type) / 4;
            Line(std::to_string(e.type) + ";" + std::to_string(e.method) + ";" + std::to_string(e.usage) + ";" +
                 std::to_string(e.usageIndex) + (i + 1 < decl.elements.size() ? ";," : ";;"));
        }
        Require(decl.data.size() == words * vertexCount);
        Line(std::to_string(decl.data.size()) + ";");
        for (std::size_t i = 0; i < decl.data.size(); ++i)
        {
            Line(std::to_string(decl.data[i]) + (i + 1 < decl.data.size() ? "," : ";"));
        }
        Close();
    }

    void WriteSkinWeights(const XSkinWeights& skin, std::size_t vertexCount)
    {
        Require(skin.weights.size() == skin.vertices.size());
        Open("SkinWeights", "");
        Line(Quoted(skin.frameName));
        Line(std::to_string(skin.vertices.size()) + ";");
        for (std::size_t i = 0; i < skin.vertices.size(); ++i)
        {
            Require(skin.vertices[i] < vertexCount);
            Line(std::to_string(skin.vertices[i]) + (i + 1 < skin.vertices.size() ? "," : ";"));
        }
        for (std::size_t i = 0; i < skin.weights.size(); ++i)
        {
            Line(Number(skin.weights[i]) + (i + 1 < skin.weights.size() ? "," : ";"));
        }
        std::string matrix;
        for (std::size_t i = 0; i < 16; ++i)
        {
            matrix += Number(skin.offset[i]) + (i < 15 ? "," : ";;");
        }
        Line(matrix);
        Close();
    }

    void WriteAnimationSet(const XAnimationSet& set)
    {
        Open("AnimationSet", set.name);
        for (const XAnimation& animation : set.animations)
        {
            Open("Animation", animation.name);
            if (!animation.target.empty())
            {
                Require(IsValidName(animation.target));
                Line("{ " + animation.target + " }");
            }
            for (const XAnimationKeys& keys : animation.keys)
            {
                WriteKeys(keys);
            }
            if (animation.hasOptions)
            {
                Open("AnimationOptions", "");
                Line(std::to_string(animation.openClosed) + ";");
                Line(std::to_string(animation.positionQuality) + ";");
                Close();
            }
            Close();
        }
        Close();
    }

    void WriteKeys(const XAnimationKeys& keys)
    {
        const std::uint32_t valueCount = XKeyValueCount(keys.type);
        Require(valueCount > 0 && keys.values.size() == keys.times.size() * valueCount);
        Open("AnimationKey", "");
        Line(std::to_string(keys.type) + ";");
        Line(std::to_string(keys.times.size()) + ";");
        for (std::size_t k = 0; k < keys.times.size(); ++k)
        {
            Require(k == 0 || keys.times[k - 1] <= keys.times[k]);
            std::string text = std::to_string(keys.times[k]) + ";" + std::to_string(valueCount) + ";";
            for (std::uint32_t v = 0; v < valueCount; ++v)
            {
                text += Number(keys.values[k * valueCount + v]) + (v + 1 < valueCount ? "," : ";");
            }
            Line(text + (k + 1 < keys.times.size() ? ";," : ";;"));
        }
        Close();
    }

    const XFileModel& m_Model;
    std::string m_Text;
    int m_Indent = 0;
    std::unordered_map<std::uint32_t, int> m_Uses;
    std::vector<bool> m_Defined;
};

} // namespace

Gfx::Result WriteXFileText(const XFileModel& model, std::string& text)
{
    text.clear();
    try
    {
        text = Writer(model).Write();
    }
    catch (const Unwritable&)
    {
        return Gfx::InvalidCall;
    }
    return Gfx::Ok;
}

Gfx::Result WriteXFile(const std::string& path, const XFileModel& model)
{
    std::string text;
    const Gfx::Result result = WriteXFileText(model, text);
    if (Gfx::Failed(result))
    {
        return result;
    }
    std::FILE* file = OpenFile(path, "wb");
    if (file == nullptr)
    {
        return Gfx::Fail;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? Gfx::Ok : Gfx::Fail;
}

} // namespace Platform::GfxKit
