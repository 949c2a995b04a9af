#pragma once

#include "ui/HandleTable.h"
#include "ui/WindowManager.h"

namespace UILib
{

// The window behind a handle the caller knows the class of; null for 0, for a window that is gone and
// while no window manager runs.
template <typename W> W* ResolveAs(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? static_cast<W*>(manager->Resolve(handle)) : nullptr;
}

} // namespace UILib
