#include "platform/gfxkit/effect/Effect.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfxkit/EffectStateManager.h"
#include "platform/gfxkit/effect/EffectMessages.h"
#include "platform/gfxkit/effect/EffectPool.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

namespace Platform::GfxKit
{
namespace
{

// Parameters, members and elements of one effect together: enough for any real effect, and a bound on
// the memory a hostile file can ask for.
constexpr std::uint64_t MaxNodes = 1u << 18;

bool SameLetters(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        {
            return false;
        }
    }
    return i == a.size() && !b[i];
}

std::uint32_t FromFloat(float value, std::uint32_t type)
{
    std::uint32_t bits = 0;
    if (type == ParameterType::Bool)
    {
        return value != 0.0f ? 1 : 0;
    }
    if (type == ParameterType::Int)
    {
        std::int32_t integer = 0;
        if (!std::isnan(value))
        {
            const float clamped = std::clamp(
                value, static_cast<float>(std::numeric_limits<std::int32_t>::min()), 2147483520.0f);
            integer = static_cast<std::int32_t>(clamped);
        }
        std::memcpy(&bits, &integer, 4);
        return bits;
    }
    std::memcpy(&bits, &value, 4);
    return bits;
}

std::uint32_t FromInt(std::int32_t value, std::uint32_t type)
{
    std::uint32_t bits = 0;
    if (type == ParameterType::Bool)
    {
        return value != 0 ? 1 : 0;
    }
    if (type == ParameterType::Float)
    {
        const float f = static_cast<float>(value);
        std::memcpy(&bits, &f, 4);
        return bits;
    }
    std::memcpy(&bits, &value, 4);
    return bits;
}

float ToFloat(const std::uint8_t* data, std::uint32_t type)
{
    if (type == ParameterType::Float)
    {
        float value = 0;
        std::memcpy(&value, data, 4);
        return value;
    }
    std::int32_t value = 0;
    std::memcpy(&value, data, 4);
    return type == ParameterType::Bool ? (value ? 1.0f : 0.0f) : static_cast<float>(value);
}

std::int32_t ToInt(const std::uint8_t* data, std::uint32_t type)
{
    if (type == ParameterType::Float)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, data, 4);
        float value = 0;
        std::memcpy(&value, &bits, 4);
        bits = FromFloat(value, ParameterType::Int);
        std::int32_t integer = 0;
        std::memcpy(&integer, &bits, 4);
        return integer;
    }
    std::int32_t value = 0;
    std::memcpy(&value, data, 4);
    return type == ParameterType::Bool ? (value ? 1 : 0) : value;
}

bool IsTextureType(std::uint32_t type)
{
    return type >= ParameterType::Texture && type <= ParameterType::TextureCube;
}

// Whether a texture of that object's kind may be set on a parameter of that type.
bool TextureFits(std::uint32_t type, Gfx::BaseTexture* texture)
{
    if (!texture || type == ParameterType::Texture)
    {
        return true;
    }
    if (type == ParameterType::Texture2D)
    {
        return dynamic_cast<Gfx::Texture*>(texture) != nullptr;
    }
    if (type == ParameterType::Texture3D)
    {
        return dynamic_cast<Gfx::VolumeTexture*>(texture) != nullptr;
    }
    return type == ParameterType::TextureCube && dynamic_cast<Gfx::CubeTexture*>(texture) != nullptr;
}

} // namespace

Effect::~Effect()
{
    if (begunTechnique_ >= 0)
    {
        ReleaseSaved(saved_[static_cast<std::size_t>(begunTechnique_)]);
    }
    for (Gfx::Shader* shader : shaders_)
    {
        if (shader)
        {
            shader->Release();
        }
    }
    if (device_)
    {
        device_->Release();
    }
    for (const auto& block : blocks_)
    {
        for (BlockRecord& record : block->records)
        {
            if (record.texture)
            {
                record.texture->Release();
            }
        }
    }
    ownSlots_.clear();
    if (stateManager_)
    {
        stateManager_->Release();
    }
    if (pool_)
    {
        pool_->Release();
    }
}

Effect* Effect::Make(EffectSource source, EffectPool* pool, Gfx::Device* device, EffectMessages& messages)
{
    auto* effect = new Effect;
    effect->source_ = std::move(source);
    effect->layout_ = LayOutConstants(effect->source_);
    effect->stages_ = SamplerStages(effect->source_);
    if (!effect->Build(pool, messages) || (device && !effect->MakePrograms(device, messages)))
    {
        effect->Release();
        return nullptr;
    }
    return effect;
}

