#include "ui/WindowFactory.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstring>

namespace UILib
{

namespace
{

CWindowFactory::RegistrationHook g_registrationHook = nullptr;

bool IsInternalName(const char* name)
{
    return name != nullptr && std::strlen(name) >= 2 && name[0] == '_' && name[1] == '_';
}

std::vector<Handle> ChildHandles(const CWindow* parent)
{
    std::vector<Handle> handles;
    for (std::int32_t i = 0; i < parent->GetChildCount(); ++i)
    {
        handles.push_back(parent->GetChildHandle(i));
    }
    return handles;
}

// Switching the topmost always-on-top sibling off and on re-sorts the always-on-top siblings above it,
// bringing the window up. Activation does nothing next to an open modal window (and for the focus), so
// the rounds stop as soon as one leaves the order unchanged, and there are never more than siblings.
void RaiseAlwaysOnTop(CWindow* parent, CWindow* window)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    if (manager == nullptr || !window->IsAlwaysOnTop())
    {
        return;
    }
    const std::int32_t rounds = parent->GetChildCount();
    for (std::int32_t round = 0; round < rounds; ++round)
    {
        const std::vector<Handle> before = ChildHandles(parent);
        if (before.empty() || before.back() == window->GetHandle())
        {
            return;
        }
        CWindow* top = manager->Resolve(before.back());
        if (top == nullptr || !top->IsAlwaysOnTop() ||
            std::find(before.begin(), before.end(), window->GetHandle()) == before.end())
        {
            return;
        }
        top->SetAlwaysOnTop(false);
        top->SetAlwaysOnTop(true);
        if (ChildHandles(parent) == before)
        {
            return;
        }
    }
}

} // namespace

std::string DescribeLayoutPlace(const TiXmlNode* node)
{
    const TiXmlDocument* document = node != nullptr ? node->GetDocument() : nullptr;
    std::string place = "layout ";
    place += document != nullptr && document->Value()[0] != '\0' ? document->Value() : "(unnamed)";
    if (node != nullptr && node != document && node->Row() > 0)
    {
        place += ", line " + std::to_string(node->Row());
    }
    return place;
}

CWindowFactory::CWindowFactory()
{
    RegisterClass("CWindow", &CWindow::Create);
    RegisterClass("CPanel", &CPanel::Create);
    RegisterClass("CTransparentWindow", &CTransparentWindow::Create);
    if (g_registrationHook != nullptr)
    {
        g_registrationHook(*this);
    }
}

CWindowFactory::RegistrationHook CWindowFactory::SetRegistrationHook(RegistrationHook hook)
{
    const RegistrationHook previous = g_registrationHook;
    g_registrationHook = hook;
    return previous;
}

void CWindowFactory::RegisterClass(const std::string& name, Creator creator)
{
    m_classes[name] = std::move(creator);
}

bool CWindowFactory::IsClassRegistered(const std::string& name) const
{
    return m_classes.count(name) != 0;
}

CWindow* CWindowFactory::CreateWindowOfType(const std::string& name) const
{
    const auto found = m_classes.find(name);
    return found != m_classes.end() && found->second ? found->second() : nullptr;
}

std::vector<std::string> CWindowFactory::GetClassNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_classes)
    {
        names.push_back(entry.first);
    }
    return names;
}

const TiXmlElement* CWindowFactory::OpenLayout(const std::string& file, TiXmlDocument& document) const
{
    const CUILibSystem* system = CUILibSystem::GetInstance();
    const BaseLib::CPathAliases* aliases = system != nullptr ? system->GetPathAliases() : nullptr;
    const std::string resolved = aliases != nullptr ? aliases->ResolvePath(file) : file;
    // The document's value names the file in every trace about its elements.
    document.SetValue(resolved == file ? file : file + " (" + resolved + ")");
    if (!BaseLib::XmlLoadFile(document, resolved))
    {
        if (!document.Error())
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: the file cannot be read\n",
                                 DescribeLayoutPlace(&document).c_str());
        }
        else if (document.ErrorRow() == 0 && document.ErrorId() == TiXmlBase::TIXML_ERROR_PARSING_ELEMENT)
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: not read: elements nested deeper than %d levels\n",
                                 DescribeLayoutPlace(&document).c_str(), BaseLib::XmlMaxNesting);
        }
        else if (document.ErrorRow() == 0)
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: not XML: %s\n", DescribeLayoutPlace(&document).c_str(),
                                 document.ErrorDesc());
        }
        else
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: not XML: %s at line %d, column %d\n",
                                 DescribeLayoutPlace(&document).c_str(), document.ErrorDesc(), document.ErrorRow(),
                                 document.ErrorCol());
        }
        return nullptr;
    }
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr || std::strcmp(root->Value(), "layout") != 0)
    {
        BaseLib::DebugOutput("WindowFactory: Error: %s: the root element is not \"layout\"\n",
                             DescribeLayoutPlace(root != nullptr ? static_cast<const TiXmlNode*>(root) : &document)
                                 .c_str());
        return nullptr;
    }
    return root;
}

