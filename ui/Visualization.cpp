#include "ui/Visualization.h"

#include "foundation/TypeTag.h"
#include "ui/StandardVisualization.h"

namespace UILib
{

namespace
{

CVisualizationRegistry* g_instance = nullptr;

} // namespace

CVisualizationRegistry::CVisualizationRegistry()
{
    g_instance = this;
    // The system's one theme, made on its first lookup.
    Register(BaseLib::MakeTypeTag("STND"), &CStandardVisualization::Create);
}

CVisualizationRegistry::~CVisualizationRegistry()
{
    for (auto& [tag, visualization] : m_objects)
    {
        visualization->Destroy();
    }
    m_objects.clear();
    m_creators.clear();
    if (g_instance == this)
    {
        g_instance = nullptr;
    }
}

CVisualizationRegistry* CVisualizationRegistry::GetInstance()
{
    return g_instance;
}

void CVisualizationRegistry::Register(std::uint32_t tag, Creator creator)
{
    m_creators[tag] = std::move(creator);
}

CVisualization* CVisualizationRegistry::GetVisualization(std::uint32_t tag)
{
    const auto made = m_objects.find(tag);
    if (made != m_objects.end())
    {
        return made->second;
    }
    const auto creator = m_creators.find(tag);
    if (creator == m_creators.end() || !creator->second)
    {
        return nullptr;
    }
    CVisualization* visualization = creator->second();
    if (visualization != nullptr)
    {
        m_objects.emplace(tag, visualization);
    }
    return visualization;
}

} // namespace UILib
