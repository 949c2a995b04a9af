#include "tests/platform/gfxkit/ImageFilesFixture.h"

#include "platform/gfxkit/ImageLibrary.h"
#include "platform/gfxkit/TextureFiles.h"


#include <atomic>
#include <fstream>
#include <iterator>
#include <png.h>
#include <thread>

namespace GfxTesting
{
namespace
{

using namespace Platform::GfxKit;
using namespace ImageBytes;

using TextureFilesTest = ImageFilesFixture;

std::vector<std::uint32_t> Pattern(std::uint32_t width, std::uint32_t height, std::uint32_t alpha)
{
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            pixels.push_back(alpha << 24 | ((x * 40 + 10) & 0xFF) << 16 | ((y * 30 + 5) & 0xFF) << 8 |
                             (((x + y) * 20) & 0xFF));
        }
    }
    return pixels;
}

bool SameInfo(const ImageInfo& a, const ImageInfo& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth && a.MipLevels == b.MipLevels &&
           a.Format == b.Format && a.ResourceType == b.ResourceType && a.ImageFileFormat == b.ImageFileFormat;
}

Texture* LoadFile(Device* device, const std::string& path, std::uint32_t width, std::uint32_t height,
                  std::uint32_t levels, std::uint32_t pool = Pool::Managed,
                  std::uint32_t filter = ImageFilter::None, std::uint32_t colorKey = 0,
                  ImageInfo* info = nullptr)
{
    Texture* texture = nullptr;
    EXPECT_EQ(Ok, CreateTextureFromFileEx(device, path.c_str(), width, height, levels, 0, 0, pool, filter,
                                          DefaultValue, colorKey, info, nullptr, &texture))
        << path;
    return texture;
}

TEST_F(TextureFilesTest, FilesOfEveryKindGiveTheirInformationAndTexels)
{
    const std::vector<std::uint32_t> alphaPixels = Pattern(3, 5, 0x80);
    const std::string png = WritePicture("three-by-five.png", 3, 5, alphaPixels, true);
    const std::vector<std::uint32_t> opaque = Pattern(5, 3, 0xFF);
    const std::string tga = Write("opaque.tga", Tga(5, 3, opaque));
    const std::string bmp = Write("opaque.bmp", Bmp(5, 3, opaque));
    const std::string rgbPng = WritePicture("opaque.png", 5, 3, opaque, false);

    const struct
    {
        std::string path;
        ImageInfo info;
        const std::vector<std::uint32_t>* texels;
    } cases[] = {
        {png, {3, 5, 1, 1, Format::A8R8G8B8, ResourceType::Texture, ImageFileFormat::Png}, &alphaPixels},
        {rgbPng, {5, 3, 1, 1, Format::X8R8G8B8, ResourceType::Texture, ImageFileFormat::Png}, &opaque},
        {tga, {5, 3, 1, 1, Format::X8R8G8B8, ResourceType::Texture, ImageFileFormat::Tga}, &opaque},
        {bmp, {5, 3, 1, 1, Format::X8R8G8B8, ResourceType::Texture, ImageFileFormat::Bmp}, &opaque},
    };
    for (const auto& c : cases)
    {
        ImageInfo info;
        ASSERT_EQ(Ok, GetImageInfoFromFile(c.path.c_str(), &info)) << c.path;
        EXPECT_TRUE(SameInfo(c.info, info)) << c.path << ": " << info.Width << " x " << info.Height
                                            << " format " << info.Format << " type " << info.ImageFileFormat;
        ImageInfo loadedInfo;
        Texture* texture = LoadFile(device, c.path, DefaultNonPowerOfTwo, DefaultNonPowerOfTwo, 1,
                                    Pool::Managed, ImageFilter::None, 0, &loadedInfo);
        ASSERT_NE(nullptr, texture);
        EXPECT_TRUE(SameInfo(c.info, loadedInfo));
        SurfaceDesc desc;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(c.info.Width, desc.Width);
        EXPECT_EQ(c.info.Height, desc.Height);
        EXPECT_EQ(c.info.Format, desc.Format);
        EXPECT_EQ(*c.texels, Texels(texture, 0)) << c.path;
        texture->Release();
    }

    // Default sizes round up to powers of two and make the full chain.
    Texture* rounded = LoadFile(device, png, DefaultValue, 0, DefaultValue, Pool::Managed, DefaultValue);
    ASSERT_NE(nullptr, rounded);
    SurfaceDesc desc;
    rounded->GetLevelDesc(0, &desc);
    EXPECT_EQ(4u, desc.Width);
    EXPECT_EQ(8u, desc.Height);
    EXPECT_EQ(4u, rounded->GetLevelCount());
    rounded->Release();
}

