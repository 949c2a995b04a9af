#include "game/menus/LayoutWindows.h"

#include "foundation/Debug.h"
#include "game/FileTranslator.h"
#include "ui/WindowManager.h"

UILib::CWindow* FindLayoutWindow(UILib::CWindow& parent, const std::string& layoutFile, const char* name,
                                 const char* expectedClass)
{
    UILib::CWindow* window = parent.FindChildByName(BaseLib::CString(name), true, expectedClass);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("%s: no window \"%s\"%s%s; that part of the page does nothing\n",
                             layoutFile.c_str(), name, expectedClass != nullptr ? " of the class " : "",
                             expectedClass != nullptr ? expectedClass : "");
    }
    return window;
}

UILib::CWindow* ResolveLayoutWindow(UILib::Handle handle)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    return handle != 0 && windows != nullptr ? windows->Resolve(handle) : nullptr;
}

std::string TranslatedLayout(const std::string& layoutFile)
{
    const CFileTranslator* translator = CFileTranslator::GetInstance();
    return translator != nullptr ? translator->Translate(layoutFile) : layoutFile;
}
