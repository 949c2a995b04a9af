#include "ui/controls/MultiLayerAnimatedLabel.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"
#include "ui/BitmapFactory.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/AnimatedLabel.h"
#include "ui/controls/PropertyTable.h"

#include <tinyxml.h>

#include <cstring>

namespace UILib
{

using BaseLib::CString;

namespace
{

const CPropertyTable<CMultiLayerAnimatedLabel>& MultiLayerAnimatedLabelProperties()
{
    using L = CMultiLayerAnimatedLabel;
    static const CPropertyTable<L> table = [] {
        CPropertyTable<L> t;
        t.Bool("Background", "Fill background with color?", true, &L::SetBackground, &L::GetBackground);
        t.Filename("File", "Xml Animation File", "*.xml", &L::SetFile, &L::GetFile);
        return t;
    }();
    return table;
}

CWindow* ResolveWindow(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

// The name through the window system's path aliases; as given while there are none.
std::string ResolvedName(const std::string& name)
{
    const CUILibSystem* system = CUILibSystem::GetInstance();
    const BaseLib::CPathAliases* aliases = system != nullptr ? system->GetPathAliases() : nullptr;
    return aliases != nullptr ? aliases->ResolvePath(name) : name;
}

// Why a load failed, for the trace.
std::string LoadFailure(const TiXmlDocument& document)
{
    return document.Error() ? std::string("not XML: ") + document.ErrorDesc() : std::string("cannot be read");
}

// "%i" of the attribute: decimal, 0x hexadecimal, leading-zero octal; -1 when missing or unreadable.
int MillisecondsAttribute(const TiXmlElement* element, const char* name)
{
    return BaseLib::XmlGetIntAttribute(element, name, -1);
}

} // namespace

CMultiLayerAnimatedLabel::CMultiLayerAnimatedLabel() = default;

CMultiLayerAnimatedLabel::~CMultiLayerAnimatedLabel() = default;

CWindow* CMultiLayerAnimatedLabel::Create()
{
    return new CMultiLayerAnimatedLabel();
}

void CMultiLayerAnimatedLabel::GetProperties(CPropertyList& list)
{
    CWindow::GetProperties(list);
    MultiLayerAnimatedLabelProperties().AppendTo(list, this);
}

void CMultiLayerAnimatedLabel::Paint(CDrawContext&)
{
}

CAnimatedLabel* CMultiLayerAnimatedLabel::GetLayer(int index) const
{
    if (index < 0 || index >= GetLayerCount())
    {
        return nullptr;
    }
    return static_cast<CAnimatedLabel*>(ResolveWindow(m_layers[static_cast<std::size_t>(index)]));
}

void CMultiLayerAnimatedLabel::SetWriteAlpha(bool writeAlpha)
{
    CWindow::SetWriteAlpha(writeAlpha);
    for (int i = 0; i < GetLayerCount(); ++i)
    {
        if (CAnimatedLabel* layer = GetLayer(i))
        {
            layer->SetWriteAlpha(true);
        }
    }
}

bool CMultiLayerAnimatedLabel::OnMessage(const CWindowMessage& message)
{
    if (message.Is("sChWSize"))
    {
        if (CWindow* child = ResolveWindow(message.second))
        {
            EnsureMinimumSize(child->GetSize());
        }
    }
    return CWindow::OnMessage(message);
}

bool CMultiLayerAnimatedLabel::GetBackground() const
{
    const CAnimatedLabel* bottom = GetLayer(0);
    return bottom == nullptr || bottom->GetBackground();
}

void CMultiLayerAnimatedLabel::SetBackground(bool on)
{
    CAnimatedLabel* bottom = GetLayer(0);
    if (bottom == nullptr)
    {
        return;
    }
    bottom->SetBackground(on);
    SetTransparent(bottom->IsTransparent());
}

CAnimatedLabel* CMultiLayerAnimatedLabel::AddLayer()
{
    auto* layer = static_cast<CAnimatedLabel*>(CAnimatedLabel::Create());
    layer->SetSize(m_width, m_height);
    layer->SetBackground(m_layers.empty());
    layer->SetWriteAlpha(GetWriteAlpha());
    layer->SetName("__sublabel");
    AddChild(layer->GetHandle());
    m_layers.push_back(layer->GetHandle());
    return layer;
}

void CMultiLayerAnimatedLabel::ClearLayers()
{
    for (int i = 0; i < GetLayerCount(); ++i)
    {
        if (CAnimatedLabel* layer = GetLayer(i))
        {
            layer->Destroy();
        }
    }
    m_layers.clear();
}

void CMultiLayerAnimatedLabel::SetFile(const CString& file)
{
    if (!LoadFile(file))
    {
        return;
    }
    for (int i = 0; i < GetLayerCount(); ++i)
    {
        if (CAnimatedLabel* layer = GetLayer(i))
        {
            layer->Start();
        }
    }
}

bool CMultiLayerAnimatedLabel::LoadFile(const CString& file)
{
    m_file = file;
    const std::string name(static_cast<const char*>(file));
    // Never TinyXML's own LoadFile: XmlLoadFile opens case-blind, limits the nesting and answers false
    // for a folder (an empty name ends up as the search folders themselves).
    std::vector<std::string> tried{ResolvedName(name)};
    if (const CBitmapFactory* bitmaps = CBitmapFactory::GetCurrent())
    {
        for (const std::string& folder : bitmaps->GetSearchPaths())
        {
            tried.push_back(folder + tried.front());
        }
    }
    std::string failures;
    for (const std::string& path : tried)
    {
        TiXmlDocument document;
        if (BaseLib::XmlLoadFile(document, path))
        {
            BuildLayers(document, path);
            return true;
        }
        failures += (failures.empty() ? "\"" : ", \"") + path + "\" (" + LoadFailure(document) + ")";
    }
    if (!name.empty())
    {
        BaseLib::DebugOutput("CMultiLayerAnimatedLabel: Error: '%s': animation file \"%s\" not loaded, tried %s\n",
                             static_cast<const char*>(m_name), name.c_str(), failures.c_str());
    }
    return false;
}

void CMultiLayerAnimatedLabel::BuildLayers(const TiXmlDocument& document, const std::string& fileName)
{
    ClearLayers();
    const TiXmlElement* root = document.FirstChildElement("layeredanimation");
    if (root == nullptr)
    {
        BaseLib::DebugOutput("CMultiLayerAnimatedLabel: Error: \"%s\": no \"layeredanimation\" element, no layers\n",
                             fileName.c_str());
        return;
    }
    for (const TiXmlElement* layerElement = root->FirstChildElement("layer"); layerElement != nullptr;
         layerElement = layerElement->NextSiblingElement("layer"))
    {
        CAnimatedLabel* layer = AddLayer();
        const char* mode = layerElement->Attribute("mode");
        layer->SetMode(mode == nullptr                         ? CAnimatedLabel::Forwards
                       : std::strcmp(mode, "pingpong") == 0   ? CAnimatedLabel::PingPong
                       : std::strcmp(mode, "backwards") == 0  ? CAnimatedLabel::Backwards
                                                               : CAnimatedLabel::Forwards);
        layer->SetDefaultDisplayTime(MillisecondsAttribute(layerElement, "defaultdisplaytime"));
        for (const TiXmlElement* image = layerElement->FirstChildElement("image"); image != nullptr;
             image = image->NextSiblingElement("image"))
        {
            const char* frameFile = image->Attribute("file");
            layer->AddFrame(frameFile != nullptr ? CString(frameFile) : CString(),
                            MillisecondsAttribute(image, "displaytime"));
        }
        layer->FitToContent(true);
    }
}

} // namespace UILib