TEST_F(TextureFilesTest, ScalingFiltersAndMipLevels)
{
    // 2 × 2: red, green / blue, white.
    const std::vector<std::uint32_t> quad = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    const std::string png = WritePicture("quad.png", 2, 2, quad, true);

    Texture* unscaled = LoadFile(device, png, 4, 4, 1, Pool::Managed, ImageFilter::None);
    ASSERT_NE(nullptr, unscaled);
    const std::vector<std::uint32_t> corner = Texels(unscaled, 0);
    EXPECT_EQ(0xFFFF0000u, corner[0]);
    EXPECT_EQ(0xFF00FF00u, corner[1]);
    EXPECT_EQ(0xFF0000FFu, corner[4]);
    EXPECT_EQ(0u, corner[2]) << "filter none leaves the rest transparent black";
    EXPECT_EQ(0u, corner[15]);
    unscaled->Release();

    Texture* point = LoadFile(device, png, 4, 4, 1, Pool::Managed, ImageFilter::Point | 0x80000);
    ASSERT_NE(nullptr, point);
    const std::vector<std::uint32_t> doubled = Texels(point, 0);
    EXPECT_EQ(0xFFFF0000u, doubled[5]);
    EXPECT_EQ(0xFF00FF00u, doubled[2]);
    EXPECT_EQ(0xFFFFFFFFu, doubled[15]);
    point->Release();

    // The box mip filter averages the four texels into the 1 × 1 level.
    Texture* chain = LoadFile(device, png, DefaultNonPowerOfTwo, DefaultNonPowerOfTwo, 0);
    ASSERT_NE(nullptr, chain);
    ASSERT_EQ(2u, chain->GetLevelCount());
    EXPECT_TRUE(NearColor(0xFF808080u, Texels(chain, 1)[0])) << std::hex << Texels(chain, 1)[0];
    chain->Release();

    // Shrinking with the default filter averages what each texel covers.
    std::vector<std::uint32_t> stripes;
    for (int i = 0; i < 16; ++i)
    {
        stripes.push_back(i % 2 ? 0xFFFFFFFFu : 0xFF000000u);
    }
    const std::string striped = WritePicture("stripes.png", 4, 4, stripes, false);
    Texture* shrunk = LoadFile(device, striped, 2, 2, 1, Pool::Managed, DefaultValue);
    ASSERT_NE(nullptr, shrunk);
    for (std::uint32_t texel : Texels(shrunk, 0))
    {
        EXPECT_TRUE(NearColor(0xFF808080u, texel)) << std::hex << texel;
    }
    shrunk->Release();
}

