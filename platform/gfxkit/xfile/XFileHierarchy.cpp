#include "platform/gfxkit/xfile/XFileHierarchy.h"

#include "platform/gfxkit/UtilityTrace.h"
#include "platform/gfxkit/xfile/XFileReader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace Platform::GfxKit
{

using Gfx::InvalidCall;
using Gfx::Ok;
using Gfx::Result;
using Gfx::VertexElement;
namespace DeclType = Gfx::DeclType;
namespace DeclUsage = Gfx::DeclUsage;

namespace
{

template <typename T>
void ReleaseIf(T*& object)
{
    if (object != nullptr)
    {
        object->Release();
        object = nullptr;
    }
}

Matrix ToMatrix(const XMatrix& m)
{
    Matrix out;
    std::memcpy(out.m, m.data(), sizeof out.m);
    return out;
}

const char* NameOrNull(const std::string& name)
{
    return name.empty() ? nullptr : name.c_str();
}

std::uint8_t ColorByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// A mesh of the file as a device mesh: one vertex per distinct (position, normal) pair, faces fanned.
struct BuiltMesh
{
    Mesh* mesh = nullptr;
    // Per file position the vertices that copy it.
    std::vector<std::vector<std::uint32_t>> copies;
};

Result BuildMesh(const XMesh& source, std::uint32_t options, Gfx::Device* device, const std::string& file,
                 BuiltMesh& built)
{
    const std::size_t positions = source.positions.size();
    // Vertices: the file's positions first, each with the normal of the first corner that uses it; any
    // other (position, normal) pair a corner uses is appended.
    std::vector<std::uint32_t> positionOf(positions);
    std::vector<std::uint32_t> normalOf(positions, 0xFFFFFFFFu);
    for (std::uint32_t p = 0; p < positions; ++p)
    {
        positionOf[p] = p;
    }
    std::vector<std::uint32_t> cornerVertex(source.faces.indices.size());
    if (source.normals)
    {
        std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> pairs;
        for (std::size_t c = 0; c < cornerVertex.size(); ++c)
        {
            const std::uint32_t p = source.faces.indices[c];
            const std::uint32_t n = source.normals->faces.indices[c];
            if (normalOf[p] == 0xFFFFFFFFu)
            {
                normalOf[p] = n;
                pairs.emplace(std::make_pair(p, n), p);
                cornerVertex[c] = p;
                continue;
            }
            const auto [at, added] = pairs.emplace(std::make_pair(p, n), static_cast<std::uint32_t>(positionOf.size()));
            if (added)
            {
                positionOf.push_back(p);
                normalOf.push_back(n);
            }
            cornerVertex[c] = at->second;
        }
    }
    else
    {
        cornerVertex = source.faces.indices;
    }
    const auto vertexCount = static_cast<std::uint32_t>(positionOf.size());

    // Faces fanned from each face's first corner; each triangle takes its face's material.
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> attributes;
    std::size_t corner = 0;
    for (std::size_t f = 0; f < source.faces.FaceCount(); ++f)
    {
        const std::uint32_t size = source.faces.faceSizes[f];
        for (std::uint32_t i = 1; i + 1 < size; ++i)
        {
            indices.insert(indices.end(),
                           {cornerVertex[corner], cornerVertex[corner + i], cornerVertex[corner + i + 1]});
            attributes.push_back(source.faceMaterials.empty() ? 0 : source.faceMaterials[f]);
        }
        corner += size;
    }
    const auto faceCount = static_cast<std::uint32_t>(attributes.size());

    std::vector<VertexElement> elements;
    std::uint16_t offset = 0;
    const auto add = [&](std::uint8_t type, std::uint8_t method, std::uint8_t usage, std::uint8_t usageIndex) {
        elements.push_back({0, offset, type, method, usage, usageIndex});
        offset = static_cast<std::uint16_t>(offset + Gfx::ElementSize(type));
        return elements.back().Offset;
    };
    add(DeclType::Float3, 0, DeclUsage::Position, 0);
    const std::uint16_t normalAt = source.normals ? add(DeclType::Float3, 0, DeclUsage::Normal, 0) : 0;
    const std::uint16_t colorAt = !source.vertexColors.empty() ? add(DeclType::Color, 0, DeclUsage::Color, 0) : 0;
    const std::uint16_t texAt = !source.texCoords.empty() ? add(DeclType::Float2, 0, DeclUsage::TexCoord, 0) : 0;
    std::uint16_t declAt = offset;
    std::uint32_t declBytes = 0;
    if (source.declData)
    {
        for (const XDeclElement& element : source.declData->elements)
        {
            if (element.usage > DeclUsage::Sample || element.usageIndex > 255 || element.method > 255 ||
                elements.size() + 1 >= MaxDeclarationLength)
            {
                UtilityTrace(file + ": mesh '" + source.name + "' has vertex data the device cannot take");
                return Gfx::InvalidData;
            }
            add(static_cast<std::uint8_t>(element.type), static_cast<std::uint8_t>(element.method),
                static_cast<std::uint8_t>(element.usage), static_cast<std::uint8_t>(element.usageIndex));
            declBytes += XDeclTypeSize(element.type);
        }
    }
    const std::uint32_t stride = offset;
    elements.push_back(Gfx::DeclarationEnd);

    std::vector<std::uint8_t> bytes(std::size_t(vertexCount) * stride);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        std::uint8_t* out = bytes.data() + std::size_t(v) * stride;
        const std::uint32_t p = positionOf[v];
        std::memcpy(out, source.positions[p].data(), 12);
        if (source.normals && normalOf[v] != 0xFFFFFFFFu)
        {
            std::memcpy(out + normalAt, source.normals->normals[normalOf[v]].data(), 12);
        }
        if (!source.vertexColors.empty())
        {
            const XFloat4& c = source.vertexColors[p];
            const std::uint8_t bgra[4] = {ColorByte(c[2]), ColorByte(c[1]), ColorByte(c[0]), ColorByte(c[3])};
            std::memcpy(out + colorAt, bgra, 4);
        }
        if (!source.texCoords.empty())
        {
            std::memcpy(out + texAt, source.texCoords[p].data(), 8);
        }
        if (declBytes > 0)
        {
            std::memcpy(out + declAt, source.declData->data.data() + std::size_t(p) * (declBytes / 4), declBytes);
        }
    }

    std::uint32_t meshOptions = options;
    if (vertexCount > 0xFFFF)
    {
        meshOptions |= MeshOption::Use32Bit;
    }
    const Result made = CreateMesh(faceCount, vertexCount, meshOptions, elements.data(), device, &built.mesh);
    if (Gfx::Failed(made))
    {
        UtilityTrace(file + ": the device refused mesh '" + source.name + "' (" + Gfx::ErrorName(made) + ")");
        return made;
    }
    built.mesh->SetVertexBytes(bytes);
    built.mesh->SetIndices(indices);
    built.mesh->SetAttributes(attributes);
    built.copies.assign(positions, {});
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        built.copies[positionOf[v]].push_back(v);
    }
    return Ok;
}

