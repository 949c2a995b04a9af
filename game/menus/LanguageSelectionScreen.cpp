#include "game/menus/LanguageSelectionScreen.h"

#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "framework/GameLibApplication.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowUI.h"
#include "game/savegame/SaveGameManager.h"

namespace
{

constexpr const char* kLanguageKey = "application/language";
constexpr const char* kNextScreen = "loadsavedgames";

struct Language
{
    const char* word;
    const char* button;
};

constexpr Language kLanguages[CLanguageSelectionScreen::LanguageCount] = {{"english", "englishbutton"},
                                                                          {"german", "germanbutton"},
                                                                          {"french", "frenchbutton"},
                                                                          {"spanish", "spanishbutton"},
                                                                          {"italian", "italianbutton"}};

} // namespace

CLanguageSelectionScreen::CLanguageSelectionScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CBookMenuScreen(userInterface, world, "languageselection", PageLanguageSelection, LayoutFile)
{}

std::int32_t CLanguageSelectionScreen::GetLanguageIndex(const std::string& word)
{
    for (std::int32_t i = 0; i < LanguageCount; ++i)
    {
        if (word == kLanguages[i].word)
        {
            return i;
        }
    }
    return -1;
}

const char* CLanguageSelectionScreen::GetLanguageWord(std::int32_t index)
{
    return index >= 0 && index < LanguageCount ? kLanguages[index].word : kLanguages[0].word;
}

std::string CLanguageSelectionScreen::GetLanguageFolder(std::int32_t index)
{
    return std::string(GetLanguageWord(index)) + "/";
}

void CLanguageSelectionScreen::BindControls(UILib::CWindow& panel)
{
    for (std::int32_t i = 0; i < LanguageCount; ++i)
    {
        m_buttons[i] = BindButton(panel, kLanguages[i].button, &CLanguageSelectionScreen::OnLanguage);
    }
}

void CLanguageSelectionScreen::OnActivate()
{
    m_started = false;
    CBookMenuScreen::OnActivate();
}

void CLanguageSelectionScreen::OnDeactivate()
{
    for (UILib::CBasicButton*& button : m_buttons)
    {
        button = nullptr;
    }
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(false);
    }
    DestroyPanel();
    CGiantBookUIScreen::OnDeactivate();
}

void CLanguageSelectionScreen::UpdateStart()
{
    if (m_started)
    {
        return;
    }
    m_started = true;
    m_chosen = false;
    const GameLib::CGameLibApplication* application =
        GetUserInterface() != nullptr ? GetUserInterface()->GetApplication() : nullptr;
    const BaseLib::CConfigFile* configuration =
        application != nullptr ? application->GetConfiguration() : nullptr;
    const std::int32_t index =
        configuration != nullptr ? GetLanguageIndex(configuration->GetString(kLanguageKey)) : -1;
    if (index < 0)
    {
        CBookMenuScreen::UpdateStart();
        return;
    }
    Apply(index);
    if (GetOwner() == nullptr || !GetOwner()->SwitchTo(kNextScreen))
    {
        // Nothing to go on to: the page stays closed rather than showing an empty book.
        BaseLib::DebugOutput("LanguageSelection: there is no screen \"%s\" to go on to\n", kNextScreen);
        if (UILib::CWindow* book = GetBook())
        {
            book->SetVisible(false);
        }
        if (CQuarrowUI* ui = GetUserInterface())
        {
            ui->SetCursorVisible(false);
        }
    }
}

void CLanguageSelectionScreen::OnUpdateMainMenu()
{
    if (m_chosen)
    {
        SetNextScreen(kNextScreen);
    }
}

void CLanguageSelectionScreen::Apply(std::int32_t index)
{
    if (SaveGameManager* saveGames =
            GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr)
    {
        saveGames->SetLanguageIndex(index);
    }
    if (CFileTranslator* translator = CFileTranslator::GetInstance())
    {
        translator->SetLanguageFolder(GetLanguageFolder(index));
    }
    m_chosen = true;
}

void CLanguageSelectionScreen::OnLanguage(UILib::CBasicButton* button)
{
    std::int32_t index = 0;
    while (index < LanguageCount && m_buttons[index] != button)
    {
        ++index;
    }
    if (index == LanguageCount)
    {
        return;
    }
    PlayMenuSound(false);
    GameLib::CGameLibApplication* application =
        GetUserInterface() != nullptr ? GetUserInterface()->GetApplication() : nullptr;
    BaseLib::CConfigFile* configuration = application != nullptr ? application->GetConfiguration() : nullptr;
    if (configuration != nullptr)
    {
        const std::string file = application->GetConfigFileName();
        // The file is replaced whole or not at all; when it stays as it was, the question comes again at
        // the next start.
        if (!configuration->SetString(kLanguageKey, GetLanguageWord(index)) ||
            !configuration->Save(file, true, true))
        {
            BaseLib::DebugOutput(
                "LanguageSelection: %s could not be written; \"%s\" applies for this run only\n",
                file.c_str(), GetLanguageWord(index));
        }
    }
    Apply(index);
}