std::string Effect::Signature(const TypeInfo& type, std::uint32_t elements) const
{
    std::string signature;
    if (type.cls == ParameterClass::Struct)
    {
        signature = "struct {";
        for (const MemberDecl& member : source_.structs[static_cast<std::size_t>(type.structIndex)].members)
        {
            signature += " " + Signature(member.type, member.elements) + " " + member.name + ";";
        }
        signature += " }";
    }
    else
    {
        signature = type.keyword;
        // The spellings of one cube type are one type.
        if (type.type == ParameterType::TextureCube)
        {
            signature = "textureCUBE";
        }
    }
    if (elements)
    {
        signature += "[" + std::to_string(elements) + "]";
    }
    return signature;
}

std::uint32_t Effect::AddNode(Node node)
{
    nodes_.push_back(std::move(node));
    return static_cast<std::uint32_t>(nodes_.size() - 1);
}

void Effect::AddChildren(std::uint32_t index, const TypeInfo& type, std::uint32_t elements)
{
    if (elements)
    {
        const auto first = static_cast<std::uint32_t>(nodes_.size());
        for (std::uint32_t e = 0; e < elements; ++e)
        {
            Node element = nodes_[index];
            element.elements = 0;
            element.bytes = type.bytes;
            element.offset = nodes_[index].offset + e * type.bytes;
            element.childCount = 0;
            element.annotationCount = 0;
            AddNode(std::move(element));
        }
        nodes_[index].firstChild = first;
        nodes_[index].childCount = elements;
        if (type.cls == ParameterClass::Struct)
        {
            for (std::uint32_t e = 0; e < elements; ++e)
            {
                AddChildren(first + e, type, 0);
            }
        }
        return;
    }
    if (type.cls != ParameterClass::Struct)
    {
        return;
    }
    const StructDecl& decl = source_.structs[static_cast<std::size_t>(type.structIndex)];
    const auto first = static_cast<std::uint32_t>(nodes_.size());
    std::uint32_t offset = nodes_[index].offset;
    for (const MemberDecl& member : decl.members)
    {
        Node node;
        node.name = member.name;
        node.semantic = member.semantic;
        node.cls = member.type.cls;
        node.type = member.type.type;
        node.rows = member.type.rows;
        node.columns = member.type.columns;
        node.elements = member.elements;
        node.members =
            member.type.structIndex >= 0
                ? static_cast<std::uint32_t>(
                      source_.structs[static_cast<std::size_t>(member.type.structIndex)].members.size())
                : 0;
        node.flags = nodes_[index].flags;
        node.bytes = member.type.bytes * (member.elements ? member.elements : 1);
        node.slot = nodes_[index].slot;
        node.offset = offset;
        node.parameter = nodes_[index].parameter;
        offset += node.bytes;
        AddNode(std::move(node));
    }
    nodes_[index].firstChild = first;
    nodes_[index].childCount = static_cast<std::uint32_t>(decl.members.size());
    for (std::size_t m = 0; m < decl.members.size(); ++m)
    {
        AddChildren(first + static_cast<std::uint32_t>(m), decl.members[m].type, decl.members[m].elements);
    }
}

std::uint32_t Effect::AddAnnotations(const std::vector<AnnotationDecl>& annotations)
{
    const auto first = static_cast<std::uint32_t>(nodes_.size());
    for (const AnnotationDecl& decl : annotations)
    {
        auto slot = std::make_unique<ValueSlot>();
        slot->bytes = decl.value;
        slot->text = decl.text;
        Node node;
        node.name = decl.name;
        node.cls = decl.type.cls;
        node.type = decl.type.type;
        node.rows = decl.type.rows;
        node.columns = decl.type.columns;
        node.bytes = decl.type.bytes;
        node.slot = slot.get();
        node.annotation = true;
        ownSlots_.push_back(std::move(slot));
        AddNode(std::move(node));
    }
    return first;
}