// Materials and effect instances as the allocator receives them; the strings and defaults live here.
struct MaterialRecords
{
    std::vector<XFileMaterial> materials;
    std::vector<EffectInstance> effects;
    std::vector<std::vector<EffectDefault>> defaults;
    std::vector<std::vector<std::uint8_t>> values;
};

void BuildMaterials(const XMesh& source, MaterialRecords& records)
{
    if (source.materials.empty())
    {
        XFileMaterial white;
        white.MatD3D.Diffuse = {1, 1, 1, 1};
        records.materials.push_back(white);
        records.effects.push_back({});
        return;
    }
    records.materials.resize(source.materials.size());
    records.effects.resize(source.materials.size());
    records.defaults.resize(source.materials.size());
    for (std::size_t i = 0; i < source.materials.size(); ++i)
    {
        const XMaterial& from = source.materials[i];
        Gfx::Material& to = records.materials[i].MatD3D;
        to.Diffuse = {from.faceColor[0], from.faceColor[1], from.faceColor[2], from.faceColor[3]};
        to.Ambient = {0, 0, 0, 0};
        to.Specular = {from.specular[0], from.specular[1], from.specular[2], 1};
        to.Emissive = {from.emissive[0], from.emissive[1], from.emissive[2], 1};
        to.Power = from.power;
        records.materials[i].pTextureFilename = from.textureFile ? const_cast<char*>(from.textureFile->c_str()) : nullptr;
        if (!from.effect)
        {
            continue;
        }
        EffectInstance& effect = records.effects[i];
        effect.pEffectFilename = const_cast<char*>(from.effect->effectFile.c_str());
        std::vector<EffectDefault>& defaults = records.defaults[i];
        for (const XEffectParam& param : from.effect->params)
        {
            std::vector<std::uint8_t>& value = records.values.emplace_back();
            EffectDefault entry;
            entry.pParamName = const_cast<char*>(param.name.c_str());
            switch (param.kind)
            {
            case XEffectParam::Kind::String:
                entry.Type = EffectDefaultType::String;
                value.assign(param.text.begin(), param.text.end());
                value.push_back(0);
                break;
            case XEffectParam::Kind::Floats:
                entry.Type = EffectDefaultType::Floats;
                value.resize(param.floats.size() * 4);
                std::memcpy(value.data(), param.floats.data(), value.size());
                break;
            case XEffectParam::Kind::DWord:
                entry.Type = EffectDefaultType::Dword;
                value.resize(4);
                std::memcpy(value.data(), &param.dword, 4);
                break;
            }
            entry.NumBytes = static_cast<std::uint32_t>(value.size());
            entry.pValue = value.empty() ? nullptr : value.data();
            defaults.push_back(entry);
        }
        effect.NumDefaults = static_cast<std::uint32_t>(defaults.size());
        effect.pDefaults = defaults.empty() ? nullptr : defaults.data();
    }
}

