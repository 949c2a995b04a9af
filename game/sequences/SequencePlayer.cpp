#include "game/sequences/SequencePlayer.h"

#include "foundation/Debug.h"
#include "foundation/Xml.h"
#include "platform/os/Files.h"

#include <cstdio>

namespace
{

// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& text)
{
    std::FILE* file = Platform::OpenFile(path, "rb");
    if (file == nullptr)
    {
        return false;
    }
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof(buffer), file)) > 0;)
    {
        text.append(buffer, count);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

} // namespace

void CSequencePlayer::RegisterCommands()
{
    RegisterAction("waitforall", ActionDelegate(this, &CSequencePlayer::WaitForAll));
    RegisterAction("waitforany", ActionDelegate(this, &CSequencePlayer::WaitForAny));
    RegisterAction("waitforever", ActionDelegate(this, &CSequencePlayer::WaitForever));
    RegisterAction("switchtoscene", ActionDelegate(this, &CSequencePlayer::SwitchToSceneAction));
    RegisterAction("switchtosceneifall", ActionDelegate(this, &CSequencePlayer::SwitchToSceneIfAll));
    RegisterAction("switchtosceneifany", ActionDelegate(this, &CSequencePlayer::SwitchToSceneIfAny));
    RegisterAction("endsequence", ActionDelegate(this, &CSequencePlayer::EndSequence));
    RegisterAction("switchtosequence", ActionDelegate(this, &CSequencePlayer::SwitchToSequence));
}

void CSequencePlayer::Shutdown()
{
    Stop();
}

bool CSequencePlayer::Load(const std::string& path)
{
    m_document.Clear();
    m_root = nullptr;
    m_scene = nullptr;
    m_element = nullptr;
    m_traced.clear();
    m_fileName = path;
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text))
    {
        error = "the file could not be read";
    }
    else if (const int depth = BaseLib::XmlNestingDepth(text.c_str()); depth < 0 || depth > BaseLib::XmlMaxNesting)
    {
        // TinyXML parses recursively: a text nested this deep would overflow the stack.
        error = "the elements nest too deeply";
    }
    else
    {
        m_document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
        if (m_document.Error())
        {
            error = m_document.ErrorDesc() != nullptr ? m_document.ErrorDesc() : "unknown parse error";
        }
    }
    if (!error.empty())
    {
        BaseLib::DebugOutput("failed to load xml file!\n");
        BaseLib::DebugOutput("file = %s\n", path.c_str());
        BaseLib::DebugOutput("error = %s\n", error.c_str());
        BaseLib::DebugOutput("line = %d, column = %d\n", m_document.ErrorRow(), m_document.ErrorCol());
        m_document.Clear();
        return false;
    }
    m_root = m_document.FirstChildElement("sequence");
    return true;
}

void CSequencePlayer::Unload()
{
    m_document.Clear();
    m_root = nullptr;
    m_scene = nullptr;
    m_element = nullptr;
    m_traced.clear();
}

void CSequencePlayer::Start()
{
    NextScene();
}

void CSequencePlayer::Stop()
{
    if (m_scene == nullptr)
    {
        return;
    }
    OnSceneLeave();
    m_scene = nullptr;
    m_element = nullptr;
    OnSequenceEnd();
}

void CSequencePlayer::Update(double dt)
{
    if (m_scene == nullptr)
    {
        return;
    }
    if (m_element == nullptr)
    {
        NextScene();
    }
    // A script that switches in a circle never reaches a waiting element: the frame ends at a limit
    // and the script goes on in the next one.
    m_sequenceSwitches = 0;
    int steps = 0;
    while (m_element != nullptr)
    {
        if (steps >= MaxStepsPerFrame || m_sequenceSwitches >= MaxSequenceSwitchesPerFrame)
        {
            BaseLib::DebugOutput("sequence %s: too many steps in one frame, going on next frame\n", m_fileName.c_str());
            return;
        }
        ++steps;
        const ActionDelegate* action = FindAction(m_element);
        if (action != nullptr && (*action)(m_element, dt))
        {
            return;
        }
        Advance();
    }
}

