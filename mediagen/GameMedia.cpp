#include "mediagen/GameMedia.h"
#include "mediagen/Block2DImages.h"
#include "mediagen/GameLevels.h"
#include "mediagen/GameModels.h"
#include "mediagen/MapArt.h"
#include "mediagen/MapFiles.h"

#include "platform/os/FileReplace.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace MediaGen
{

const std::vector<std::string>& GameMediaFolders()
{
    static const std::vector<std::string> folders = {"textures", "shader", "models", "models/gs_plastic",
                                                     "models/jungle", "animations", "sounds",
                                                     "interface", "interface/standard", "levels",
                                                     "environments", "sequences", "sounds/music",
                                                     "interface/standard/puzzle2d", "interface/hud",
                                                     "interface/mapscreen", "interface/treasury",
                                                     "interface/fonts"};
    return folders;
}

const std::vector<GameMediaWriter>& GameMediaWriters()
{
    // One line per content group; each group's writer lives in its own file.
    static const std::vector<GameMediaWriter> writers = {
        WriteGameModels,
        WriteEnvironmentModels,
        WriteCameraFlights,
        WriteEnvironments,
        WriteCursorAndIcon,
        WriteGameSounds,
        WriteGameLevels,
        WriteGameMaps,
        WriteGameEffects,
        WriteBlock2DImages,
        WriteHudImages,
        WriteMapScreenImages,
        WriteTreasuryImages,
        WriteMenuImages,
        WriteMenuLayouts,
        WriteLogoImages,
        WriteDialogMedia,
        WriteMapEditorImages,
        WriteStoryImages,
        WriteStorySounds,
        WriteMapArt,
        WriteMapMarkers,
        WriteMoodPictures,
        WriteMapSounds,
    };
    return writers;
}

bool WriteMediaFile(const std::string& media, const std::string& relativePath, std::string_view contents)
{
    const std::string path = (std::filesystem::path(media) / relativePath).string();
    if (!Platform::ReplaceFileContents(path, contents))
    {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

const char* GameUsage()
{
    return "  game <media folder>\n"
           "      writes the game's generated content into the media folder\n";
}

int RunGameCommand(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 1 || arguments[0].empty())
    {
        std::fprintf(stderr, "usage:\n%s", GameUsage());
        return 2;
    }
    const std::filesystem::path media = arguments[0];
    for (const std::string& folder : GameMediaFolders())
    {
        std::error_code error;
        std::filesystem::create_directories(media / folder, error);
        if (error)
        {
            std::fprintf(stderr, "cannot make the folder %s: %s\n", (media / folder).c_str(),
                         error.message().c_str());
            return 1;
        }
    }
    bool written = true;
    for (const GameMediaWriter writer : GameMediaWriters())
    {
        written = writer(media.string()) && written;
    }
    return written ? 0 : 1;
}

} // namespace MediaGen