// The values moved into `records.values` may not move again once pointed at: reserve first.
void ReserveValues(const XMesh& source, MaterialRecords& records)
{
    std::size_t count = 0;
    for (const XMaterial& material : source.materials)
    {
        count += material.effect ? material.effect->params.size() : 0;
    }
    records.values.reserve(count);
}

Result BuildSkin(const XMesh& source, const BuiltMesh& built, SkinInfo** skin)
{
    VertexElement declaration[MaxDeclarationLength];
    built.mesh->GetDeclaration(declaration);
    const Result made = CreateSkinInfo(built.mesh->GetNumVertices(), declaration,
                                       static_cast<std::uint32_t>(source.skinWeights.size()), skin);
    if (Gfx::Failed(made))
    {
        return made;
    }
    for (std::uint32_t b = 0; b < source.skinWeights.size(); ++b)
    {
        const XSkinWeights& weights = source.skinWeights[b];
        std::vector<std::uint32_t> vertices;
        std::vector<float> values;
        for (std::size_t i = 0; i < weights.vertices.size(); ++i)
        {
            for (std::uint32_t copy : built.copies[weights.vertices[i]])
            {
                vertices.push_back(copy);
                values.push_back(weights.weights[i]);
            }
        }
        const Matrix offset = ToMatrix(weights.offset);
        (*skin)->SetBoneName(b, weights.frameName.c_str());
        (*skin)->SetBoneOffsetMatrix(b, &offset);
        const Result set = (*skin)->SetBoneInfluence(b, static_cast<std::uint32_t>(vertices.size()), vertices.data(),
                                                     values.data());
        if (Gfx::Failed(set))
        {
            ReleaseIf(*skin);
            return set;
        }
    }
    return Ok;
}

// Scale, rotation and translation of a matrix key; a matrix that does not decompose (a row of length 0)
// keeps its translation with scale 0, so the pose stays hidden rather than taking stale values.
void DecomposeKey(const float* values, Vector3& scale, Quaternion& rotation, Vector3& translation)
{
    Matrix m;
    std::memcpy(m.m, values, sizeof m.m);
    if (Gfx::Failed(MatrixDecompose(&scale, &rotation, &translation, &m)))
    {
        scale = {0, 0, 0};
        rotation = {};
        translation = {m.m[3][0], m.m[3][1], m.m[3][2]};
    }
}

