#include "platform/gfxkit/effect/EffectPool.h"

#include "platform/gfx/Texture.h"

namespace Platform::GfxKit
{

ValueSlot::~ValueSlot()
{
    if (texture)
    {
        texture->Release();
    }
}

PoolEntry* EffectPool::Find(const std::string& name)
{
    const auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : found->second.get();
}

PoolEntry* EffectPool::Add(const std::string& name, std::unique_ptr<PoolEntry> entry)
{
    PoolEntry* added = entry.get();
    entries_.emplace(name, std::move(entry));
    return added;
}

Gfx::Result CreateEffectPool(EffectPool** pool)
{
    if (!pool)
    {
        return Gfx::InvalidCall;
    }
    *pool = EffectPool::Make();
    return Gfx::Ok;
}

} // namespace Platform::GfxKit
