#pragma once

#include <cstdint>

namespace Platform::Gfx
{

// Base of every object of the device layer. An object starts with one reference held by its
// creator; AddRef and Release return the new count. Besides these counted references the device
// holds internal ones (bindings, ownership) that the count does not show: the object is destroyed
// only when both have gone, so an object released while bound stays usable until it is unbound.
class CountedObject
{
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    std::uint32_t AddRef();
    // Releasing an object whose count is already 0 is a caller error: asserted, then ignored.
    std::uint32_t Release();

    // References held from outside the device.
    std::uint32_t RefCount() const { return refs_; }

    // Internal references of the device layer.
    void Hold();
    void Drop();

protected:
    CountedObject() = default;
    virtual ~CountedObject() = default;

    // Called once the counted references reach 0 while internal ones may remain.
    virtual void OnUnreferenced() {}

private:
    void DestroyIfUnused();

    std::uint32_t refs_ = 1;
    std::uint32_t holds_ = 0;
};

} // namespace Platform::Gfx
