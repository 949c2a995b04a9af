#pragma once

namespace UILib
{

// A user object that a control keeps for its owner (a list item's or a tree node's data). The control
// owns it: it calls Release exactly once when it lets go of the object.
class CUserData
{
public:
    virtual ~CUserData() = default;
    // Frees the object; the default deletes it.
    virtual void Release() { delete this; }
};

} // namespace UILib