TEST_F(TextureFilesTest, DdsCubesVolumesAndStoredFormats)
{
    // A cube of edge 8, one colour a face, one level.
    const std::uint32_t faceColours[6] = {0xFFFF0000, 0xFF00FFFF, 0xFF00FF00,
                                          0xFFFF00FF, 0xFF0000FF, 0xFFFFFF00};
    std::string faces;
    for (std::uint32_t colour : faceColours)
    {
        faces += Fill32(colour, 64);
    }
    const std::string cubePath = Write("sky.dds", Dds(8, 8, 1, 1, 0x200 | 0xFC00, kDdsArgb, faces));
    ImageInfo info;
    ASSERT_EQ(Ok, GetImageInfoFromFile(cubePath.c_str(), &info));
    EXPECT_EQ(ResourceType::CubeTexture, info.ResourceType);
    EXPECT_EQ(ImageFileFormat::Dds, info.ImageFileFormat);
    EXPECT_EQ(8u, info.Width);
    CubeTexture* cube = nullptr;
    ASSERT_EQ(Ok, CreateCubeTextureFromFileEx(device, cubePath.c_str(), DefaultValue, 1, 0, 0, Pool::Managed,
                                              DefaultValue, DefaultValue, 0, nullptr, nullptr, &cube));
    EXPECT_EQ(std::vector<std::uint32_t>(64, faceColours[CubeFace::PositiveY]),
              Texels(cube, 0, CubeFace::PositiveY));
    EXPECT_EQ(std::vector<std::uint32_t>(64, faceColours[CubeFace::NegativeZ]),
              Texels(cube, 0, CubeFace::NegativeZ));
    cube->Release();

    // A volume 4 × 4 × 2 with two levels, each slice its own colour.
    const std::string volumeData = Fill32(0xFF112233, 16) + Fill32(0xFF445566, 16) + Fill32(0xFF778899, 4);
    const std::string volumePath = Write("fog.dds", Dds(4, 4, 2, 2, 0x200000, kDdsArgb, volumeData));
    ASSERT_EQ(Ok, GetImageInfoFromFile(volumePath.c_str(), &info));
    EXPECT_EQ(ResourceType::VolumeTexture, info.ResourceType);
    EXPECT_EQ(2u, info.Depth);
    EXPECT_EQ(2u, info.MipLevels);
    VolumeTexture* volume = nullptr;
    ASSERT_EQ(Ok, CreateVolumeTextureFromFileEx(device, volumePath.c_str(), DefaultValue, DefaultValue,
                                                DefaultValue, DefaultValue, 0, 0, Pool::Managed, DefaultValue,
                                                DefaultValue, 0, nullptr, nullptr, &volume));
    ASSERT_EQ(3u, volume->GetLevelCount());
    std::vector<std::uint32_t> slices(16, 0xFF112233);
    slices.resize(32, 0xFF445566);
    EXPECT_EQ(slices, Texels(volume, 0));
    EXPECT_EQ(std::vector<std::uint32_t>(4, 0xFF778899), Texels(volume, 1)) << "the file's own level is used";
    volume->Release();

    // DXT1: a 4 × 4 block, top rows red (index 0), bottom rows blue (index 1); blocks kept and drawn.
    std::string block;
    Put16(block, 0xF800);
    Put16(block, 0x001F);
    Put32(block, 0x55550000);
    const std::string dxtPath = Write("block.dds", Dds(4, 4, 1, 1, 0, kDdsDxt1, block));
    Texture* dxt = LoadFile(device, dxtPath, DefaultValue, DefaultValue, 1);
    ASSERT_NE(nullptr, dxt);
    EXPECT_EQ(Format::Dxt1, dxt->Format());
    std::vector<std::uint32_t> expected(8, 0xFFFF0000);
    expected.resize(16, 0xFF0000FF);
    EXPECT_EQ(expected, Sample(dxt, 4, 4));
    dxt->Release();

    // A4R4G4B4 keeps its format and texels.
    std::string nibbles;
    for (std::uint32_t i = 0; i < 4; ++i)
    {
        Put16(nibbles, 0x8F00 + i * 0x11);
    }
    const std::string argb4Path = Write("nibbles.dds", Dds(2, 2, 1, 1, 0, kDdsArgb4, nibbles));
    Texture* argb4 = LoadFile(device, argb4Path, DefaultNonPowerOfTwo, DefaultNonPowerOfTwo, 1);
    ASSERT_NE(nullptr, argb4);
    EXPECT_EQ(Format::A4R4G4B4, argb4->Format());
    const std::vector<std::uint32_t> texels = Texels(argb4, 0);
    EXPECT_EQ(0x88FF0000u, texels[0]);
    EXPECT_EQ(0x88FF3333u, texels[3]);
    argb4->Release();

    // The wrong kind of file for a cube or a volume: refused, the information still given.
    const std::string flat = WritePicture("flat.png", 2, 2, std::vector<std::uint32_t>(4, 0xFF00FF00), false);
    ImageInfo flatInfo;
    EXPECT_EQ(InvalidData,
              CreateCubeTextureFromFileEx(device, flat.c_str(), DefaultValue, 1, 0, 0, Pool::Managed,
                                          DefaultValue, DefaultValue, 0, &flatInfo, nullptr, &cube));
    EXPECT_EQ(ImageFileFormat::Png, flatInfo.ImageFileFormat);
    EXPECT_EQ(InvalidData, CreateVolumeTextureFromFileEx(device, cubePath.c_str(), DefaultValue, DefaultValue,
                                                         DefaultValue, 1, 0, 0, Pool::Managed, DefaultValue,
                                                         DefaultValue, 0, &flatInfo, nullptr, &volume));
    EXPECT_EQ(ResourceType::CubeTexture, flatInfo.ResourceType);
}