bool Effect::Build(EffectPool* pool, EffectMessages& messages)
{
    const std::vector<ParameterDecl>& parameters = source_.parameters;
    parameterCount_ = static_cast<std::uint32_t>(parameters.size());

    // Members and elements, counted before anything is made.
    std::function<std::uint64_t(const TypeInfo&, std::uint32_t)> count = [&](const TypeInfo& type,
                                                                             std::uint32_t elements) {
        std::uint64_t inner = 0;
        if (type.cls == ParameterClass::Struct)
        {
            for (const MemberDecl& member :
                 source_.structs[static_cast<std::size_t>(type.structIndex)].members)
            {
                inner =
                    std::min<std::uint64_t>(inner + 1 + count(member.type, member.elements), MaxNodes + 1);
            }
        }
        return elements ? std::min<std::uint64_t>(elements * (1 + inner), MaxNodes + 1) : inner;
    };
    std::uint64_t total = 0;
    for (const ParameterDecl& decl : parameters)
    {
        total += 1 + count(decl.type, decl.elements);
        if (total > MaxNodes)
        {
            messages.Error(source_.files[decl.place.file], decl.place.line,
                           "parameter " + decl.name +
                               " makes the effect's parameters, members and elements more than " +
                               std::to_string(MaxNodes));
            return false;
        }
    }
    nodes_.reserve(static_cast<std::size_t>(total));

    std::vector<std::pair<std::string, std::unique_ptr<PoolEntry>>> added;
    for (std::uint32_t i = 0; i < parameterCount_; ++i)
    {
        const ParameterDecl& decl = parameters[i];
        Node node;
        node.name = decl.name;
        node.semantic = decl.semantic;
        node.cls = decl.type.cls;
        node.type = decl.type.type;
        node.rows = decl.type.rows;
        node.columns = decl.type.columns;
        node.elements = decl.elements;
        node.members =
            decl.type.structIndex >= 0
                ? static_cast<std::uint32_t>(
                      source_.structs[static_cast<std::size_t>(decl.type.structIndex)].members.size())
                : 0;
        node.flags = decl.shared ? ParameterFlag::Shared : 0;
        node.bytes = decl.Bytes();
        node.parameter = static_cast<int>(i);
        if (decl.shared && pool)
        {
            const std::string signature = Signature(decl.type, decl.elements);
            PoolEntry* entry = pool->Find(decl.name);
            for (auto& pending : added)
            {
                entry = pending.first == decl.name ? pending.second.get() : entry;
            }
            if (entry && entry->signature != signature)
            {
                messages.Error(source_.files[decl.place.file], decl.place.line,
                               "shared parameter " + decl.name + " is " + signature + " here but " +
                                   entry->signature + " in " + entry->file + "(" +
                                   std::to_string(entry->line) + ")");
                return false;
            }
            if (!entry)
            {
                auto fresh = std::make_unique<PoolEntry>();
                fresh->signature = signature;
                fresh->file = source_.files[decl.place.file];
                fresh->line = decl.place.line;
                fresh->slot.bytes = decl.initial;
                fresh->slot.text = decl.text;
                entry = fresh.get();
                added.emplace_back(decl.name, std::move(fresh));
            }
            node.slot = &entry->slot;
        }
        else
        {
            auto slot = std::make_unique<ValueSlot>();
            slot->bytes = decl.initial;
            slot->text = decl.text;
            node.slot = slot.get();
            ownSlots_.push_back(std::move(slot));
        }
        AddNode(std::move(node));
    }
    for (std::uint32_t i = 0; i < parameterCount_; ++i)
    {
        AddChildren(i, parameters[i].type, parameters[i].elements);
    }
    for (std::uint32_t i = 0; i < parameterCount_; ++i)
    {
        nodes_[i].firstAnnotation = AddAnnotations(parameters[i].annotations);
        nodes_[i].annotationCount = static_cast<std::uint32_t>(parameters[i].annotations.size());
    }
    for (std::size_t t = 0; t < source_.techniques.size(); ++t)
    {
        const TechniqueDecl& decl = source_.techniques[t];
        Technique technique;
        technique.firstPass = static_cast<std::uint32_t>(passes_.size());
        technique.passCount = static_cast<std::uint32_t>(decl.passes.size());
        technique.firstAnnotation = AddAnnotations(decl.annotations);
        technique.annotationCount = static_cast<std::uint32_t>(decl.annotations.size());
        for (std::size_t p = 0; p < decl.passes.size(); ++p)
        {
            Pass pass;
            pass.technique = static_cast<std::uint32_t>(t);
            pass.index = static_cast<std::uint32_t>(p);
            pass.firstAnnotation = AddAnnotations(decl.passes[p].annotations);
            pass.annotationCount = static_cast<std::uint32_t>(decl.passes[p].annotations.size());
            passes_.push_back(pass);
        }
        techniques_.push_back(technique);
    }
    // Children always come after their parent.
    for (std::size_t i = nodes_.size(); i-- > 0;)
    {
        Node& node = nodes_[i];
        node.hasBool = !node.annotation && node.type == ParameterType::Bool;
        for (std::uint32_t c = 0; c < node.childCount; ++c)
        {
            node.hasBool = node.hasBool || nodes_[node.firstChild + c].hasBool;
        }
    }
    handles_ = std::make_unique<char[]>(nodes_.size() + techniques_.size() + passes_.size() + 1);
    currentTechnique_ = techniques_.empty() ? -1 : 0;
    if (pool)
    {
        for (auto& pending : added)
        {
            pool->Add(pending.first, std::move(pending.second));
        }
        pool_ = pool;
        pool_->AddRef();
    }
    return true;
}

// --- Handles ---

