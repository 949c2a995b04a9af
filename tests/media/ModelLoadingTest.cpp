// Every model and camera flight of the media folder loads through the engine's model factory as the
// game loads it: no message box, every mesh with normals and texture coordinates, every material with
// a compiled effect.
#include "tests/media/MediaFixture.h"

#include "engine/Material.h"
#include "engine/ModelFactory.h"
#include "engine/ModelPreparation.h"
#include "engine/VertexElements.h"
#include "platform/os/MessageBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
namespace DeclUsage = Platform::Gfx::DeclUsage;

// The ".x" files below a media sub-folder as alias paths (prefix "model>": "model>jungle/exit.x"), sorted.
std::vector<std::string> ModelFiles(const std::string& folder, const std::string& prefix)
{
    std::vector<std::string> files;
    const fs::path root = MediaTesting::MediaFolder() / folder;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root))
    {
        if (entry.is_regular_file() && entry.path().extension() == ".x")
        {
            files.push_back(prefix + fs::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class ModelLoadingTest : public MediaTesting::MediaFixture
{
protected:
    // Loads the model; checks that each mesh carries what the standard effects read and each material
    // has its effect. Answers the number of meshes.
    int LoadAndCheck(const std::string& file)
    {
        BaseLib::CResourcePtr<Qen::CModel> model = controller.GetModelFactory()->GetModel(nullptr, file, false);
        EXPECT_TRUE(model && model->GetFrameRoot() != nullptr) << file;
        if (!model || model->GetFrameRoot() == nullptr)
        {
            return 0;
        }
        int meshes = 0;
        Qen::ForEachMeshContainer(model->GetFrameRoot(), [&](Qen::CMeshContainer& container) {
            if (container.mesh == nullptr)
            {
                return;
            }
            ++meshes;
            Qen::VertexElement declaration[Qen::kVertexDeclarationRoom];
            Qen::ReadMeshDeclaration(*container.mesh, declaration);
            EXPECT_GE(Qen::FindVertexElement(declaration, DeclUsage::Normal, 0), 0) << file;
            EXPECT_GE(Qen::FindVertexElement(declaration, DeclUsage::TexCoord, 0), 0) << file;
            EXPECT_EQ(nullptr, container.pSkinInfo) << file;
            ASSERT_GT(container.NumMaterials, 0u) << file;
            for (std::uint32_t i = 0; i < container.NumMaterials; ++i)
            {
                const BaseLib::CResourcePtr<Qen::CMaterial>& material = container.materials[i];
                EXPECT_TRUE(material && material->GetEffectShader() != nullptr) << file << " material " << i;
            }
        });
        return meshes;
    }
};

TEST_F(ModelLoadingTest, EveryModelLoadsWithMeshesMaterialsAndNoBox)
{
    const std::vector<std::string> files = ModelFiles("models", "model>");
    ASSERT_GE(files.size(), 60u);
    for (const std::string& file : files)
    {
        EXPECT_GT(LoadAndCheck(file), 0) << file << " has no mesh";
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ("", Platform::LastMessageBoxCaption()) << Platform::LastMessageBoxText();
}

TEST_F(ModelLoadingTest, EveryCameraFlightLoadsWithoutABox)
{
    const std::vector<std::string> files = ModelFiles("animations", "animation>");
    ASSERT_FALSE(files.empty());
    for (const std::string& file : files)
    {
        Qen::CModelLoadOptions options = Qen::CModelLoadOptions::GetDefault();
        options.meshesOnlyForAnimation = true;
        BaseLib::CResourcePtr<Qen::CModel> model = controller.GetModelFactory()->GetModel(&options, file, false);
        EXPECT_TRUE(model && model->GetFrameRoot() != nullptr) << file;
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ("", Platform::LastMessageBoxCaption()) << Platform::LastMessageBoxText();
}

// Every level start loads the models of one gfx set: the time it takes cold is printed for the record.
TEST_F(ModelLoadingTest, OneGfxSetLoadsWholeAndReportsItsTime)
{
    std::vector<std::string> files = ModelFiles("models/jungle", "model>jungle/");
    files.push_back("model>plastic_cube.x");
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files)
    {
        EXPECT_TRUE(controller.GetModelFactory()->GetModel(nullptr, file, false)) << file;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("loading the %zu models of the jungle set took %.3f s\n", files.size(), seconds);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