TEST_F(TextureFilesTest, ColourKeyLetterCaseAndTheDefaultPool)
{
    std::vector<std::uint32_t> pixels = Pattern(4, 4, 0xFF);
    pixels[1] = pixels[6] = 0xFF00FF00;
    const std::string png = WritePicture("Textures/Keyed.PNG", 4, 4, pixels, true);
    Texture* keyed = LoadFile(device, (folder / "textures/keyed.png").string(), DefaultNonPowerOfTwo,
                              DefaultNonPowerOfTwo, 1, Pool::Managed, ImageFilter::None, 0xFF00FF00);
    ASSERT_NE(nullptr, keyed) << "found in other letter case";
    std::vector<std::uint32_t> expected = pixels;
    expected[1] = expected[6] = 0;
    EXPECT_EQ(expected, Texels(keyed, 0));
    keyed->Release();

    Texture* video = LoadFile(device, png, DefaultNonPowerOfTwo, DefaultNonPowerOfTwo, 1, Pool::Default);
    ASSERT_NE(nullptr, video);
    EXPECT_EQ(pixels, Sample(video, 4, 4));
    video->Release();

    // A plain surface filled from the file at its size, and at another size with the point filter.
    Surface* plain = nullptr;
    ASSERT_EQ(
        Ok, device->CreateOffscreenPlainSurface(4, 4, Format::A8R8G8B8, Pool::SystemMemory, &plain, nullptr));
    ImageInfo info;
    ASSERT_EQ(Ok, LoadSurfaceFromFile(plain, nullptr, nullptr, png.c_str(), nullptr, DefaultValue, 0, &info));
    EXPECT_EQ(4u, info.Width);
    EXPECT_EQ(pixels, Pixels(plain));
    plain->Release();
    ASSERT_EQ(Ok,
              device->CreateOffscreenPlainSurface(8, 8, Format::R5G6B5, Pool::SystemMemory, &plain, nullptr));
    ASSERT_EQ(Ok, LoadSurfaceFromFile(plain, nullptr, nullptr, png.c_str(), nullptr, ImageFilter::Point, 0,
                                      nullptr));
    EXPECT_TRUE(NearColor(pixels[5], Pixels(plain)[2 * 8 + 2], 8));
    plain->Release();
}