std::int64_t Effect::HandleIndex(EffectHandle handle) const
{
    const auto address = reinterpret_cast<std::uintptr_t>(handle);
    const auto base = reinterpret_cast<std::uintptr_t>(handles_.get());
    const std::uintptr_t count = nodes_.size() + techniques_.size() + passes_.size();
    if (!handle || address < base || address >= base + count)
    {
        return -1;
    }
    return static_cast<std::int64_t>(address - base);
}

int Effect::NodeOf(EffectHandle handle, bool allowAnnotations)
{
    if (!handle)
    {
        return -1;
    }
    const std::int64_t index = HandleIndex(handle);
    if (index >= 0)
    {
        if (static_cast<std::uint64_t>(index) >= nodes_.size() ||
            (nodes_[static_cast<std::size_t>(index)].annotation && !allowAnnotations))
        {
            return -1;
        }
        return static_cast<int>(index);
    }
    return FindPath(-1, handle);
}

int Effect::TechniqueOf(EffectHandle handle)
{
    if (!handle)
    {
        return -1;
    }
    const std::int64_t index = HandleIndex(handle);
    if (index >= 0)
    {
        const std::int64_t technique = index - static_cast<std::int64_t>(nodes_.size());
        return technique >= 0 && technique < static_cast<std::int64_t>(techniques_.size())
                   ? static_cast<int>(technique)
                   : -1;
    }
    for (std::size_t t = 0; t < source_.techniques.size(); ++t)
    {
        if (source_.techniques[t].name == handle)
        {
            return static_cast<int>(t);
        }
    }
    return -1;
}

int Effect::PassOf(EffectHandle handle) const
{
    const std::int64_t index =
        HandleIndex(handle) - static_cast<std::int64_t>(nodes_.size() + techniques_.size());
    return HandleIndex(handle) >= 0 && index >= 0 ? static_cast<int>(index) : -1;
}

int Effect::FindPath(int parent, const char* path)
{
    int current = parent;
    std::size_t pos = 0;
    const std::size_t length = std::strlen(path);
    bool first = true;
    while (pos < length || first)
    {
        if (path[pos] == '[')
        {
            const std::size_t close = std::string_view(path + pos, length - pos).find(']');
            if (current < 0 || close == std::string_view::npos || close == 1)
            {
                return -1;
            }
            std::uint64_t index = 0;
            for (std::size_t i = pos + 1; i < pos + close; ++i)
            {
                if (path[i] < '0' || path[i] > '9' || index > MaxNodes)
                {
                    return -1;
                }
                index = index * 10 + static_cast<std::uint64_t>(path[i] - '0');
            }
            const Node& node = nodes_[static_cast<std::size_t>(current)];
            if (!node.elements || index >= node.childCount)
            {
                return -1;
            }
            current = static_cast<int>(node.firstChild + index);
            pos += close + 1;
        }
        else
        {
            if (!first)
            {
                if (path[pos] != '.')
                {
                    return -1;
                }
                ++pos;
            }
            std::size_t end = pos;
            while (end < length && path[end] != '.' && path[end] != '[')
            {
                ++end;
            }
            const std::string_view name(path + pos, end - pos);
            if (name.empty())
            {
                return -1;
            }
            std::uint32_t begin = 0;
            std::uint32_t count = parameterCount_;
            if (current >= 0)
            {
                const Node& node = nodes_[static_cast<std::size_t>(current)];
                if (node.cls != ParameterClass::Struct || node.elements)
                {
                    return -1;
                }
                begin = node.firstChild;
                count = node.childCount;
            }
            int found = -1;
            for (std::uint32_t i = begin; i < begin + count && found < 0; ++i)
            {
                if (nodes_[i].name == name)
                {
                    found = static_cast<int>(i);
                }
            }
            if (found < 0)
            {
                return -1;
            }
            current = found;
            pos = end;
        }
        first = false;
    }
    return current;
}

// --- Reflection ---

Gfx::Result Effect::GetDesc(EffectDesc* desc) const
{
    if (!desc)
    {
        return Gfx::InvalidCall;
    }
    desc->Parameters = parameterCount_;
    desc->Techniques = static_cast<std::uint32_t>(techniques_.size());
    return Gfx::Ok;
}

EffectHandle Effect::GetParameter(EffectHandle parent, std::uint32_t index)
{
    if (!parent)
    {
        return index < parameterCount_ ? NodeHandle(index) : nullptr;
    }
    const int node = NodeOf(parent, false);
    if (node < 0)
    {
        return nullptr;
    }
    const Node& structure = nodes_[static_cast<std::size_t>(node)];
    if (structure.cls != ParameterClass::Struct || structure.elements || index >= structure.childCount)
    {
        return nullptr;
    }
    return NodeHandle(structure.firstChild + index);
}