CWindow* CWindowFactory::LoadLayout(const std::string& file, CWindow* parent)
{
    TiXmlDocument document;
    const TiXmlElement* root = OpenLayout(file, document);
    if (root == nullptr)
    {
        return nullptr;
    }
    const TiXmlElement* first = root->FirstChildElement("window");
    if (first == nullptr)
    {
        BaseLib::DebugOutput("WindowFactory: Error: %s: no \"window\" element\n", DescribeLayoutPlace(root).c_str());
        return nullptr;
    }
    CWindow* window = nullptr;
    ReadElement(first, parent, &window, true);
    return window;
}

bool CWindowFactory::LoadLayoutWindows(const std::string& file, CWindow* parent, std::vector<CWindow*>* list)
{
    TiXmlDocument document;
    const TiXmlElement* root = OpenLayout(file, document);
    if (root == nullptr)
    {
        return false;
    }
    for (const TiXmlElement* element = root->FirstChildElement("window"); element != nullptr;
         element = element->NextSiblingElement("window"))
    {
        CWindow* window = nullptr;
        if (!ReadElement(element, parent, &window, false))
        {
            return false;
        }
        if (list != nullptr)
        {
            list->push_back(window);
        }
    }
    return true;
}

bool CWindowFactory::ReadWindowElement(const TiXmlElement* element, CWindow* parent, CWindow** out)
{
    return ReadElement(element, parent, out, false);
}

bool CWindowFactory::ReadElement(const TiXmlElement* element, CWindow* parent, CWindow** out, bool keepFailed)
{
    if (out != nullptr)
    {
        *out = nullptr;
    }
    const char* name = element->Attribute("name");
    CWindow* window = nullptr;
    bool created = false;
    if (IsInternalName(name))
    {
        if (parent != nullptr)
        {
            window = parent->FindChildByName(name, false, "");
        }
        if (window == nullptr)
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: %s has no internal child \"%s\"\n",
                                 DescribeLayoutPlace(element).c_str(),
                                 parent != nullptr ? parent->GetClassName() : "a window without parent", name);
            return false;
        }
    }
    else
    {
        const char* type = element->Attribute("type");
        if (type == nullptr)
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: the window has no \"type\"\n",
                                 DescribeLayoutPlace(element).c_str());
            return false;
        }
        window = CreateWindowOfType(type);
        if (window == nullptr)
        {
            BaseLib::DebugOutput("WindowFactory: Error: %s: the window type \"%s\" is not registered\n",
                                 DescribeLayoutPlace(element).c_str(), type);
            return false;
        }
        created = true;
    }
    if (out != nullptr)
    {
        *out = window;
    }

    for (const TiXmlElement* child = element->FirstChildElement("window"); child != nullptr;
         child = child->NextSiblingElement("window"))
    {
        if (!ReadElement(child, window, nullptr, false))
        {
            // A window nobody holds would stay registered until shut-down.
            if (created && !keepFailed)
            {
                window->Delete();
                if (out != nullptr)
                {
                    *out = nullptr;
                }
            }
            return false;
        }
    }

    window->LoadXml(element);
    if (created && parent != nullptr)
    {
        parent->AddChild(window->GetHandle());
    }
    if (parent != nullptr)
    {
        RaiseAlwaysOnTop(parent, window);
    }
    return true;
}

} // namespace UILib