void CSequencePlayer::OnSceneEnter()
{
    const TiXmlElement* resources = m_scene != nullptr ? m_scene->FirstChildElement("resources") : nullptr;
    for (const TiXmlElement* resource = resources != nullptr ? resources->FirstChildElement() : nullptr;
         resource != nullptr; resource = resource->NextSiblingElement())
    {
        if (const ResourceDelegate* command = FindResource(resource))
        {
            (*command)(resource);
        }
    }
    m_pendingScene.reset();
}

void CSequencePlayer::RegisterAction(const std::string& name, const ActionDelegate& action)
{
    m_actions[name] = action;
}

void CSequencePlayer::RegisterCondition(const std::string& name, const ConditionDelegate& condition)
{
    m_conditions[name] = condition;
}

void CSequencePlayer::RegisterResource(const std::string& name, const ResourceDelegate& resource)
{
    m_resources[name] = resource;
}

const CSequencePlayer::ActionDelegate* CSequencePlayer::FindAction(const TiXmlElement* element)
{
    const auto found = m_actions.find(element->Value());
    if (found == m_actions.end())
    {
        TraceOnce(element, std::string("an action with the name '") + element->Value() + "' is not registered\n");
        return nullptr;
    }
    return &found->second;
}

const CSequencePlayer::ConditionDelegate* CSequencePlayer::FindCondition(const TiXmlElement* element)
{
    const auto found = m_conditions.find(element->Value());
    if (found == m_conditions.end())
    {
        TraceOnce(element, std::string("a condition with the name '") + element->Value() + "' is not registered\n");
        return nullptr;
    }
    return &found->second;
}

const CSequencePlayer::ResourceDelegate* CSequencePlayer::FindResource(const TiXmlElement* element)
{
    const auto found = m_resources.find(element->Value());
    if (found == m_resources.end())
    {
        TraceOnce(element, std::string("a resource with the name '") + element->Value() + "' is not registered\n");
        return nullptr;
    }
    return &found->second;
}

std::string CSequencePlayer::GetSceneId() const
{
    return m_scene != nullptr ? GetAttribute(m_scene, "id") : std::string();
}

std::string CSequencePlayer::GetAttribute(const TiXmlElement* element, const char* name, const std::string& fallback)
{
    return BaseLib::XmlGetStringAttribute(element, name, fallback);
}

int CSequencePlayer::GetIntAttribute(const TiXmlElement* element, const char* name, int fallback)
{
    return BaseLib::XmlGetIntAttribute(element, name, fallback);
}

float CSequencePlayer::GetFloatAttribute(const TiXmlElement* element, const char* name, float fallback)
{
    return BaseLib::XmlGetFloatAttribute(element, name, fallback);
}

bool CSequencePlayer::GetBoolAttribute(const TiXmlElement* element, const char* name, bool fallback)
{
    return BaseLib::XmlGetBoolAttribute(element, name, fallback);
}

void CSequencePlayer::NextScene()
{
    const TiXmlElement* next = nullptr;
    if (m_scene == nullptr)
    {
        OnSequenceStart();
        next = m_root != nullptr ? m_root->FirstChildElement("scene") : nullptr;
    }
    else
    {
        OnSceneLeave();
        next = m_scene->NextSiblingElement("scene");
    }
    if (next != nullptr)
    {
        m_scene = next;
        m_element = FirstScriptElement(next);
        OnSceneEnter();
    }
    else
    {
        m_scene = nullptr;
        m_element = nullptr;
        OnSequenceEnd();
    }
}