EffectHandle Effect::GetParameterByName(EffectHandle parent, const char* name)
{
    if (!name)
    {
        return nullptr;
    }
    int start = -1;
    if (parent)
    {
        start = NodeOf(parent, false);
        if (start < 0)
        {
            return nullptr;
        }
    }
    const int found = FindPath(start, name);
    return found >= 0 ? NodeHandle(static_cast<std::uint32_t>(found)) : nullptr;
}

EffectHandle Effect::GetParameterBySemantic(EffectHandle parent, const char* semantic)
{
    if (!semantic || !*semantic)
    {
        return nullptr;
    }
    std::uint32_t begin = 0;
    std::uint32_t count = parameterCount_;
    if (parent)
    {
        const int node = NodeOf(parent, false);
        if (node < 0 || nodes_[static_cast<std::size_t>(node)].cls != ParameterClass::Struct ||
            nodes_[static_cast<std::size_t>(node)].elements)
        {
            return nullptr;
        }
        begin = nodes_[static_cast<std::size_t>(node)].firstChild;
        count = nodes_[static_cast<std::size_t>(node)].childCount;
    }
    for (std::uint32_t i = begin; i < begin + count; ++i)
    {
        if (SameLetters(nodes_[i].semantic, semantic))
        {
            return NodeHandle(i);
        }
    }
    return nullptr;
}

EffectHandle Effect::GetParameterElement(EffectHandle parent, std::uint32_t index)
{
    const int node = NodeOf(parent, false);
    if (node < 0)
    {
        return nullptr;
    }
    const Node& array = nodes_[static_cast<std::size_t>(node)];
    return array.elements && index < array.childCount ? NodeHandle(array.firstChild + index) : nullptr;
}

Gfx::Result Effect::GetParameterDesc(EffectHandle parameter, ParameterDesc* desc)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !desc)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    desc->Name = node.name.c_str();
    desc->Semantic = node.semantic.c_str();
    desc->Class = node.cls;
    desc->Type = node.type;
    desc->Rows = node.rows;
    desc->Columns = node.columns;
    desc->Elements = node.elements;
    desc->Annotations = node.annotationCount;
    desc->StructMembers = node.members;
    desc->Flags = node.flags;
    desc->Bytes = node.type == ParameterType::String ? static_cast<std::uint32_t>(node.slot->text.size() + 1)
                                                     : node.bytes;
    return Gfx::Ok;
}

EffectHandle Effect::GetAnnotation(EffectHandle object, std::uint32_t index)
{
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    const std::int64_t handle = HandleIndex(object);
    const int pass = PassOf(object);
    const int node = handle >= 0 && static_cast<std::uint64_t>(handle) < nodes_.size() ? NodeOf(object, false)
                     : handle < 0 && object                                            ? FindPath(-1, object)
                                                                                       : -1;
    const int technique = node < 0 && pass < 0 ? TechniqueOf(object) : -1;
    if (node >= 0)
    {
        first = nodes_[static_cast<std::size_t>(node)].firstAnnotation;
        count = nodes_[static_cast<std::size_t>(node)].annotationCount;
    }
    else if (pass >= 0)
    {
        first = passes_[static_cast<std::size_t>(pass)].firstAnnotation;
        count = passes_[static_cast<std::size_t>(pass)].annotationCount;
    }
    else if (technique >= 0)
    {
        first = techniques_[static_cast<std::size_t>(technique)].firstAnnotation;
        count = techniques_[static_cast<std::size_t>(technique)].annotationCount;
    }
    return index < count ? NodeHandle(first + index) : nullptr;
}

EffectHandle Effect::GetAnnotationByName(EffectHandle object, const char* name)
{
    if (!name)
    {
        return nullptr;
    }
    for (std::uint32_t i = 0;; ++i)
    {
        EffectHandle annotation = GetAnnotation(object, i);
        if (!annotation)
        {
            return nullptr;
        }
        if (nodes_[static_cast<std::size_t>(HandleIndex(annotation))].name == name)
        {
            return annotation;
        }
    }
}

EffectHandle Effect::GetTechnique(std::uint32_t index)
{
    return index < techniques_.size() ? TechniqueHandle(index) : nullptr;
}

EffectHandle Effect::GetTechniqueByName(const char* name)
{
    if (!name || HandleIndex(name) >= 0)
    {
        return nullptr;
    }
    const int technique = TechniqueOf(name);
    return technique >= 0 ? TechniqueHandle(static_cast<std::uint32_t>(technique)) : nullptr;
}

