#pragma once

#include "tests/engine/ResourceFixture.h"

#include <filesystem>
#include <string>

namespace MediaTesting
{

// The committed media folder.
inline std::filesystem::path MediaFolder()
{
    return QUARROW_MEDIA_DIR;
}

// An engine over one small head whose path aliases name the committed media folder as the game
// registers them, and whose message boxes are recorded (none may open while media loads).
class MediaFixture : public EngineTesting::ResourceFixture
{
protected:
    void SetUp() override
    {
        EngineTesting::ResourceFixture::SetUp();
        const std::string media = MediaFolder().string();
        BaseLib::CPathAliases& aliases = controller.GetPathAliases();
        aliases.RegisterPathAlias("media", media);
        for (const auto& [alias, folder] : {std::pair{"texture", "textures"}, std::pair{"xfl-texture", "textures"},
                                           std::pair{"shader", "shader"}, std::pair{"xfl-shader", "shader"},
                                           std::pair{"model", "models"}, std::pair{"animation", "animations"},
                                           std::pair{"environment", "environments"}})
        {
            aliases.RegisterPathAlias(alias, media + "/" + folder);
        }
    }
};

} // namespace MediaTesting