Result BuildAnimationSet(const XAnimationSet& source, double ticksPerSecond, KeyframedAnimationSet** set)
{
    std::uint32_t playback = PlaybackType::Loop;
    for (const XAnimation& animation : source.animations)
    {
        if (animation.hasOptions)
        {
            playback = animation.openClosed == 0 ? PlaybackType::Once : PlaybackType::Loop;
            break;
        }
    }
    const Result made = CreateKeyframedAnimationSet(source.name.c_str(), ticksPerSecond, playback,
                                                    static_cast<std::uint32_t>(source.animations.size()), 0, nullptr,
                                                    set);
    if (Gfx::Failed(made))
    {
        return made;
    }
    for (const XAnimation& animation : source.animations)
    {
        std::vector<KeyVector3> scale, translation;
        std::vector<KeyQuaternion> rotation;
        for (const XAnimationKeys& keys : animation.keys)
        {
            const std::uint32_t width = XKeyValueCount(keys.type);
            for (std::size_t k = 0; k < keys.times.size(); ++k)
            {
                const float* v = keys.values.data() + k * width;
                const auto time = static_cast<float>(keys.times[k]);
                switch (keys.type)
                {
                case XKeyType::Rotation:
                    rotation.push_back({time, {v[1], v[2], v[3], v[0]}});
                    break;
                case XKeyType::Scale:
                    scale.push_back({time, {v[0], v[1], v[2]}});
                    break;
                case XKeyType::Translation:
                    translation.push_back({time, {v[0], v[1], v[2]}});
                    break;
                default:
                {
                    KeyVector3 s{time, {}}, t{time, {}};
                    KeyQuaternion r{time, {}};
                    DecomposeKey(v, s.Value, r.Value, t.Value);
                    scale.push_back(s);
                    rotation.push_back(r);
                    translation.push_back(t);
                    break;
                }
                }
            }
        }
        const Result registered = (*set)->RegisterAnimationSRTKeys(
            animation.target.c_str(), static_cast<std::uint32_t>(scale.size()),
            static_cast<std::uint32_t>(rotation.size()), static_cast<std::uint32_t>(translation.size()), scale.data(),
            rotation.data(), translation.data(), nullptr);
        if (Gfx::Failed(registered))
        {
            ReleaseIf(*set);
            return registered;
        }
    }
    return Ok;
}

class HierarchyBuilder
{
public:
    HierarchyBuilder(const XFileModel& model, const std::string& file, std::uint32_t options, Gfx::Device* device,
                     AllocateHierarchy* allocator)
        : model_(model), file_(file), options_(options), device_(device), allocator_(allocator)
    {
    }

    // Makes the hierarchy; on failure *root holds what was made, for the caller to destroy.
    Result Build(Frame** root)
    {
        std::vector<bool> referenced(model_.meshes.size(), false);
        MarkReferenced(model_.frames, referenced);
        std::vector<std::uint32_t> loose;
        for (std::uint32_t mesh : model_.rootMeshes)
        {
            if (!referenced[mesh])
            {
                loose.push_back(mesh);
            }
        }
        if (model_.frames.size() == 1 && loose.empty())
        {
            return MakeFrame(model_.frames[0], root);
        }
        Result result = allocator_->CreateFrame(nullptr, root);
        if (Gfx::Failed(result))
        {
            *root = nullptr;
            return result;
        }
        if (*root == nullptr)
        {
            return Gfx::Fail;
        }
        result = MakeContainers(loose, **root);
        MatrixIdentity(&(*root)->TransformationMatrix);
        Frame** link = &(*root)->pFrameFirstChild;
        for (std::size_t i = 0; i < model_.frames.size() && Gfx::Succeeded(result); ++i)
        {
            result = MakeFrame(model_.frames[i], link);
            if (*link != nullptr)
            {
                link = &(*link)->pFrameSibling;
            }
        }
        return result;
    }

private:
    static void MarkReferenced(const std::vector<XFrame>& frames, std::vector<bool>& referenced)
    {
        for (const XFrame& frame : frames)
        {
            for (std::uint32_t mesh : frame.meshes)
            {
                referenced[mesh] = true;
            }
            MarkReferenced(frame.children, referenced);
        }
    }

