// The committed media are exactly what the generator writes: a fresh run of the game command into an
// empty folder gives every file byte for byte, and a second run over them changes nothing.
#include "mediagen/GameMedia.h"
#include "tests/mediagen/GeneratedGameMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// tests/mediagen/data lies two folders below the repository, whose media/ holds the committed files.
const fs::path kCommitted =
    fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path() / "media";

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(GameMediaRegenerationTest, EveryGeneratedFileEqualsTheCommittedOne)
{
    const fs::path& folder = MediaGenTest::GeneratedGameMedia();
    ASSERT_FALSE(folder.empty());
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    {
        if (!entry.is_regular_file())
        {
            continue;
        }
        ++files;
        const fs::path relative = fs::relative(entry.path(), folder);
        const fs::path committed = kCommitted / relative;
        ASSERT_TRUE(fs::is_regular_file(committed)) << relative << " is generated but not committed";
        EXPECT_TRUE(Bytes(entry.path()) == Bytes(committed))
            << relative << " differs from the committed file";
    }
    EXPECT_GT(files, 50);
}

// Every file and folder under `folder`, with the bytes of the files, by path relative to it.
std::vector<std::pair<fs::path, std::string>> Contents(const fs::path& folder)
{
    std::vector<std::pair<fs::path, std::string>> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    {
        contents.emplace_back(fs::relative(entry.path(), folder),
                              entry.is_regular_file() ? Bytes(entry.path()) : "");
    }
    std::sort(contents.begin(), contents.end());
    return contents;
}

// Running again over a folder that holds the files replaces them with the same bytes and leaves no
// temporary file behind.
TEST(GameMediaRegenerationTest, ASecondRunOverTheFilesLeavesTheSameFilesAndNothingElse)
{
    const fs::path& generated = MediaGenTest::GeneratedGameMedia();
    ASSERT_FALSE(generated.empty());
    const fs::path folder = fs::temp_directory_path() / ("mediagen_rerun_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::copy(generated, folder, fs::copy_options::recursive);
    const auto first = Contents(folder);
    ASSERT_EQ(0, MediaGen::RunGameCommand({folder.string()}));
    EXPECT_TRUE(first == Contents(folder));
    fs::remove_all(folder);
}

} // namespace
