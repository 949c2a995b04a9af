#include "engine/EffectInstance.h"

#include "foundation/Helpers.h"
#include "foundation/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Qen
{

using Platform::GfxKit::EffectDefaultType::String;
using Platform::GfxKit::EffectDefaultType::Unfilled;

namespace
{

constexpr std::uint32_t kBlock = 32;

std::uint32_t Blocks(std::uint32_t count)
{
    return (count + kBlock - 1) / kBlock;
}

void EmptyDefault(EffectDefault& effectDefault)
{
    BaseLib::StrFree(effectDefault.pParamName);
    effectDefault.pParamName = nullptr;
    std::free(effectDefault.pValue);
    effectDefault.pValue = nullptr;
    effectDefault.NumBytes = 0;
}

bool NamesEqual(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
    {
        return a == b;
    }
    return std::strcmp(a, b) == 0;
}

// prefix + the file-name part of name, cut at 511 characters.
std::string Prefixed(const char* prefix, const char* name)
{
    char text[512];
    std::snprintf(text, sizeof text, "%s%s", prefix, BaseLib::GetFileName(name).c_str());
    return text;
}

} // namespace

void InitEffectInstance(EffectInstance& instance)
{
    instance.pEffectFilename = nullptr;
    instance.NumDefaults = 0;
    instance.pDefaults = nullptr;
}

void FreeEffectInstance(EffectInstance& instance)
{
    ResizeEffectDefaults(instance, 0);
    BaseLib::StrFree(instance.pEffectFilename);
    instance.pEffectFilename = nullptr;
}

void ResizeEffectDefaults(EffectInstance& instance, std::uint32_t count)
{
    const std::uint32_t old = instance.NumDefaults;
    if (count == old)
    {
        return;
    }
    for (std::uint32_t i = count; i < old; ++i)
    {
        EmptyDefault(instance.pDefaults[i]);
    }
    if (Blocks(count) != Blocks(old))
    {
        if (count == 0)
        {
            std::free(instance.pDefaults);
            instance.pDefaults = nullptr;
        }
        else
        {
            auto* grown = static_cast<EffectDefault*>(
                std::realloc(instance.pDefaults, sizeof(EffectDefault) * Blocks(count) * kBlock));
            if (grown == nullptr)
            {
                std::abort();
            }
            instance.pDefaults = grown;
        }
    }
    for (std::uint32_t i = old; i < count; ++i)
    {
        instance.pDefaults[i] = EffectDefault{nullptr, Unfilled, 0, nullptr};
    }
    instance.NumDefaults = count;
}

void SetEffectDefaultValue(EffectDefault& effectDefault, const void* data, std::uint32_t count)
{
    if (count == 0)
    {
        std::free(effectDefault.pValue);
        effectDefault.pValue = nullptr;
    }
    else if (effectDefault.NumBytes == 0 || effectDefault.pValue == nullptr)
    {
        std::free(effectDefault.pValue);
        effectDefault.pValue = std::calloc(count, 1);
    }
    else if (effectDefault.NumBytes != count)
    {
        void* resized = std::realloc(effectDefault.pValue, count);
        if (resized != nullptr && count > effectDefault.NumBytes)
        {
            std::memset(static_cast<char*>(resized) + effectDefault.NumBytes, 0,
                        count - effectDefault.NumBytes);
        }
        effectDefault.pValue = resized;
    }
    if (count != 0 && effectDefault.pValue == nullptr)
    {
        std::abort();
    }
    effectDefault.NumBytes = count;
    if (count != 0 && data != nullptr)
    {
        std::memcpy(effectDefault.pValue, data, count);
    }
}

EffectDefault* FindEffectDefault(EffectInstance& instance, const char* name, bool create)
{
    for (std::uint32_t i = 0; i < instance.NumDefaults; ++i)
    {
        if (NamesEqual(instance.pDefaults[i].pParamName, name))
        {
            return &instance.pDefaults[i];
        }
    }
    return create ? AppendEffectDefault(instance, name) : nullptr;
}

EffectDefault* AppendEffectDefault(EffectInstance& instance, const char* name)
{
    ResizeEffectDefaults(instance, instance.NumDefaults + 1);
    EffectDefault& added = instance.pDefaults[instance.NumDefaults - 1];
    added.pParamName = BaseLib::StrDup(name);
    return &added;
}

void CopyEffectDefaults(EffectInstance& destination, const EffectDefault* source, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
    {
        EffectDefault& target = destination.pDefaults[i];
        target.Type = source[i].Type;
        if (target.pParamName != source[i].pParamName)
        {
            BaseLib::StrFree(target.pParamName);
            target.pParamName = BaseLib::StrDup(source[i].pParamName);
        }
        SetEffectDefaultValue(target, source[i].pValue, source[i].pValue == nullptr ? 0 : source[i].NumBytes);
    }
}

bool EffectDefaultsEqual(const EffectDefault& a, const EffectDefault& b)
{
    if (a.Type != b.Type || a.NumBytes != b.NumBytes || !NamesEqual(a.pParamName, b.pParamName))
    {
        return false;
    }
    if (a.NumBytes == 0)
    {
        return true;
    }
    if (a.pValue == nullptr || b.pValue == nullptr)
    {
        return a.pValue == b.pValue;
    }
    return std::memcmp(a.pValue, b.pValue, a.NumBytes) == 0;
}

bool EffectInstancesEqual(const EffectInstance& a, const EffectInstance& b)
{
    if (a.NumDefaults != b.NumDefaults || !NamesEqual(a.pEffectFilename, b.pEffectFilename))
    {
        return false;
    }
    auto& searched = const_cast<EffectInstance&>(b);
    for (std::uint32_t i = 0; i < a.NumDefaults; ++i)
    {
        const EffectDefault* found = FindEffectDefault(searched, a.pDefaults[i].pParamName, false);
        if (found == nullptr || !EffectDefaultsEqual(a.pDefaults[i], *found))
        {
            return false;
        }
    }
    return true;
}

void PrefixXFileReferences(EffectInstance& instance, const char* texturePrefix)
{
    if (instance.pEffectFilename != nullptr)
    {
        char* renamed = BaseLib::StrDup(Prefixed("xfl-shader>", instance.pEffectFilename).c_str());
        BaseLib::StrFree(instance.pEffectFilename);
        instance.pEffectFilename = renamed;
    }
    if (texturePrefix == nullptr)
    {
        return;
    }
    for (std::uint32_t i = 0; i < instance.NumDefaults; ++i)
    {
        EffectDefault& effectDefault = instance.pDefaults[i];
        if (effectDefault.Type != String || effectDefault.pValue == nullptr)
        {
            continue;
        }
        const std::string value = Prefixed(
            texturePrefix,
            std::string(static_cast<const char*>(effectDefault.pValue),
                        strnlen(static_cast<const char*>(effectDefault.pValue), effectDefault.NumBytes))
                .c_str());
        SetEffectDefaultValue(effectDefault, value.c_str(), static_cast<std::uint32_t>(value.size() + 1));
    }
}

} // namespace Qen
