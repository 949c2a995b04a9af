#include "mediagen/GameMedia.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The effect files and the particle texture written again are the committed ones, byte for byte.
TEST(GameEffectsTest, WritingAgainGivesTheCommittedFiles)
{
    const fs::path media = fs::temp_directory_path() / ("mediagen_effects_" + std::to_string(::getpid()));
    fs::remove_all(media);
    fs::create_directories(media / "shader");
    fs::create_directories(media / "textures");
    ASSERT_TRUE(MediaGen::WriteGameEffects(media.string()));
    for (const auto& entry : fs::recursive_directory_iterator(media))
    {
        if (entry.is_regular_file())
        {
            const fs::path relative = fs::relative(entry.path(), media);
            EXPECT_EQ(Bytes(fs::path(QUARROW_MEDIA_DIR) / relative), Bytes(entry.path()))
                << relative << " differs from the committed file: run quarrow-mediagen game media";
        }
    }
    fs::remove_all(media);
}

} // namespace