Gfx::Result Effect::GetTechniqueDesc(EffectHandle technique, TechniqueDesc* desc)
{
    const int index = TechniqueOf(technique);
    if (index < 0 || !desc)
    {
        return Gfx::InvalidCall;
    }
    desc->Name = source_.techniques[static_cast<std::size_t>(index)].name.c_str();
    desc->Passes = techniques_[static_cast<std::size_t>(index)].passCount;
    desc->Annotations = techniques_[static_cast<std::size_t>(index)].annotationCount;
    return Gfx::Ok;
}

EffectHandle Effect::GetPass(EffectHandle technique, std::uint32_t index)
{
    const int t = TechniqueOf(technique);
    if (t < 0 || index >= techniques_[static_cast<std::size_t>(t)].passCount)
    {
        return nullptr;
    }
    return PassHandle(techniques_[static_cast<std::size_t>(t)].firstPass + index);
}

Gfx::Result Effect::GetPassDesc(EffectHandle pass, PassDesc* desc)
{
    const int index = PassOf(pass);
    if (index < 0 || !desc)
    {
        return Gfx::InvalidCall;
    }
    const Pass& record = passes_[static_cast<std::size_t>(index)];
    desc->Name = source_.techniques[record.technique].passes[record.index].name.c_str();
    desc->Annotations = record.annotationCount;
    return Gfx::Ok;
}

EffectHandle Effect::GetCurrentTechnique() const
{
    return currentTechnique_ >= 0 ? TechniqueHandle(static_cast<std::uint32_t>(currentTechnique_)) : nullptr;
}

Gfx::Result Effect::SetTechnique(EffectHandle technique)
{
    const int index = TechniqueOf(technique);
    if (index < 0)
    {
        return Gfx::InvalidCall;
    }
    currentTechnique_ = index;
    return Gfx::Ok;
}

// --- Values ---

bool Effect::Fits(std::uint32_t node, bool fits, const char* operation, const char* why)
{
    if (fits)
    {
        return true;
    }
    Node& record = nodes_[node];
    if (!record.traced)
    {
        record.traced = true;
        Gfx::Trace(std::string("effect parameter \"") + record.name + "\": " + operation + " refused, " +
                   why);
    }
    return false;
}

void Effect::NormaliseBools(std::uint32_t index)
{
    const Node& node = nodes_[index];
    if (node.type == ParameterType::Bool)
    {
        std::uint8_t* data = node.slot->bytes.data() + node.offset;
        for (std::uint32_t i = 0; i + 4 <= node.bytes; i += 4)
        {
            std::uint32_t value = 0;
            std::memcpy(&value, data + i, 4);
            value = value ? 1 : 0;
            std::memcpy(data + i, &value, 4);
        }
        return;
    }
    for (std::uint32_t c = 0; c < node.childCount; ++c)
    {
        if (nodes_[node.firstChild + c].hasBool)
        {
            NormaliseBools(node.firstChild + c);
        }
    }
}

void Effect::Write(std::uint32_t index, const void* data, std::uint32_t bytes)
{
    const Node& node = nodes_[index];
    std::uint8_t* target = node.slot->bytes.data() + node.offset;
    std::memmove(target, data, bytes);
    if (node.hasBool)
    {
        NormaliseBools(index);
    }
    if (recording_)
    {
        recording_->records.push_back(
            {index, std::vector<std::uint8_t>(target, target + bytes), false, nullptr});
    }
}

void Effect::WriteTexture(std::uint32_t index, Gfx::BaseTexture* texture)
{
    ValueSlot& slot = *nodes_[index].slot;
    if (texture)
    {
        texture->AddRef();
    }
    if (slot.texture)
    {
        slot.texture->Release();
    }
    slot.texture = texture;
    if (recording_)
    {
        if (texture)
        {
            texture->AddRef();
        }
        recording_->records.push_back({index, {}, true, texture});
    }
}

Gfx::Result Effect::SetValue(EffectHandle parameter, const void* data, std::uint32_t bytes)
{
    const int index = NodeOf(parameter, false);
    if (index < 0 || !data)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, IsNumeric(nodes_[node]), "SetValue", "it is not numeric") ||
        !Fits(node, bytes == nodes_[node].bytes, "SetValue",
              (std::to_string(bytes) + " bytes given for " + std::to_string(nodes_[node].bytes)).c_str()))
    {
        return Gfx::InvalidCall;
    }
    Write(node, data, bytes);
    return Gfx::Ok;
}

Gfx::Result Effect::GetValue(EffectHandle parameter, void* data, std::uint32_t bytes)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !data)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    if (node.type == ParameterType::String)
    {
        const std::string& text = node.slot->text;
        if (bytes < text.size() + 1)
        {
            return Gfx::InvalidCall;
        }
        std::memcpy(data, text.c_str(), text.size() + 1);
        return Gfx::Ok;
    }
    if (!IsNumeric(node) || bytes < node.bytes)
    {
        return Gfx::InvalidCall;
    }
    std::memcpy(data, node.slot->bytes.data() + node.offset, node.bytes);
    return Gfx::Ok;
}

