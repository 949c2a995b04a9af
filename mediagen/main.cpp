// quarrow-mediagen: the project's media generator.
#include "mediagen/CandidatesCommand.h"
#include "mediagen/GameMedia.h"
#include "mediagen/LevelReplays.h"
#include "mediagen/StripCommand.h"
#include "mediagen/ThemeCommand.h"
#include "mediagen/Translations.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + (argc > 1 ? 2 : argc), argv + argc);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "strip")
    {
        return MediaGen::RunStripCommand(arguments);
    }
    if (command == "theme")
    {
        return MediaGen::RunThemeCommand(arguments);
    }
    if (command == "game")
    {
        return MediaGen::RunGameCommand(arguments);
    }
    if (command == "translate")
    {
        return MediaGen::RunTranslateCommand(arguments);
    }
    if (command == "candidates")
    {
        return MediaGen::RunCandidatesCommand(arguments);
    }
    if (command == "replays")
    {
        return MediaGen::RunReplaysCommand(arguments);
    }
    std::printf("usage: quarrow-mediagen <command> [arguments]\ncommands:\n%s%s%s%s%s%s", MediaGen::StripUsage(),
                MediaGen::ThemeUsage(), MediaGen::GameUsage(), MediaGen::TranslateUsage(), MediaGen::ReplaysUsage(),
                MediaGen::CandidatesUsage());
    return command.empty() ? 0 : 2;
}
