#include "tests/engine/ResourceFixture.h"

#include "engine/SurfaceFactory.h"
#include "engine/TextureFactory.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"

namespace EngineTesting
{
namespace
{

using namespace GfxTesting::ImageBytes;
using BaseLib::CResourcePtr;
using Qen::CSurface;
using Qen::CSurfaceFactory;
using Qen::CTexture;
using Qen::CTextureFactory;

using TextureFactoryTest = ResourceFixture;

// A 4 × 4 A8R8G8B8 DDS of one colour, one level.
std::string SmallDds(std::uint32_t argb)
{
    return Dds(4, 4, 0, 1, 0, kDdsArgb, Fill32(argb, 16));
}

TEST(TextureKeyTest, KeysHoldTheBaseNameAndEveryFieldThatDiffers)
{
    struct Case
    {
        const char* file;
        std::int32_t width;
        std::uint32_t format;
        std::uint32_t pool;
        std::uint32_t colorKey;
        const char* key;
    };
    const Case cases[] = {
        {"texture>Stone.DDS", -1, 0, 1, 0, "stone"},
        {"texture>Stone.DDS", -1, 0, 0, 0, "stone_pl=0"},
        {"name", 256, 21, 1, 0, "name_w=256_fmt=15"},
        {"a/b.c/Wood.old.png", -1, 0, 2, 0xFF00FF, "wood.old_pl=2_ckey=00ff00ff"},
        {"xfl-texture>sub/\xC4rger.tga", -1, 0, 1, 0, "\xE4rger"},
    };
    for (const Case& c : cases)
    {
        CTextureFactory::TTextureParameters parameters;
        parameters.fileName = c.file;
        parameters.width = c.width;
        parameters.format = c.format;
        parameters.pool = c.pool;
        parameters.colorKey = c.colorKey;
        EXPECT_EQ(c.key, CTextureFactory::BuildTextureKey(parameters)) << c.file;
    }
}

TEST_F(TextureFactoryTest, FileTexturesAreKeyedByBaseNameAndPoolAndShareOneResource)
{
    WriteFile("Stone.DDS", SmallDds(0xFF102030));
    WriteFile("Wood.dds", SmallDds(0xFF405060));
    CTextureFactory& factory = *controller.GetTextureFactory();
    CResourcePtr<CTexture> managed;
    CResourcePtr<CTexture> inDefault;
    factory.LoadTexture("texture>Stone.DDS", managed, 1);
    factory.LoadTexture("texture>Stone.DDS", inDefault, 0);
    EXPECT_EQ("stone", managed->GetId());
    EXPECT_EQ("stone_pl=0", inDefault->GetId());
    EXPECT_EQ(1u, managed->GetPool());
    EXPECT_EQ(0u, inDefault->GetPool());

    CResourcePtr<CTexture> wood;
    CResourcePtr<CTexture> sameWood;
    factory.LoadTexture("texture>Wood.dds", wood, 1);
    factory.LoadTexture("xfl-texture>wood.png", sameWood, 1);
    EXPECT_EQ(wood.Get(), sameWood.Get());
    EXPECT_EQ(BaseLib::ResourceLoaded, wood->GetState());
    EXPECT_EQ(2, wood->GetCount());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TextureFactoryTest, ACubeFileBecomesACubeTextureAndCountsItsSixFaces)
{
    // Edge 64, DXT1, one level: 16 × 16 blocks of 8 bytes per face.
    WriteFile("sky.dds", Dds(64, 64, 0, 1, 0x200 | 0xFC00, kDdsDxt1, std::string(6 * 16 * 16 * 8, '\0')));
    CResourcePtr<CTexture> sky;
    controller.GetTextureFactory()->LoadTexture("texture>sky.dds", sky, 1);
    ASSERT_NE(nullptr, dynamic_cast<Qen::CTextureCube*>(sky.Get()));
    EXPECT_EQ(5u, sky->Parameters().type);
    EXPECT_EQ(64, sky->Parameters().width);

    // One level keeps the file's blocks.
    CTextureFactory::TTextureParameters oneLevel;
    oneLevel.fileName = "texture>sky.dds";
    oneLevel.mipLevels = 1;
    CResourcePtr<CTexture> blocks;
    Qen::AssignTypedResource(blocks, controller.GetTextureFactory()->GetResource("sky1", oneLevel));
    ASSERT_NE(nullptr, dynamic_cast<Qen::CTextureCube*>(blocks.Get()));
    EXPECT_EQ(Format::Dxt1, blocks->Parameters().format);
    EXPECT_EQ(1, blocks->Parameters().mipLevels);
    EXPECT_EQ(12288u, blocks->GetSize());

    CResourcePtr<CTexture> plain;
    controller.GetTextureFactory()->CreateTexture(plain, 256, 256, 0, 0, Format::A8R8G8B8, 1, nullptr,
                                                  nullptr, nullptr, "");
    ASSERT_NE(nullptr, dynamic_cast<Qen::CTexture2D*>(plain.Get()));
    EXPECT_EQ(9, plain->Parameters().mipLevels);
    EXPECT_EQ(349524u, plain->GetSize());
}

TEST_F(TextureFactoryTest, AnUnreadableFileShowsBothBoxesOnceAndStaysRegisteredUnloaded)
{
    WriteFile("broken.png", "not an image at all");
    CResourcePtr<CTexture> broken;
    controller.GetTextureFactory()->LoadTexture("texture>broken.png", broken, 1);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("error|couldn't determine texture type:\n\tfile=texture>broken.png\n", boxes[0]);
    EXPECT_EQ(0u,
              boxes[1].find("error|failed to create texture:\n\tHR=88760b59 (D3DXERR_INVALIDDATA)\n\tfile="
                            "texture>broken.png\n"))
        << boxes[1];
    ASSERT_TRUE(broken);
    EXPECT_EQ(BaseLib::ResourceUnloaded, broken->GetState());
    EXPECT_EQ(0u, broken->GetSize());
    EXPECT_EQ(nullptr, broken->GetTexture());
    EXPECT_TRUE(controller.GetRegistry(Qen::TextureRegistry)->ContainsName("broken"));

    // A clone of it and a surface on it fail to load without a crash.
    CTextureFactory::TTextureParameters parameters;
    parameters.fileName = "texture>broken.png";
    CResourcePtr<BaseLib::CResource> clone =
        controller.GetTextureFactory()->GetResource("broken", parameters, true);
    ASSERT_TRUE(clone);
    EXPECT_NE(broken.Get(), clone.Get());
    EXPECT_EQ(BaseLib::ResourceUnloaded, clone->GetState());

    CSurfaceFactory::TSurfaceParameters onTexture;
    onTexture.texture = broken;
    onTexture.level = 0;
    int fills = 0;
    onTexture.fill.data1 = &fills;
    onTexture.fill.function = [](CSurfaceFactory::TFill* record, Platform::Gfx::Surface* surface) {
        EXPECT_EQ(nullptr, surface);
        ++*static_cast<int*>(record->data1);
    };
    boxes.clear();
    CResourcePtr<BaseLib::CResource> surface =
        controller.GetSurfaceFactory()->GetResource("on-broken", onTexture);
    EXPECT_EQ(BaseLib::ResourceUnloaded, surface->GetState());
    EXPECT_EQ(1, fills);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("error|failed to create surface:\n\tHR=8876086c (D3DERR_INVALIDCALL)\n\tfile=\n", boxes[0]);
}

TEST_F(TextureFactoryTest, CancelOnTheTypeBoxEndsTheProcessWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WriteFile("broken.png", "not an image at all");
    answers.push_back(Platform::MessageBoxAnswerCancel);
    EXPECT_EXIT(
        {
            CResourcePtr<CTexture> broken;
            controller.GetTextureFactory()->LoadTexture("texture>broken.png", broken, 1);
        },
        testing::ExitedWithCode(255), "");
}

struct ClearRecord
{
    Device* device;
    std::uint32_t colour;
    int calls = 0;
};

// Clears level 0 of a render-target texture to the record's colour, then puts the back buffer back.
void ClearToColour(CTextureFactory::TFill* record, Platform::Gfx::BaseTexture* texture)
{
    auto& clear = *static_cast<ClearRecord*>(record->data1);
    ++clear.calls;
    Surface* level = nullptr;
    ASSERT_EQ(Ok, static_cast<Texture*>(texture)->GetSurfaceLevel(0, &level));
    Surface* previous = nullptr;
    clear.device->GetRenderTarget(0, &previous);
    clear.device->SetRenderTarget(0, level);
    clear.device->Clear(0, nullptr, 1, clear.colour, 1.0f, 0);
    clear.device->SetRenderTarget(0, previous);
    previous->Release();
    level->Release();
}

std::uint32_t FirstTexel(Device* device, Platform::Gfx::BaseTexture* texture)
{
    Surface* level = nullptr;
    EXPECT_EQ(Ok, static_cast<Texture*>(texture)->GetSurfaceLevel(0, &level));
    std::vector<std::uint32_t> pixels;
    EXPECT_EQ(Ok, device->ReadPixels(level, pixels));
    level->Release();
    return pixels.empty() ? 0 : pixels[0];
}

TEST_F(TextureFactoryTest, DefaultPoolTexturesComeBackAfterAResetAndManagedOnesAreLeftAlone)
{
    ClearRecord clear{device, 0xFF336699};
    CResourcePtr<CTexture> target;
    controller.GetTextureFactory()->CreateTexture(target, 32, 32, 1, Usage::RenderTarget, Format::A8R8G8B8, 0,
                                                  &clear, nullptr, &ClearToColour, "target");
    ASSERT_EQ(1, clear.calls);
    EXPECT_EQ(0xFF336699u, FirstTexel(device, target->GetTexture()));

    WriteFile("stone.dds", SmallDds(0xFF0000FF));
    CResourcePtr<CTexture> managed;
    CResourcePtr<CTexture> fromFile;
    controller.GetTextureFactory()->LoadTexture("texture>stone.dds", managed, 1);
    controller.GetTextureFactory()->LoadTexture("texture>stone.dds", fromFile, 0);
    Platform::Gfx::BaseTexture* managedTexture = managed->GetTexture();
    clear.colour = 0xFF00FF00;

    controller.GetRegistry(Qen::TextureRegistry)->SendEvent("devicelost");
    EXPECT_EQ(BaseLib::ResourceUnloaded, target->GetState());
    EXPECT_TRUE(target->IsLost());
    EXPECT_EQ(nullptr, target->GetTexture());
    EXPECT_EQ(nullptr, fromFile->GetTexture());
    EXPECT_EQ(managedTexture, managed->GetTexture());
    controller.GetRegistry(Qen::TextureRegistry)->SendEvent("devicelost");

    LoseAndResetDevice();
    EXPECT_EQ(BaseLib::ResourceLoaded, target->GetState());
    EXPECT_FALSE(target->IsLost());
    EXPECT_EQ(2, clear.calls);
    EXPECT_EQ(0xFF00FF00u, FirstTexel(device, target->GetTexture()));
    ASSERT_NE(nullptr, fromFile->GetTexture());
    EXPECT_EQ(0xFF0000FFu, FirstTexel(device, fromFile->GetTexture()));
    EXPECT_EQ(managedTexture, managed->GetTexture());
    EXPECT_EQ(0xFF0000FFu, FirstTexel(device, managed->GetTexture()));

    // "precache" only uploads managed textures; the others are untouched.
    controller.GetRegistry(Qen::TextureRegistry)->SendEvent("precache");
    EXPECT_EQ(BaseLib::ResourceLoaded, target->GetState());
    EXPECT_EQ(2, clear.calls);
}

TEST_F(TextureFactoryTest, SurfacesFollowTheirFormatFileNameAndTexture)
{
    CSurfaceFactory& factory = *controller.GetSurfaceFactory();
    CResourcePtr<CSurface> depth;
    CResourcePtr<CSurface> plain;
    factory.GetSurface(depth, 64, 32, Format::D24S8, 0, 0, "depth");
    factory.GetSurface(plain, 16, 8, Format::L16, 0, 0, "plain");
    ASSERT_NE(nullptr, depth->GetSurface());
    EXPECT_EQ(Surface::Kind::DepthStencil, depth->GetSurface()->GetKind());
    EXPECT_EQ(64u * 32u * 4u, depth->GetSize());
    ASSERT_NE(nullptr, plain->GetSurface());
    EXPECT_EQ(Surface::Kind::Plain, plain->GetSurface()->GetKind());
    EXPECT_EQ(16u * 8u * 2u, plain->GetSize());

    CResourcePtr<CSurface> again;
    factory.GetSurface(again, 128, 128, Format::D16, 0, 0, "depth");
    EXPECT_EQ(depth.Get(), again.Get());
    EXPECT_EQ(64, again->Parameters().width);

    WriteFile("picture.tga", Tga(5, 3, std::vector<std::uint32_t>(15, 0xFF804020)));
    CSurfaceFactory::TSurfaceParameters fromFile;
    fromFile.fileName = "media>picture.tga";
    CResourcePtr<BaseLib::CResource> picture = factory.GetResource("picture", fromFile);
    auto& pictureParameters = static_cast<CSurface&>(*picture).Parameters();
    EXPECT_EQ(5, pictureParameters.width);
    EXPECT_EQ(3, pictureParameters.height);
    EXPECT_EQ(Format::X8R8G8B8, pictureParameters.format);

    // Level 0 of a render-target texture, through a reset.
    ClearRecord clear{device, 0xFF112233};
    CResourcePtr<CTexture> target;
    controller.GetTextureFactory()->CreateTexture(target, 16, 16, 1, Usage::RenderTarget, Format::A8R8G8B8, 0,
                                                  &clear, nullptr, &ClearToColour, "target");
    CSurfaceFactory::TSurfaceParameters onLevel;
    onLevel.texture = target;
    onLevel.level = 0;
    CResourcePtr<BaseLib::CResource> level = factory.GetResource("level", onLevel);
    auto& levelSurface = static_cast<CSurface&>(*level);
    ASSERT_NE(nullptr, levelSurface.GetSurface());
    EXPECT_EQ(target->GetTexture(), levelSurface.GetSurface()->Container());

    // Depth surfaces and render-target levels are default-pool objects: both are dropped and made again.
    depth = nullptr;
    again = nullptr;
    CResourcePtr<CSurface> keptDepth;
    factory.GetSurface(keptDepth, 64, 32, Format::D24S8, 0, 0, "depth");
    LoseAndResetDevice();
    ASSERT_NE(nullptr, levelSurface.GetSurface());
    EXPECT_EQ(target->GetTexture(), levelSurface.GetSurface()->Container());
    EXPECT_EQ(BaseLib::ResourceLoaded, keptDepth->GetState());
    EXPECT_NE(nullptr, keptDepth->GetSurface());
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace EngineTesting