TEST_F(TextureFilesTest, BadFilesAreRefusedWithoutTouchingTheInformation)
{
    std::string truncatedDds = Dds(8, 8, 1, 1, 0, kDdsArgb, Fill32(0xFFFFFFFF, 64));
    truncatedDds.resize(truncatedDds.size() - 5);
    std::string pngHead = "\x89PNG\r\n\x1a\n";
    pngHead += std::string("\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0", 21) + "CRC!";
    std::string bigBmp = "BM";
    Put32(bigBmp, 70);
    Put32(bigBmp, 0);
    Put32(bigBmp, 54);
    Put32(bigBmp, 40);
    Put32(bigBmp, 70000);
    Put32(bigBmp, 70000);
    Put16(bigBmp, 1);
    Put16(bigBmp, 24);
    bigBmp.resize(70, '\0');
    std::string shortTga = Tga(4, 4, std::vector<std::uint32_t>(16, 0xFF123456));
    shortTga.resize(shortTga.size() - 3);
    std::string partialCube = Dds(4, 4, 1, 1, 0x200 | 0x0C00, kDdsArgb, Fill32(0xFFFFFFFF, 16 * 6));
    std::string tenBits = Dds(4, 4, 1, 1, 0, {0x40, 0, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0}, Fill32(0, 16));
    std::string undecodable = "\xFF\xD8\xFF\xC0";
    undecodable +=
        std::string("\0\x11\x08\0\x04\0\x04\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 17) + "garbage";

    const struct
    {
        const char* name;
        std::string bytes; // empty with missing set: no file
        bool missing;
    } cases[] = {
        {"missing.png", "", true},
        {"empty.png", "", false},
        {"truncated.dds", truncatedDds, false},
        {"huge.dds", Dds(65536, 65536, 1, 1, 0, kDdsArgb, Fill32(0, 4)), false},
        {"partial-cube.dds", partialCube, false},
        {"ten-bits.dds", tenBits, false},
        {"header-only.png", pngHead, false},
        {"huge.bmp", bigBmp, false},
        {"short.tga", shortTga, false},
        {"no-image.txt", "just text", false},
        {"undecodable.jpg", undecodable, false},
    };
    for (const auto& c : cases)
    {
        const std::string path = c.missing ? (folder / c.name).string() : Write(c.name, c.bytes);
        const ImageInfo untouched{7, 7, 7, 7, 7, 7, 7};
        ImageInfo info = untouched;
        Platform::DebugOutputCapture traces;
        ImageInfo headerInfo = untouched;
        const Result headerResult = GetImageInfoFromFile(path.c_str(), &headerInfo);
        Texture* texture = nullptr;
        EXPECT_EQ(InvalidData, CreateTextureFromFileEx(device, path.c_str(), DefaultValue, DefaultValue,
                                                       DefaultValue, 0, 0, Pool::Managed, DefaultValue,
                                                       DefaultValue, 0, &info, nullptr, &texture))
            << c.name;
        EXPECT_EQ(nullptr, texture);
        EXPECT_TRUE(SameInfo(untouched, info)) << c.name;
        EXPECT_NE(std::string::npos, traces.Text().find(c.name)) << traces.Text();
        if (std::string(c.name) != "undecodable.jpg")
        {
            EXPECT_EQ(InvalidData, headerResult) << c.name << ": the header alone tells";
            EXPECT_TRUE(SameInfo(untouched, headerInfo)) << c.name;
        }
    }
}

TEST_F(TextureFilesTest, SavedSurfaceRoundTripsThroughPng)
{
    std::vector<std::uint32_t> source(16 * 16);
    for (std::uint32_t y = 0; y < 16; ++y)
    {
        for (std::uint32_t x = 0; x < 16; ++x)
        {
            source[y * 16 + x] =
                y < 8 ? (x < 8 ? 0xFFFF0000 : 0xFF00FF00) : (x < 8 ? 0xFF0000FF : 0x80FFFFFF);
        }
    }
    const std::string png = WritePicture("quadrants.png", 16, 16, source, true);
    Texture* texture = nullptr;
    ASSERT_EQ(Ok, CreateTextureFromFileEx(device, png.c_str(), DefaultNonPowerOfTwo, DefaultNonPowerOfTwo, 1,
                                          0, 0, Pool::Managed, ImageFilter::None, DefaultValue, 0, nullptr,
                                          nullptr, &texture));
    Surface* level = nullptr;
    ASSERT_EQ(Ok, texture->GetSurfaceLevel(0, &level));
    const std::string saved = OutputPath("image_roundtrip.png");
    ASSERT_EQ(Ok, SaveSurfaceToFile(saved.c_str(), ImageFileFormat::Png, level, nullptr, nullptr));

    // Decoded with libpng directly, independent of the loading path under test.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(0, png_image_begin_read_from_file(&image, saved.c_str()));
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> decoded(PNG_IMAGE_SIZE(image) / 4);
    ASSERT_NE(0, png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr));
    EXPECT_EQ(16u, image.width);
    EXPECT_EQ(16u, image.height);
    EXPECT_EQ(source, decoded);

    // A folder that does not exist, and a file format other than PNG.
    Platform::DebugOutputCapture traces;
    const std::string nowhere = (folder / "no-such-folder" / "shot.png").string();
    EXPECT_TRUE(Failed(SaveSurfaceToFile(nowhere.c_str(), ImageFileFormat::Png, level, nullptr, nullptr)));
    EXPECT_NE(std::string::npos, traces.Text().find("no-such-folder")) << traces.Text();
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(InvalidCall, SaveSurfaceToFile((folder / "shot.bmp").string().c_str(), ImageFileFormat::Bmp,
                                             level, nullptr, nullptr));
    level->Release();
    texture->Release();
}

