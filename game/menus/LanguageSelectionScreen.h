#pragma once

#include "game/menus/BookMenuScreen.h"

#include <cstdint>
#include <string>

// The language selection ("languageselection", page 1 of the book), the first screen of a normal start.
// When "application/language" in the configuration names one of the five languages, that language applies
// and "loadsavedgames" follows at once: nothing is built and nothing fades. Otherwise ("ask") the page shows
// a button per language; the chosen one applies and is written into the player's configuration file, so
// the next start asks no more, and the page fades to black on its way to "loadsavedgames". A file that
// cannot be written is traced and the language applies for this run only. Escape does nothing here.
//
// Its activation runs while the user interface initialises, before the saved games and the fader exist;
// the configuration, the language index and the fader are only reached in its updates.
class CLanguageSelectionScreen : public CBookMenuScreen
{
public:
    static constexpr const char* LayoutFile = "interface>languageselectionscreen.xml";
    static constexpr std::int32_t LanguageCount = 5;

    CLanguageSelectionScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The book's activation (the book and the cursor shown), "Start".
    void OnActivate() override;
    // The cursor hidden, the panel destroyed and forgotten (built again on a later visit), then the
    // book's deactivation.
    void OnDeactivate() override;

    // Whether a language applies since the screen was last entered.
    bool IsChosen() const { return m_chosen; }

    // The language index of a configuration word ("english" 0, "german" 1, "french" 2, "spanish" 3,
    // "italian" 4); -1 for any other word.
    static std::int32_t GetLanguageIndex(const std::string& word);
    // The configuration word of an index; "english" for an index outside 0 to 4.
    static const char* GetLanguageWord(std::int32_t index);
    // The translator's folder of an index ("english/", "german/", ...); "english/" outside 0 to 4.
    static std::string GetLanguageFolder(std::int32_t index);

protected:
    ~CLanguageSelectionScreen() override = default;

    // "englishbutton", "germanbutton", "frenchbutton", "spanishbutton", "italianbutton".
    void BindControls(UILib::CWindow& panel) override;
    // A configured language applies and "loadsavedgames" follows; else the page is built and fades in.
    void UpdateStart() override;
    // Once a language is chosen, "loadsavedgames" after a fade to black. Escape leads nowhere.
    void OnUpdateMainMenu() override;

private:
    // The index and folder into the saved games and the translator; chosen.
    void Apply(std::int32_t index);
    // The activate sound, the word written into the configuration file, the language applied.
    void OnLanguage(UILib::CBasicButton* button);

    UILib::CBasicButton* m_buttons[LanguageCount] = {};
    bool m_chosen = false;
    // "Start" has run since the activation (it runs once even when the switch it asks for fails).
    bool m_started = false;
};
