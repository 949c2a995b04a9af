#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Gfx
{
class BaseTexture;
}

namespace Platform::GfxKit
{

// Where a parameter's value lives: numeric bytes packed as the parameter's Bytes say, a string's text,
// or a texture (one reference held, given back when the slot goes).
struct ValueSlot
{
    ValueSlot() = default;
    ValueSlot(const ValueSlot&) = delete;
    ValueSlot& operator=(const ValueSlot&) = delete;
    ~ValueSlot();

    std::vector<std::uint8_t> bytes;
    std::string text;
    Gfx::BaseTexture* texture = nullptr;
};

// A shared parameter's value in a pool, with the declaration that made it.
struct PoolEntry
{
    std::string signature; // its type, members and elements written out; later declarations must match
    std::string file;
    std::uint32_t line = 0;
    ValueSlot slot;
};

// The values of the `shared` parameters of every effect made with the pool. The first effect that
// declares a shared parameter creates its value; the pool keeps every value (and the reference to
// every texture set on one) until its last reference goes. Effects made with the pool hold one
// reference each.
class EffectPool : public Gfx::CountedObject
{
public:
    // Null when the pool has no value of that name.
    PoolEntry* Find(const std::string& name);
    // Takes a new value; the name must not be in the pool yet.
    PoolEntry* Add(const std::string& name, std::unique_ptr<PoolEntry> entry);

    static EffectPool* Make() { return new EffectPool; }

private:
    EffectPool() = default;
    ~EffectPool() override = default;

    std::map<std::string, std::unique_ptr<PoolEntry>, std::less<>> entries_;
};

// InvalidCall when pool is null.
Gfx::Result CreateEffectPool(EffectPool** pool);

} // namespace Platform::GfxKit
