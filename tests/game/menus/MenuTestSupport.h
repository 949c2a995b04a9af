#pragma once

// What the tests of the options, the language selection and the treasury share: the game on the small
// test book and layouts of data/options, with stand-ins for the screens these pages lead to.
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace MenuTesting
{

// A screen these pages lead to; it shows nothing and keeps the menu music's rule of the screen base.
class StandInScreen : public CQuarrowUIScreen
{
public:
    using CQuarrowUIScreen::CQuarrowUIScreen;
    void Update() override {}
};

inline GameTesting::GameSettings OptionsSettings(const std::string& language = "english")
{
    GameTesting::GameSettings settings;
    settings.language = language;
    settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/options"}};
    return settings;
}

// Registers stand-ins under the names.
inline void AddStandIns(GameTesting::GameHarness& game, std::initializer_list<const char*> names)
{
    for (const char* name : names)
    {
        game.AddScreen(name, new StandInScreen(&game.UI(), &game.World()));
    }
}

// The colour of a pixel of a frame read back, without alpha.
inline std::uint32_t ColourAt(const GameTesting::Pixels& picture, int width, const BaseLib::CPoint& at)
{
    return picture[static_cast<std::size_t>(at.y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(at.x)] &
           0xFFFFFFu;
}

// Windows alive in the window manager's table.
inline std::uint32_t LiveWindows()
{
    const auto& table = UILib::CWindowManager::GetInstance()->GetWindowTable();
    return table.GetEntryCount() - table.GetFreeCount();
}

// Lines of the trace that contain the text.
inline std::size_t TraceLinesWith(const std::string& trace, const std::string& text)
{
    std::size_t count = 0;
    std::size_t start = 0;
    while (start < trace.size())
    {
        std::size_t end = trace.find('\n', start);
        end = end == std::string::npos ? trace.size() : end;
        count += trace.substr(start, end - start).find(text) != std::string::npos ? 1 : 0;
        start = end + 1;
    }
    return count;
}

} // namespace MenuTesting