TEST_F(TextureFilesTest, DevilCallsOnAnotherThreadShareTheLock)
{
    // Main thread: textures through the loading path. Second thread: the bare decode the window
    // system's bitmaps use. DevIL's one bound image would mix them up without the shared lock.
    constexpr int kImages = 200;
    // Pictures large enough that decoding, not the device, takes most of each thread's time.
    const std::vector<std::uint32_t> red = Pattern(128, 96, 0xFF);
    const std::vector<std::uint32_t> blue = Pattern(96, 128, 0xFF);
    const std::string redPath = WritePicture("red.png", 128, 96, red, false);
    const std::string bluePath = WritePicture("blue.png", 96, 128, blue, false);
    std::ifstream blueFile(bluePath, std::ios::binary);
    const std::string blueBytes((std::istreambuf_iterator<char>(blueFile)), std::istreambuf_iterator<char>());
    std::atomic<int> wrong{0};
    std::thread other([&] {
        StartImageLibrary();
        for (int i = 0; i < kImages; ++i)
        {
            std::vector<std::uint32_t> texels;
            std::string error;
            const bool good = DecodeWithImageLibrary(ImageLibraryType::Png,
                                                     reinterpret_cast<const std::uint8_t*>(blueBytes.data()),
                                                     blueBytes.size(), 96, 128, texels, error) &&
                              texels == blue;
            wrong += good ? 0 : 1;
        }
    });
    int wrongHere = 0;
    for (int i = 0; i < kImages; ++i)
    {
        Texture* texture = nullptr;
        if (Failed(CreateTextureFromFileEx(device, redPath.c_str(), DefaultNonPowerOfTwo,
                                           DefaultNonPowerOfTwo, 1, 0, 0, Pool::Managed, ImageFilter::None,
                                           DefaultValue, 0, nullptr, nullptr, &texture)))
        {
            ++wrongHere;
            continue;
        }
        wrongHere += Texels(texture, 0) == red ? 0 : 1;
        texture->Release();
    }
    other.join();
    EXPECT_EQ(0, wrongHere);
    EXPECT_EQ(0, wrong.load());
}

} // namespace
} // namespace GfxTesting