Gfx::Result Effect::SetBool(EffectHandle parameter, bool value)
{
    return SetInt(parameter, value ? 1 : 0);
}

Gfx::Result Effect::SetInt(EffectHandle parameter, std::int32_t value)
{
    const int index = NodeOf(parameter, false);
    if (index < 0)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, nodes_[node].cls == ParameterClass::Scalar && !nodes_[node].elements, "a scalar setter",
              "it is not a numeric scalar"))
    {
        return Gfx::InvalidCall;
    }
    const std::uint32_t bits = FromInt(value, nodes_[node].type);
    Write(node, &bits, 4);
    return Gfx::Ok;
}

Gfx::Result Effect::SetFloat(EffectHandle parameter, float value)
{
    const int index = NodeOf(parameter, false);
    if (index < 0)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, nodes_[node].cls == ParameterClass::Scalar && !nodes_[node].elements, "SetFloat",
              "it is not a numeric scalar"))
    {
        return Gfx::InvalidCall;
    }
    const std::uint32_t bits = FromFloat(value, nodes_[node].type);
    Write(node, &bits, 4);
    return Gfx::Ok;
}

Gfx::Result Effect::GetBool(EffectHandle parameter, bool* value)
{
    std::int32_t integer = 0;
    const Gfx::Result result = value ? GetInt(parameter, &integer) : Gfx::InvalidCall;
    if (Gfx::Succeeded(result))
    {
        *value = integer != 0;
    }
    return result;
}

Gfx::Result Effect::GetInt(EffectHandle parameter, std::int32_t* value)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !value || nodes_[static_cast<std::size_t>(index)].cls != ParameterClass::Scalar ||
        nodes_[static_cast<std::size_t>(index)].elements)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    *value = ToInt(node.slot->bytes.data() + node.offset, node.type);
    return Gfx::Ok;
}

Gfx::Result Effect::GetFloat(EffectHandle parameter, float* value)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !value || nodes_[static_cast<std::size_t>(index)].cls != ParameterClass::Scalar ||
        nodes_[static_cast<std::size_t>(index)].elements)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    *value = ToFloat(node.slot->bytes.data() + node.offset, node.type);
    return Gfx::Ok;
}

Gfx::Result Effect::SetVector(EffectHandle parameter, const float* vector)
{
    const int index = NodeOf(parameter, false);
    if (index < 0 || !vector)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    const Node& record = nodes_[node];
    if (!Fits(node,
              (record.cls == ParameterClass::Scalar || record.cls == ParameterClass::Vector) &&
                  !record.elements,
              "SetVector", "it is not a numeric scalar or vector"))
    {
        return Gfx::InvalidCall;
    }
    std::uint32_t bits[4] = {};
    for (std::uint32_t i = 0; i < record.columns; ++i)
    {
        bits[i] = FromFloat(vector[i], record.type);
    }
    Write(node, bits, record.columns * 4);
    return Gfx::Ok;
}

Gfx::Result Effect::GetVector(EffectHandle parameter, float* vector)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !vector)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    if ((node.cls != ParameterClass::Scalar && node.cls != ParameterClass::Vector) || node.elements)
    {
        return Gfx::InvalidCall;
    }
    for (std::uint32_t i = 0; i < 4; ++i)
    {
        vector[i] =
            i < node.columns ? ToFloat(node.slot->bytes.data() + node.offset + 4 * i, node.type) : 0.0f;
    }
    return Gfx::Ok;
}

Gfx::Result Effect::SetMatrix(EffectHandle parameter, const Gfx::Matrix* matrix)
{
    const int index = NodeOf(parameter, false);
    if (index < 0 || !matrix)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, nodes_[node].cls == ParameterClass::MatrixRows && !nodes_[node].elements, "SetMatrix",
              "it is not a float4x4"))
    {
        return Gfx::InvalidCall;
    }
    Write(node, matrix->m, sizeof matrix->m);
    return Gfx::Ok;
}

Gfx::Result Effect::GetMatrix(EffectHandle parameter, Gfx::Matrix* matrix)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !matrix || nodes_[static_cast<std::size_t>(index)].cls != ParameterClass::MatrixRows ||
        nodes_[static_cast<std::size_t>(index)].elements)
    {
        return Gfx::InvalidCall;
    }
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    std::memcpy(matrix->m, node.slot->bytes.data() + node.offset, sizeof matrix->m);
    return Gfx::Ok;
}

