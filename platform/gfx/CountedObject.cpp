#include "platform/gfx/CountedObject.h"

#include <cassert>

namespace Platform::Gfx
{

std::uint32_t CountedObject::AddRef()
{
    return ++refs_;
}

std::uint32_t CountedObject::Release()
{
    assert(refs_ > 0);
    if (refs_ == 0)
    {
        return 0;
    }
    const std::uint32_t remaining = --refs_;
    if (remaining == 0)
    {
        // Keep the object alive while it lets go of what it holds: that may drop the last
        // internal reference to it.
        ++holds_;
        OnUnreferenced();
        --holds_;
        DestroyIfUnused();
    }
    return remaining;
}

void CountedObject::Hold()
{
    ++holds_;
}

void CountedObject::Drop()
{
    assert(holds_ > 0);
    if (holds_ == 0)
    {
        return;
    }
    --holds_;
    DestroyIfUnused();
}

void CountedObject::DestroyIfUnused()
{
    if (refs_ == 0 && holds_ == 0)
    {
        delete this;
    }
}

} // namespace Platform::Gfx