    // Makes the frame into *slot (linked at once, so a failure leaves it reachable), its containers,
    // then its children.
    Result MakeFrame(const XFrame& source, Frame** slot)
    {
        Result result = allocator_->CreateFrame(NameOrNull(source.name), slot);
        if (Gfx::Failed(result))
        {
            *slot = nullptr;
            return result;
        }
        if (*slot == nullptr)
        {
            return Gfx::Fail;
        }
        Frame& frame = **slot;
        frame.TransformationMatrix = ToMatrix(source.transform);
        result = MakeContainers(source.meshes, frame);
        Frame** link = &frame.pFrameFirstChild;
        for (std::size_t i = 0; i < source.children.size() && Gfx::Succeeded(result); ++i)
        {
            result = MakeFrame(source.children[i], link);
            if (*link != nullptr)
            {
                link = &(*link)->pFrameSibling;
            }
        }
        return result;
    }

    Result MakeContainers(const std::vector<std::uint32_t>& meshes, Frame& frame)
    {
        MeshContainer** link = &frame.pMeshContainer;
        while (*link != nullptr)
        {
            link = &(*link)->pNextMeshContainer;
        }
        for (std::uint32_t index : meshes)
        {
            const Result result = MakeContainer(model_.meshes[index], link);
            if (Gfx::Failed(result))
            {
                return result;
            }
            if (*link != nullptr)
            {
                link = &(*link)->pNextMeshContainer;
            }
        }
        return Ok;
    }

    Result MakeContainer(const XMesh& source, MeshContainer** slot)
    {
        *slot = nullptr;
        if (source.faces.FaceCount() == 0)
        {
            UtilityTrace(file_ + ": mesh '" + source.name + "' has no faces and is left out");
            return Ok;
        }
        BuiltMesh built;
        SkinInfo* skin = nullptr;
        Result result = BuildMesh(source, options_, device_, file_, built);
        std::vector<std::uint32_t> adjacency;
        if (Gfx::Succeeded(result))
        {
            adjacency.resize(std::size_t(built.mesh->GetNumFaces()) * 3);
            result = built.mesh->GenerateAdjacency(0.0f, adjacency.data());
        }
        if (Gfx::Succeeded(result) && !source.skinWeights.empty())
        {
            result = BuildSkin(source, built, &skin);
        }
        if (Gfx::Succeeded(result))
        {
            MaterialRecords records;
            ReserveValues(source, records);
            BuildMaterials(source, records);
            MeshData data;
            data.Type = MeshDataType::Mesh;
            data.pMesh = built.mesh;
            result = allocator_->CreateMeshContainer(NameOrNull(source.name), &data, records.materials.data(),
                                                     records.effects.data(),
                                                     static_cast<std::uint32_t>(records.materials.size()),
                                                     adjacency.data(), skin, slot);
            if (Gfx::Failed(result))
            {
                *slot = nullptr;
            }
        }
        ReleaseIf(skin);
        ReleaseIf(built.mesh);
        return result;
    }

    const XFileModel& model_;
    const std::string& file_;
    std::uint32_t options_;
    Gfx::Device* device_;
    AllocateHierarchy* allocator_;
};

void CountNamedFrames(const Frame* frame, std::vector<Frame*>& named)
{
    // Hierarchy order: a frame, its first child's subtree, then its next sibling's.
    std::vector<const Frame*> pending{frame};
    while (!pending.empty())
    {
        const Frame* at = pending.back();
        pending.pop_back();
        if (at == nullptr)
        {
            continue;
        }
        if (at->Name != nullptr && at->Name[0] != '\0')
        {
            named.push_back(const_cast<Frame*>(at));
        }
        pending.push_back(at->pFrameSibling);
        pending.push_back(at->pFrameFirstChild);
    }
}

