#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class TiXmlDocument;
class TiXmlElement;
class TiXmlNode;

namespace UILib
{

class CWindow;

// Creates windows by class name and reads interface layout files into a parent window. One instance is
// owned by the window system (CUILibSystem). Main thread only.
//
// Layout files: a "layout" root whose "window" children are the top-level windows. A "window" element
// names its class in "type" and holds "property", "animation" and child "window" elements; one whose
// "name" begins with "__" addresses the parent's existing internal child of that name instead of
// creating a window. Every failure leaves one trace line naming the file (as given and as resolved) and,
// where there is one, the line of the element and what is wrong.
class CWindowFactory
{
public:
    using Creator = std::function<CWindow*()>;
    // Registers further classes on a new factory. The controls library installs its registration here
    // before the window system starts.
    using RegistrationHook = void (*)(CWindowFactory& factory);

    // Registers "CWindow", "CPanel" and "CTransparentWindow", then runs the registration hook when set.
    CWindowFactory();
    CWindowFactory(const CWindowFactory&) = delete;
    CWindowFactory& operator=(const CWindowFactory&) = delete;

    // The hook every later factory runs (null: none); returns the one it replaces.
    static RegistrationHook SetRegistrationHook(RegistrationHook hook);

    // A name registered again replaces its creator. Names compare byte-wise.
    void RegisterClass(const std::string& name, Creator creator);
    bool IsClassRegistered(const std::string& name) const;
    // A new window of the class, null when the name is not registered.
    CWindow* CreateWindowOfType(const std::string& name) const;
    std::vector<std::string> GetClassNames() const;

    // Reads the first top-level window into parent and returns it. Null when the file cannot be read or
    // parsed, its root is not "layout", it has no "window" element or the first window cannot be made.
    // When a descendant fails, the first window is returned as far as it was built, without parent: the
    // caller then owns it. File names go through the window system's path aliases when it has them.
    CWindow* LoadLayout(const std::string& file, CWindow* parent);
    // Reads every top-level window in document order into parent, appending each to list when given.
    // False for a bad file or root and at the first top-level window that fails (reading stops; the
    // windows before it stay, the failed one is deleted); true otherwise, also without windows.
    bool LoadLayoutWindows(const std::string& file, CWindow* parent, std::vector<CWindow*>* list);
    // Reads one "window" element: its child windows first, then its own properties and animations, then
    // a created window is attached to parent (when given) and an always-on-top window raised above its
    // siblings. out, when given, receives the window at once. On failure a window created for this
    // element is deleted with its children (an addressed "__" child never is), out is cleared and false
    // returned.
    bool ReadWindowElement(const TiXmlElement* element, CWindow* parent, CWindow** out);

private:
    // Reads and parses the file and finds its "layout" root; null (with a trace) when that fails.
    const TiXmlElement* OpenLayout(const std::string& file, TiXmlDocument& document) const;
    // keepFailed: a created window whose element fails is kept and left in out instead of deleted.
    bool ReadElement(const TiXmlElement* element, CWindow* parent, CWindow** out, bool keepFailed);

    std::map<std::string, Creator> m_classes;
};

// "layout <file>, line <n>" for a node of a document the factory read (the document's value names the
// file); the start of every layout trace line.
std::string DescribeLayoutPlace(const TiXmlNode* node);

} // namespace UILib