Gfx::Result Effect::SetMatrixArray(EffectHandle parameter, const Gfx::Matrix* matrices, std::uint32_t count)
{
    const int index = NodeOf(parameter, false);
    if (index < 0 || (!matrices && count))
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, nodes_[node].cls == ParameterClass::MatrixRows && nodes_[node].elements, "SetMatrixArray",
              "it is not a float4x4 array") ||
        !Fits(node, count <= nodes_[node].elements, "SetMatrixArray", "more matrices than elements"))
    {
        return Gfx::InvalidCall;
    }
    if (count)
    {
        Write(node, matrices, count * static_cast<std::uint32_t>(sizeof(Gfx::Matrix)));
    }
    return Gfx::Ok;
}

Gfx::Result Effect::GetString(EffectHandle parameter, const char** text)
{
    const int index = NodeOf(parameter, true);
    if (index < 0 || !text || nodes_[static_cast<std::size_t>(index)].type != ParameterType::String)
    {
        return Gfx::InvalidCall;
    }
    *text = nodes_[static_cast<std::size_t>(index)].slot->text.c_str();
    return Gfx::Ok;
}

Gfx::Result Effect::SetTexture(EffectHandle parameter, Gfx::BaseTexture* texture)
{
    const int index = NodeOf(parameter, false);
    if (index < 0)
    {
        return Gfx::InvalidCall;
    }
    const auto node = static_cast<std::uint32_t>(index);
    if (!Fits(node, IsTextureType(nodes_[node].type), "SetTexture", "it is not a texture") ||
        !Fits(node, TextureFits(nodes_[node].type, texture), "SetTexture", "the texture is of another kind"))
    {
        return Gfx::InvalidCall;
    }
    WriteTexture(node, texture);
    return Gfx::Ok;
}

Gfx::Result Effect::GetTexture(EffectHandle parameter, Gfx::BaseTexture** texture)
{
    const int index = NodeOf(parameter, false);
    if (index < 0 || !texture || !IsTextureType(nodes_[static_cast<std::size_t>(index)].type))
    {
        return Gfx::InvalidCall;
    }
    *texture = nodes_[static_cast<std::size_t>(index)].slot->texture;
    if (*texture)
    {
        (*texture)->AddRef();
    }
    return Gfx::Ok;
}

// --- Parameter blocks ---

Gfx::Result Effect::BeginParameterBlock()
{
    if (recording_)
    {
        return Gfx::InvalidCall;
    }
    blocks_.push_back(std::make_unique<ParameterBlock>());
    recording_ = blocks_.back().get();
    return Gfx::Ok;
}

EffectHandle Effect::EndParameterBlock()
{
    ParameterBlock* block = recording_;
    recording_ = nullptr;
    return block ? &block->empty : nullptr;
}

Gfx::Result Effect::ApplyParameterBlock(EffectHandle handle)
{
    for (const auto& block : blocks_)
    {
        if (&block->empty != handle || !block->live || block.get() == recording_)
        {
            continue;
        }
        for (const BlockRecord& record : block->records)
        {
            if (record.isTexture)
            {
                WriteTexture(record.node, record.texture);
            }
            else
            {
                Write(record.node, record.bytes.data(), static_cast<std::uint32_t>(record.bytes.size()));
            }
        }
        return Gfx::Ok;
    }
    return Gfx::InvalidCall;
}

Gfx::Result Effect::DeleteParameterBlock(EffectHandle handle)
{
    for (const auto& block : blocks_)
    {
        if (&block->empty != handle || !block->live)
        {
            continue;
        }
        for (BlockRecord& record : block->records)
        {
            if (record.texture)
            {
                record.texture->Release();
            }
        }
        block->records = {};
        block->live = false;
        if (recording_ == block.get())
        {
            recording_ = nullptr;
        }
        return Gfx::Ok;
    }
    return Gfx::InvalidCall;
}

// --- Objects ---

Gfx::Result Effect::SetStateManager(EffectStateManager* manager)
{
    if (manager)
    {
        manager->AddRef();
    }
    if (stateManager_)
    {
        stateManager_->Release();
    }
    stateManager_ = manager;
    return Gfx::Ok;
}

Gfx::Result Effect::GetStateManager(EffectStateManager** manager)
{
    if (!manager)
    {
        return Gfx::InvalidCall;
    }
    *manager = stateManager_;
    if (stateManager_)
    {
        stateManager_->AddRef();
    }
    return Gfx::Ok;
}

Gfx::Result Effect::GetPool(EffectPool** pool)
{
    if (!pool)
    {
        return Gfx::InvalidCall;
    }
    *pool = pool_;
    if (pool_)
    {
        pool_->AddRef();
    }
    return Gfx::Ok;
}

} // namespace Platform::GfxKit