void CSequencePlayer::SwitchToScene(const std::string& id)
{
    if (m_scene != nullptr)
    {
        OnSceneLeave();
    }
    else
    {
        OnSequenceStart();
    }
    const TiXmlElement* found = nullptr;
    for (const TiXmlElement* scene = m_root != nullptr ? m_root->FirstChildElement("scene") : nullptr;
         scene != nullptr && found == nullptr; scene = scene->NextSiblingElement("scene"))
    {
        const char* sceneId = scene->Attribute("id");
        if (sceneId != nullptr && id == sceneId)
        {
            found = scene;
        }
    }
    m_scene = found;
    if (found != nullptr)
    {
        OnSceneEnter();
    }
    else
    {
        m_element = nullptr;
        OnSequenceEnd();
    }
}

void CSequencePlayer::Advance()
{
    if (m_pendingScene.has_value())
    {
        const std::string id = *m_pendingScene;
        SwitchToScene(id);
        m_pendingScene.reset();
        m_pendingFile.clear();
        m_element = FirstScriptElement(m_scene);
    }
    else if (!m_pendingFile.empty())
    {
        const std::string file = m_pendingFile;
        Stop();
        Unload();
        Load(file);
        m_pendingScene.reset();
        m_pendingFile.clear();
        ++m_sequenceSwitches;
        Start();
    }
    else if (m_element != nullptr)
    {
        m_element = m_element->NextSiblingElement();
    }
}

bool CSequencePlayer::Holds(const TiXmlElement* condition)
{
    const ConditionDelegate* check = FindCondition(condition);
    return check != nullptr && (*check)(condition);
}

void CSequencePlayer::TraceOnce(const TiXmlElement* element, const std::string& message)
{
    if (!m_traced.insert(element).second)
    {
        return;
    }
    BaseLib::DebugOutput("%s", message.c_str());
    BaseLib::DebugOutput("sequence %s, line %d\n", m_fileName.c_str(), element->Row());
}

const TiXmlElement* CSequencePlayer::FirstScriptElement(const TiXmlElement* scene)
{
    const TiXmlElement* script = scene != nullptr ? scene->FirstChildElement("script") : nullptr;
    return script != nullptr ? script->FirstChildElement() : nullptr;
}

bool CSequencePlayer::WaitForAll(const TiXmlElement* element, double)
{
    for (const TiXmlElement* condition = element->FirstChildElement(); condition != nullptr;
         condition = condition->NextSiblingElement())
    {
        if (!Holds(condition))
        {
            return true;
        }
    }
    return false;
}

bool CSequencePlayer::WaitForAny(const TiXmlElement* element, double)
{
    for (const TiXmlElement* condition = element->FirstChildElement(); condition != nullptr;
         condition = condition->NextSiblingElement())
    {
        if (Holds(condition))
        {
            return false;
        }
    }
    return true;
}

bool CSequencePlayer::WaitForever(const TiXmlElement*, double)
{
    return true;
}

bool CSequencePlayer::SwitchToSceneAction(const TiXmlElement* element, double)
{
    m_pendingScene = GetAttribute(element, "id");
    return false;
}

bool CSequencePlayer::SwitchToSceneIfAll(const TiXmlElement* element, double)
{
    for (const TiXmlElement* condition = element->FirstChildElement(); condition != nullptr;
         condition = condition->NextSiblingElement())
    {
        if (!Holds(condition))
        {
            return false;
        }
    }
    m_pendingScene = GetAttribute(element, "id");
    return false;
}

bool CSequencePlayer::SwitchToSceneIfAny(const TiXmlElement* element, double)
{
    for (const TiXmlElement* condition = element->FirstChildElement(); condition != nullptr;
         condition = condition->NextSiblingElement())
    {
        if (Holds(condition))
        {
            m_pendingScene = GetAttribute(element, "id");
            return false;
        }
    }
    return false;
}

bool CSequencePlayer::EndSequence(const TiXmlElement*, double)
{
    Stop();
    return true;
}

bool CSequencePlayer::SwitchToSequence(const TiXmlElement* element, double)
{
    m_pendingFile = GetAttribute(element, "file");
    return false;
}