Result BuildController(const XFileModel& model, const std::string& file, Frame* root,
                       AnimationController** controller)
{
    if (model.ticksPerSecond == 0)
    {
        // No key time could be turned into seconds.
        UtilityTrace(file + ": animation sets with 0 ticks per second");
        return Gfx::InvalidData;
    }
    std::vector<Frame*> named;
    CountNamedFrames(root, named);
    const auto setCount = static_cast<std::uint32_t>(model.animationSets.size());
    Result result = CreateAnimationController(static_cast<std::uint32_t>(named.size()), setCount, 2, 30, controller);
    if (Gfx::Failed(result))
    {
        return result;
    }
    for (Frame* frame : named)
    {
        (*controller)->RegisterAnimationOutput(frame->Name, &frame->TransformationMatrix, nullptr, nullptr, nullptr);
    }
    for (std::uint32_t i = 0; i < setCount && Gfx::Succeeded(result); ++i)
    {
        KeyframedAnimationSet* set = nullptr;
        result = BuildAnimationSet(model.animationSets[i], model.ticksPerSecond, &set);
        if (Gfx::Succeeded(result))
        {
            result = (*controller)->RegisterAnimationSet(set);
            if (i == 0 && Gfx::Succeeded(result))
            {
                (*controller)->SetTrackAnimationSet(0, set);
                (*controller)->SetTrackEnable(0, true);
                (*controller)->SetTrackWeight(0, 1);
                (*controller)->SetTrackPosition(0, 0);
            }
            set->Release();
        }
    }
    if (Gfx::Failed(result))
    {
        ReleaseIf(*controller);
    }
    return result;
}

} // namespace

Result LoadMeshHierarchyFromX(const char* file, std::uint32_t options, Gfx::Device* device,
                              AllocateHierarchy* allocator, LoadUserData* userDataLoader, Frame** root,
                              AnimationController** controller)
{
    if (root != nullptr)
    {
        *root = nullptr;
    }
    if (controller != nullptr)
    {
        *controller = nullptr;
    }
    if (file == nullptr || device == nullptr || allocator == nullptr || userDataLoader != nullptr || root == nullptr)
    {
        return InvalidCall;
    }
    try
    {
        XFileModel model;
        const std::string path = file;
        Result result = ReadXFile(path, model);
        if (Gfx::Failed(result))
        {
            return result;
        }
        Frame* made = nullptr;
        result = HierarchyBuilder(model, path, options, device, allocator).Build(&made);
        if (Gfx::Succeeded(result) && controller != nullptr && !model.animationSets.empty())
        {
            result = BuildController(model, path, made, controller);
        }
        if (Gfx::Failed(result))
        {
            FrameDestroy(made, allocator);
            return result;
        }
        *root = made;
        return Ok;
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
}

Result FrameDestroy(Frame* root, AllocateHierarchy* allocator)
{
    if (allocator == nullptr)
    {
        return InvalidCall;
    }
    // Post-order without recursion: a frame is freed once its children and their siblings are.
    struct Pending
    {
        Frame* frame;
        bool expanded;
    };
    std::vector<Pending> pending;
    for (Frame* frame = root; frame != nullptr; frame = frame->pFrameSibling)
    {
        pending.push_back({frame, false});
    }
    while (!pending.empty())
    {
        Pending& top = pending.back();
        if (!top.expanded)
        {
            top.expanded = true;
            for (Frame* child = top.frame->pFrameFirstChild; child != nullptr; child = child->pFrameSibling)
            {
                pending.push_back({child, false});
            }
            continue;
        }
        Frame* frame = top.frame;
        pending.pop_back();
        MeshContainer* container = frame->pMeshContainer;
        while (container != nullptr)
        {
            MeshContainer* next = container->pNextMeshContainer;
            allocator->DestroyMeshContainer(container);
            container = next;
        }
        allocator->DestroyFrame(frame);
    }
    return Ok;
}

Frame* FrameFind(const Frame* root, const char* name)
{
    if (name == nullptr)
    {
        return nullptr;
    }
    std::vector<const Frame*> pending{root};
    while (!pending.empty())
    {
        const Frame* frame = pending.back();
        pending.pop_back();
        if (frame == nullptr)
        {
            continue;
        }
        if (frame->Name != nullptr && std::strcmp(frame->Name, name) == 0)
        {
            return const_cast<Frame*>(frame);
        }
        pending.push_back(frame->pFrameSibling);
        pending.push_back(frame->pFrameFirstChild);
    }
    return nullptr;
}

} // namespace Platform::GfxKit
