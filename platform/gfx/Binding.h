#pragma once

// How the device layer takes internal references to its objects.
namespace Platform::Gfx
{

// Makes a newly created object its owner's alone: no counted reference, one internal one.
template <typename T> T* Adopt(T* object)
{
    if (object)
    {
        object->Hold();
        object->Release();
    }
    return object;
}

// Points a binding slot at another object (or null), holding the new one before letting the old go.
template <typename T> void Rebind(T*& slot, T* object)
{
    if (object)
    {
        object->Hold();
    }
    if (slot)
    {
        slot->Drop();
    }
    slot = object;
}

} // namespace Platform::Gfx
