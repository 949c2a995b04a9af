#include "game/QuarrowApplication.h"

#include "engine/AdapterRecord.h"
#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "engine/MaterialFactory.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "platform/os/Cursor.h"
#include "platform/os/Files.h"
#include "platform/os/UserFiles.h"
#include "ui/WindowManager.h"

#include <filesystem>
#include <system_error>

namespace
{

// The class name lives as long as the program: the class record keeps the pointer.
constexpr const char* kClassName = "Ombrel";
constexpr std::uint32_t kIconId = 101;
constexpr const char* kIconFile = "ombrel.png";
constexpr const char* kCursorFile = "ombrel.cur";
constexpr std::uint32_t kDepthFormatD24X8 = 77;
constexpr const char* kConfigFile = "config.xml";

// Alias and folder, in the order they are registered.
constexpr const char* kContentAliases[][2] = {
    {"texture", "media>textures"},  {"xfl-texture", "media>textures"}, {"shader", "media>shader"},
    {"xfl-shader", "media>shader"}, {"model", "media>models"},         {"animation", "media>animations"},
    {"sound", "media>sounds"},      {"interface", "media>interface"},  {"level", "media>levels"},
    {"environment", "media>environments"}, {"sequence", "media>sequences"}};

} // namespace

CQuarrowApplication::CQuarrowApplication(Platform::InstanceHandle instance)
    : CGameLibApplication(instance, false)
{
    // The class is registered before the media folder is known: the icon's picture comes from beside the
    // executable, where the build puts it.
    Platform::RegisterIconFile(kIconId, Platform::ExecutableFolder() + kIconFile);
    m_windowClass.icon = Platform::LoadIconA(instance, kIconId);
    m_windowClass.style = Platform::CS_DBLCLKS | Platform::CS_CLASSDC;
    m_windowClass.className = kClassName;
    m_windowClass.cursor = Platform::LoadCursorFromFileA(kCursorFile);
    UILib::SetSystemCursorsEnabled(false);
    m_displaySettings.SetDepthStencilFormat(kDepthFormatD24X8);
}

void CQuarrowApplication::SelectAdapter()
{
    CGameLibApplication::SelectAdapter();
    if (m_adapters.empty())
    {
        BaseLib::DebugOutput("Quarrow: no adapter to choose\n");
        return;
    }
    Qen::CAdapterRecord* first = m_adapters.front();
    if (!m_displaySettings.SetAdapter(first))
    {
        BaseLib::DebugOutput("Quarrow: the first adapter \"%s\" is not the master of its group; start-up goes "
                             "on with it\n",
                             first->identifier.Description.c_str());
    }
}

void CQuarrowApplication::CreateGameObjects()
{
    RegisterPathAliases();
    auto* world = new CQuarrowWorld(this);
    m_world = world;
    world->Initialize();
    m_userInterface = new CQuarrowUI(this);
    m_userInterface->Initialize();
    if (Qen::CMaterialFactory* materials = GetMaterialFactory())
    {
        materials->CreateSharedEffectPool("shader>_shared.fx");
    }
}

std::string CQuarrowApplication::GetConfigFileName() const
{
    if (m_configFileName.empty())
    {
        m_configFileName = Platform::UserFilePath(Platform::UserFileKind::Config, kConfigFile);
    }
    return m_configFileName;
}

void CQuarrowApplication::LoadConfiguration()
{
    const std::string path = GetConfigFileName();
    const std::string seed = Platform::UserFileReadPath(Platform::UserFileKind::Config, kConfigFile);
    std::error_code error;
    if (seed != path && !std::filesystem::exists(path, error) && std::filesystem::is_regular_file(seed, error))
    {
        std::filesystem::copy_file(seed, path, error);
        if (error)
        {
            BaseLib::DebugOutput("Quarrow: %s could not be copied to %s (%s); the game starts on defaults\n",
                                 seed.c_str(), path.c_str(), error.message().c_str());
        }
    }
    CGameLibApplication::LoadConfiguration();
}

void CQuarrowApplication::RegisterConfigKeys()
{
    CGameLibApplication::RegisterConfigKeys();
    m_configuration->AddStringEntry("application/language",
                                    "game language; 'ask' will display a selection screen before the game starts",
                                    "ask", "ask english german french italian spanish");
}

void CQuarrowApplication::RegisterPathAliases()
{
    BaseLib::CPathAliases& aliases = GetPathAliases();
    const std::string media = m_configuration != nullptr ? m_configuration->GetString("application/mediadir") : "";
    aliases.RegisterPathAlias("media", media, false, false);
    for (const auto& [alias, folder] : kContentAliases)
    {
        aliases.RegisterPathAlias(alias, folder, false, false);
    }
    const std::string resolved = aliases.ResolvePath("media>");
    if (!Platform::IsFolder(resolved))
    {
        BaseLib::DebugOutput("Quarrow: the media folder \"%s\" does not exist; files the game needs will be "
                             "missing\n",
                             resolved.c_str());
    }
}

CQuarrowWorld* CQuarrowApplication::GetWorld() const
{
    // The only world this application makes is its own.
    return static_cast<CQuarrowWorld*>(m_world);
}
