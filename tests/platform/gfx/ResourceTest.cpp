#include "tests/platform/gfx/DrawFixture.h"

#include <limits>

namespace GfxTesting
{
namespace
{

using ResourceTest = DrawFixture;

std::vector<std::uint32_t> Pattern(std::uint32_t width, std::uint32_t height, std::uint32_t seed)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        pixels[i] = 0xFF000000u | ((static_cast<std::uint32_t>(i) * 37 + seed) * 0x010307u & 0xFFFFFFu);
    }
    return pixels;
}

TEST_F(ResourceTest, LevelDescriptionsFollowTheChain)
{
    VolumeTexture* volume = nullptr;
    ASSERT_EQ(Ok,
              device->CreateVolumeTexture(8, 4, 2, 0, 0, Format::A8R8G8B8, Pool::Managed, &volume, nullptr));
    ASSERT_EQ(4u, volume->GetLevelCount());
    EXPECT_EQ(ResourceType::VolumeTexture, volume->GetType());
    const std::uint32_t sizes[4][3] = {{8, 4, 2}, {4, 2, 1}, {2, 1, 1}, {1, 1, 1}};
    for (std::uint32_t level = 0; level < 4; ++level)
    {
        VolumeDesc desc;
        ASSERT_EQ(Ok, volume->GetLevelDesc(level, &desc));
        EXPECT_EQ(sizes[level][0], desc.Width) << level;
        EXPECT_EQ(sizes[level][1], desc.Height) << level;
        EXPECT_EQ(sizes[level][2], desc.Depth) << level;
        EXPECT_EQ(ResourceType::Volume, desc.Type);
        EXPECT_EQ(Pool::Managed, desc.Pool);
    }
    VolumeDesc beyond;
    EXPECT_EQ(InvalidCall, volume->GetLevelDesc(4, &beyond));
    LockedBox box;
    ASSERT_EQ(Ok, volume->LockBox(0, &box, nullptr, 0));
    EXPECT_EQ(32, box.RowPitch);
    EXPECT_EQ(128, box.SlicePitch);
    ASSERT_EQ(Ok, volume->UnlockBox(0));
    volume->Release();

    Texture* texture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(16, 4, 3, Usage::RenderTarget, Format::X8R8G8B8, Pool::Default,
                                        &texture, nullptr));
    EXPECT_EQ(3u, texture->GetLevelCount());
    SurfaceDesc desc;
    ASSERT_EQ(Ok, texture->GetLevelDesc(2, &desc));
    EXPECT_EQ(4u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    EXPECT_EQ(MultiSample::None, desc.MultiSampleType);
    EXPECT_EQ(0u, desc.MultiSampleQuality);
    EXPECT_EQ(Usage::RenderTarget, desc.Usage);
    EXPECT_EQ(ResourceType::Surface, desc.Type);
    Surface* first = nullptr;
    Surface* again = nullptr;
    ASSERT_EQ(Ok, texture->GetSurfaceLevel(1, &first));
    ASSERT_EQ(Ok, texture->GetSurfaceLevel(1, &again));
    EXPECT_EQ(first, again);
    LockedRect locked;
    EXPECT_EQ(InvalidCall, first->LockRect(&locked, nullptr, 0)) << "render targets never lock";
    first->Release();
    again->Release();
    texture->Release();

    CubeTexture* cube = nullptr;
    ASSERT_EQ(Ok, device->CreateCubeTexture(8, 0, 0, Format::A8R8G8B8, Pool::Managed, &cube, nullptr));
    EXPECT_EQ(4u, cube->GetLevelCount());
    EXPECT_EQ(ResourceType::CubeTexture, cube->GetType());
    Surface* face = nullptr;
    ASSERT_EQ(Ok, cube->GetCubeMapSurface(CubeFace::NegativeZ, 1, &face));
    EXPECT_EQ(4u, face->Desc().Width);
    face->Release();
    cube->Release();

    Texture* refused = nullptr;
    EXPECT_EQ(InvalidCall,
              device->CreateTexture(4, 4, 1, 0, Format::D24S8, Pool::Managed, &refused, nullptr));
    EXPECT_EQ(InvalidCall, device->CreateTexture(4, 4, 1, 0, 0x12345678u, Pool::Managed, &refused, nullptr));
    EXPECT_EQ(InvalidCall, device->CreateTexture(4, 4, 1, Usage::RenderTarget, Format::A8R8G8B8,
                                                 Pool::Managed, &refused, nullptr));
}

TEST_F(ResourceTest, CopiesBetweenPoolsCarryTheRightPixels)
{
    const std::vector<std::uint32_t> source = Pattern(4, 4, 1);
    Texture* managed = MakeTexture(4, 4, source);
    Texture* onCard = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Default, &onCard, nullptr));
    LockedRect locked;
    EXPECT_EQ(InvalidCall, onCard->LockRect(0, &locked, nullptr, 0))
        << "a default-pool texture without the dynamic usage";
    ASSERT_EQ(Ok, device->UpdateTexture(managed, onCard));
    EXPECT_EQ(source, Sample(onCard, 4, 4));

    // A 2 × 2 rectangle of a plain surface to the point (1, 2) of the texture's level.
    const std::vector<std::uint32_t> patch = Pattern(3, 3, 99);
    Surface* plain = nullptr;
    ASSERT_EQ(
        Ok, device->CreateOffscreenPlainSurface(3, 3, Format::A8R8G8B8, Pool::SystemMemory, &plain, nullptr));
    ASSERT_EQ(Ok, plain->LockRect(&locked, nullptr, 0));
    std::memcpy(locked.pBits, patch.data(), patch.size() * 4);
    plain->UnlockRect();
    Surface* level = nullptr;
    ASSERT_EQ(Ok, onCard->GetSurfaceLevel(0, &level));
    const Rect from{1, 0, 3, 2};
    const Platform::Point to{1, 2};
    ASSERT_EQ(Ok, device->UpdateSurface(plain, &from, level, &to));
    std::vector<std::uint32_t> expected = source;
    expected[2 * 4 + 1] = patch[0 * 3 + 1];
    expected[2 * 4 + 2] = patch[0 * 3 + 2];
    expected[3 * 4 + 1] = patch[1 * 3 + 1];
    expected[3 * 4 + 2] = patch[1 * 3 + 2];
    EXPECT_EQ(expected, Sample(onCard, 4, 4));
    const Platform::Point outside{3, 3};
    EXPECT_EQ(InvalidCall, device->UpdateSurface(plain, &from, level, &outside));
    Surface* wrongFormat = nullptr;
    ASSERT_EQ(Ok, device->CreateOffscreenPlainSurface(3, 3, Format::R5G6B5, Pool::SystemMemory, &wrongFormat,
                                                      nullptr));
    EXPECT_EQ(InvalidCall, device->UpdateSurface(wrongFormat, nullptr, level, nullptr));
    wrongFormat->Release();
    level->Release();
    plain->Release();

    // Render-target textures copy into memory pools, too.
    Texture* drawn = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 1, Usage::RenderTarget, Format::A8R8G8B8, Pool::Default, &drawn,
                                        nullptr));
    Surface* drawnLevel = nullptr;
    ASSERT_EQ(Ok, drawn->GetSurfaceLevel(0, &drawnLevel));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, drawnLevel));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF123456u, 1.0f, 0));
    drawnLevel->Release();
    Texture* copy = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::SystemMemory, &copy, nullptr));
    ASSERT_EQ(Ok, device->UpdateTexture(drawn, copy));
    ASSERT_EQ(Ok, copy->LockRect(0, &locked, nullptr, LockFlag::ReadOnly));
    EXPECT_EQ(0xFF123456u, *static_cast<std::uint32_t*>(locked.pBits));
    copy->UnlockRect(0);
    Texture* otherFormat = nullptr;
    ASSERT_EQ(Ok,
              device->CreateTexture(4, 4, 1, 0, Format::X8R8G8B8, Pool::SystemMemory, &otherFormat, nullptr));
    EXPECT_EQ(InvalidCall, device->UpdateTexture(copy, otherFormat));
    otherFormat->Release();
    copy->Release();
    drawn->Release();
    onCard->Release();
    managed->Release();
}

TEST_F(ResourceTest, LockedDynamicTexturesUploadTheirRectangle)
{
    const std::vector<std::uint32_t> first = Pattern(4, 4, 5);
    Texture* dynamic = MakeTexture(4, 4, first, Format::A8R8G8B8, Pool::Default, Usage::Dynamic);
    ASSERT_NE(nullptr, dynamic);
    EXPECT_EQ(first, Sample(dynamic, 4, 4));
    const Rect rect{2, 1, 3, 3};
    LockedRect locked;
    ASSERT_EQ(Ok, dynamic->LockRect(0, &locked, &rect, LockFlag::Discard));
    EXPECT_EQ(16, locked.Pitch);
    static_cast<std::uint32_t*>(locked.pBits)[0] = 0xFFABCDEFu;
    *reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + locked.Pitch) = 0xFF010203u;
    EXPECT_EQ(InvalidCall, dynamic->LockRect(0, &locked, nullptr, 0)) << "locked twice";
    ASSERT_EQ(Ok, dynamic->UnlockRect(0));
    std::vector<std::uint32_t> expected = first;
    expected[1 * 4 + 2] = 0xFFABCDEFu;
    expected[2 * 4 + 2] = 0xFF010203u;
    EXPECT_EQ(expected, Sample(dynamic, 4, 4));
    dynamic->Release();

    // A texture that makes its own mipmaps shows one level and fills the others from it.
    Texture* mipmapped = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 0, Usage::AutoGenMipMap, Format::A8R8G8B8, Pool::Managed,
                                        &mipmapped, nullptr));
    EXPECT_EQ(1u, mipmapped->GetLevelCount());
    mipmapped->Release();
}

TEST_F(ResourceTest, BuffersLockRangesAndDescribeThemselves)
{
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(64, Usage::Dynamic | Usage::WriteOnly, 0x142, Pool::Default,
                                             &buffer, nullptr));
    VertexBufferDesc desc;
    ASSERT_EQ(Ok, buffer->GetDesc(&desc));
    EXPECT_EQ(64u, desc.Size);
    EXPECT_EQ(0x142u, desc.FVF);
    EXPECT_EQ(ResourceType::VertexBuffer, desc.Type);
    EXPECT_EQ(Usage::Dynamic | Usage::WriteOnly, desc.Usage);
    void* data = nullptr;
    ASSERT_EQ(Ok, buffer->Lock(16, 0, &data, LockFlag::Discard));
    static_cast<std::uint8_t*>(data)[47] = 0x5A;
    EXPECT_EQ(InvalidCall, buffer->Lock(0, 4, &data, 0));
    ASSERT_EQ(Ok, buffer->Unlock());
    EXPECT_EQ(InvalidCall, buffer->Unlock());
    ASSERT_EQ(Ok, buffer->Lock(0, 0, &data, LockFlag::ReadOnly));
    EXPECT_EQ(0x5A, static_cast<std::uint8_t*>(data)[63]);
    buffer->Unlock();
    EXPECT_EQ(InvalidCall, buffer->Lock(60, 8, &data, 0));
    buffer->Release();
    IndexBuffer* refused = nullptr;
    EXPECT_EQ(InvalidCall,
              device->CreateIndexBuffer(16, 0, Format::A8R8G8B8, Pool::Managed, &refused, nullptr));
    EXPECT_EQ(InvalidCall, device->CreateVertexBuffer(0, 0, 0, Pool::Managed, &buffer, nullptr));
}

TEST_F(ResourceTest, DefaultPoolBindingsReleasedByTheirOwnersDoNotBlockAReset)
{
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(64, 0, 0, Pool::Default, &buffer, nullptr));
    Texture* texture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 1, Usage::Dynamic, Format::A8R8G8B8, Pool::Default, &texture,
                                        nullptr));
    ASSERT_EQ(Ok, device->SetStreamSource(0, buffer, 0, 16));
    ASSERT_EQ(Ok, device->SetTexture(0, texture));
    Texture* managed = MakeTexture(2, 2, Pattern(2, 2, 3));
    ASSERT_EQ(Ok, device->SetTexture(1, managed));
    managed->Release();
    device->SetSamplerState(0, SamplerState::AddressU, TextureAddress::Clamp);
    if (target)
    {
        target->Release();
        target = nullptr;
    }
    device->SimulateDeviceLoss(0);
    PresentParameters record = Record(windows[0], 64, 64);
    {
        Platform::DebugOutputCapture traces;
        EXPECT_EQ(InvalidCall, device->Reset(&record));
        EXPECT_NE(std::string::npos, traces.Text().find("vertex buffer 64 bytes")) << traces.Text();
        EXPECT_NE(std::string::npos, traces.Text().find("texture 4x4")) << traces.Text();
    }
    // Bindings are gone after a reset attempt; the owners' releases are the last references.
    buffer->Release();
    texture->Release();
    ASSERT_EQ(Ok, device->Reset(&record));
    BaseTexture* bound = nullptr;
    ASSERT_EQ(Ok, device->GetTexture(0, &bound));
    EXPECT_EQ(nullptr, bound);
    std::uint32_t address = 0;
    ASSERT_EQ(Ok, device->GetSamplerState(0, SamplerState::AddressU, &address));
    EXPECT_EQ(TextureAddress::Wrap, address);
}

TEST_F(ResourceTest, EveryCallReachesTheDeviceAndIsCounted)
{
    const DeviceCounters before = device->Counters();
    Texture* texture = MakeTexture(1, 1, {0xFFFF0000u});
    device->SetTexture(0, texture);
    device->SetTexture(0, texture);
    device->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Linear);
    device->SetTextureStageState(0, 1, 4);
    device->SetVertexShader(vertexProgram);
    device->SetPixelShader(textureProgram);
    const float zero[4] = {};
    device->SetVertexShaderConstantF(0, zero, 1);
    device->SetPixelShaderConstantF(0, zero, 1);
    device->SetStreamSource(0, nullptr, 0, 0);
    const DeviceCounters& after = device->Counters();
    EXPECT_EQ(before.textures + 2, after.textures);
    EXPECT_EQ(before.samplerStates + 1, after.samplerStates);
    EXPECT_EQ(before.textureStageStates + 1, after.textureStageStates);
    EXPECT_EQ(before.shaders + 2, after.shaders);
    EXPECT_EQ(before.constants + 2, after.constants);
    EXPECT_EQ(before.streamSources + 1, after.streamSources);
    std::uint32_t value = 0;
    ASSERT_EQ(Ok, device->GetSamplerState(0, SamplerState::MagFilter, &value));
    EXPECT_EQ(TextureFilter::Linear, value);
    ASSERT_EQ(Ok, device->GetTextureStageState(0, 1, &value));
    EXPECT_EQ(4u, value);
    float read[4] = {1, 1, 1, 1};
    ASSERT_EQ(Ok, device->GetVertexShaderConstantF(0, read, 1));
    EXPECT_EQ(0.0f, read[0]);
    EXPECT_EQ(InvalidCall, device->SetVertexShaderConstantF(255, zero, 2));
    device->SetTexture(0, nullptr);
    texture->Release();

    Matrix world;
    world.m[3][0] = 5.0f;
    ASSERT_EQ(Ok, device->SetTransform(TransformState::World, &world));
    Matrix readBack;
    ASSERT_EQ(Ok, device->GetTransform(TransformState::World, &readBack));
    EXPECT_EQ(5.0f, readBack.m[3][0]);
    ASSERT_EQ(Ok, device->GetTransform(TransformState::View, &readBack));
    EXPECT_EQ(1.0f, readBack.m[0][0]);
    Light light;
    light.Range = 7.0f;
    ASSERT_EQ(Ok, device->SetLight(2, &light));
    ASSERT_EQ(Ok, device->LightEnable(2, true));
    bool enabled = false;
    ASSERT_EQ(Ok, device->GetLightEnable(2, &enabled));
    EXPECT_TRUE(enabled);
}

TEST_F(ResourceTest, TextureStageStatesStartAtTheirDefaults)
{
    struct Expected
    {
        std::uint32_t stage;
        std::uint32_t type;
        std::uint32_t value;
    };
    // Operations 1/4 (colour, alpha): modulate and first argument on stage 0, disabled after it;
    // arguments take the texture (2) and the current colour (1), also the third argument (26, 27) and
    // the result (28).
    const Expected defaults[] = {
        {0, 1, 4}, {1, 1, 1},  {0, 2, 2},  {0, 3, 1},  {0, 4, 2},  {1, 4, 1},  {0, 5, 2},
        {0, 6, 1}, {3, 11, 3}, {0, 26, 1}, {0, 27, 1}, {0, 28, 1}, {7, 28, 1}, {0, 32, 0},
    };
    for (const Expected& expected : defaults)
    {
        std::uint32_t value = 0xDEAD;
        ASSERT_EQ(Ok, device->GetTextureStageState(expected.stage, expected.type, &value));
        EXPECT_EQ(expected.value, value) << "stage " << expected.stage << " type " << expected.type;
    }
}

TEST_F(ResourceTest, CompressedTexturesLockAsBlocksAndSample)
{
    Texture* texture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(8, 4, 1, 0, Format::Dxt1, Pool::Managed, &texture, nullptr));
    LockedRect locked;
    ASSERT_EQ(Ok, texture->LockRect(0, &locked, nullptr, 0));
    EXPECT_EQ(16, locked.Pitch) << "two blocks of 8 bytes per row of blocks";
    // Left block: colour 0 red, every index 0; right block: colour 1 blue, every index 1.
    const std::uint8_t blocks[16] = {0x00, 0xF8, 0x1F, 0x00, 0,    0,    0,    0,
                                     0x00, 0xF8, 0x1F, 0x00, 0x55, 0x55, 0x55, 0x55};
    std::memcpy(locked.pBits, blocks, sizeof(blocks));
    ASSERT_EQ(Ok, texture->UnlockRect(0));
    const Rect unaligned{1, 0, 4, 4};
    EXPECT_EQ(InvalidCall, texture->LockRect(0, &locked, &unaligned, 0));
    const std::vector<std::uint32_t> pixels = Sample(texture, 8, 4);
    EXPECT_EQ(0xFFFF0000u, pixels[0]);
    EXPECT_EQ(0xFF0000FFu, pixels[7]);

    // Plain surfaces in a compressed format lock block by block and copy into textures.
    Surface* plain = nullptr;
    ASSERT_EQ(Ok,
              device->CreateOffscreenPlainSurface(8, 4, Format::Dxt1, Pool::SystemMemory, &plain, nullptr));
    const Rect right{4, 0, 8, 4};
    ASSERT_EQ(Ok, plain->LockRect(&locked, &right, 0));
    EXPECT_EQ(16, locked.Pitch);
    std::memcpy(locked.pBits, blocks, 8); // red
    ASSERT_EQ(Ok, plain->UnlockRect());
    const Rect left{0, 0, 4, 4};
    ASSERT_EQ(Ok, plain->LockRect(&locked, &left, 0));
    std::memcpy(locked.pBits, blocks + 8, 8); // blue
    ASSERT_EQ(Ok, plain->UnlockRect());
    EXPECT_EQ(InvalidCall, plain->LockRect(&locked, &unaligned, 0));
    Surface* level = nullptr;
    ASSERT_EQ(Ok, texture->GetSurfaceLevel(0, &level));
    ASSERT_EQ(Ok, device->UpdateSurface(plain, nullptr, level, nullptr));
    const std::vector<std::uint32_t> copied = Sample(texture, 8, 4);
    EXPECT_EQ(0xFF0000FFu, copied[0]);
    EXPECT_EQ(0xFFFF0000u, copied[7]);
    level->Release();
    plain->Release();
    texture->Release();
}

TEST(BlockDecoding, CompressedBlocksDecodeAsTheFormatsDefine)
{
    struct Case
    {
        const char* what;
        std::uint32_t format;
        std::vector<std::uint8_t> block;
        std::uint32_t first;  // pixel (0, 0)
        std::uint32_t second; // pixel (1, 0)
    };
    const Case cases[] = {
        // Colour 0 red above colour 1 blue: four colours, index 2 two thirds red.
        {"four colours", Format::Dxt1, {0x00, 0xF8, 0x1F, 0x00, 0x08, 0, 0, 0}, 0xFFFF0000u, 0xFFAA0055u},
        // Colour 0 below colour 1: index 3 is transparent black, index 2 the middle.
        {"three colours", Format::Dxt1, {0x1F, 0x00, 0x00, 0xF8, 0x0B, 0, 0, 0}, 0x00000000u, 0xFF7F007Fu},
        // Explicit alpha: nibbles 0x3 and 0xC.
        {"explicit alpha",
         Format::Dxt3,
         {0xC3, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xF8, 0x1F, 0x00, 0, 0, 0, 0},
         0x33FF0000u,
         0xCCFF0000u},
        // Interpolated alpha 200 .. 100, indices 1 and 2.
        {"interpolated alpha",
         Format::Dxt5,
         {200, 100, 0x11, 0, 0, 0, 0, 0, 0xE0, 0x07, 0, 0, 0, 0, 0, 0},
         0x6400FF00u,
         0xB900FF00u},
    };
    for (const Case& c : cases)
    {
        const std::vector<std::uint32_t> pixels =
            DecodeBlocks(c.format, 4, 4, c.block.data(), c.block.size());
        ASSERT_EQ(16u, pixels.size()) << c.what;
        EXPECT_TRUE(NearColor(c.first, pixels[0])) << c.what << std::hex << ": " << pixels[0];
        EXPECT_TRUE(NearColor(c.second, pixels[1])) << c.what << std::hex << ": " << pixels[1];
    }
    const std::uint8_t tooShort[4] = {};
    EXPECT_TRUE(DecodeBlocks(Format::Dxt1, 4, 4, tooShort, sizeof(tooShort)).empty());
}

TEST_F(ResourceTest, VolumeCopiesReachTheCard)
{
    VolumeTexture* managed = nullptr;
    ASSERT_EQ(Ok,
              device->CreateVolumeTexture(2, 2, 2, 1, 0, Format::A8R8G8B8, Pool::Managed, &managed, nullptr));
    LockedBox box;
    ASSERT_EQ(Ok, managed->LockBox(0, &box, nullptr, 0));
    auto* texels = static_cast<std::uint32_t*>(box.pBits);
    for (int i = 0; i < 8; ++i)
    {
        texels[i] = i < 4 ? 0xFFFF0000u : 0xFF0000FFu; // slice 0 red, slice 1 blue
    }
    ASSERT_EQ(Ok, managed->UnlockBox(0));
    VolumeTexture* onCard = nullptr;
    ASSERT_EQ(Ok,
              device->CreateVolumeTexture(2, 2, 2, 1, 0, Format::A8R8G8B8, Pool::Default, &onCard, nullptr));
    ASSERT_EQ(Ok, device->UpdateTexture(managed, onCard));

    Shader* volumeProgram = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreatePixelShader(R"(
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler3D Sampler0;
void main() { FragmentColor = texture(Sampler0, vec3(vTexCoord, vColor.r)); }
)",
                                            &volumeProgram, &log))
        << log;
    UseTarget(2, 2, 0);
    device->SetTexture(0, onCard);
    // Red 0x40 selects depth 0.25 (slice 0), 0xC0 depth 0.75 (slice 1).
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 1.5f, 0.5f, 0.5f, 0xFF400000u, volumeProgram));
    ASSERT_EQ(Ok, DrawQuad(-0.5f, 0.5f, 1.5f, 1.5f, 0.5f, 0xFFC00000u, volumeProgram));
    device->SetTexture(0, nullptr);
    const std::vector<std::uint32_t> pixels = Pixels(target);
    EXPECT_EQ(0xFFFF0000u, pixels[0]);
    EXPECT_EQ(0xFF0000FFu, pixels[2]);
    volumeProgram->Release();
    onCard->Release();
    managed->Release();
}

TEST_F(ResourceTest, SizesAndCopiesBeyondTheirLimitsAreRefused)
{
    // Larger than the device's textures: refused before any memory is taken for them.
    Caps caps;
    ASSERT_EQ(Ok, device->GetDeviceCaps(&caps));
    Texture* texture = nullptr;
    EXPECT_EQ(InvalidCall, device->CreateTexture(caps.MaxTextureWidth + 1, 1, 1, 0, Format::A8R8G8B8,
                                                 Pool::Managed, &texture, nullptr));
    EXPECT_EQ(InvalidCall, device->CreateTexture(1, caps.MaxTextureHeight + 1, 1, 0, Format::A8R8G8B8,
                                                 Pool::SystemMemory, &texture, nullptr));
    CubeTexture* cube = nullptr;
    EXPECT_EQ(InvalidCall, device->CreateCubeTexture(caps.MaxTextureWidth + 1, 1, 0, Format::A8R8G8B8,
                                                     Pool::Managed, &cube, nullptr));
    VolumeTexture* volume = nullptr;
    EXPECT_EQ(InvalidCall, device->CreateVolumeTexture(1, 1, caps.MaxVolumeExtent + 1, 1, 0, Format::A8R8G8B8,
                                                       Pool::Managed, &volume, nullptr));
    Surface* plain = nullptr;
    EXPECT_EQ(InvalidCall, device->CreateOffscreenPlainSurface(caps.MaxTextureWidth + 1, 1, Format::A8R8G8B8,
                                                               Pool::SystemMemory, &plain, nullptr));

    // Rectangles and points whose far edge lies past the largest coordinate.
    ASSERT_EQ(
        Ok, device->CreateOffscreenPlainSurface(4, 4, Format::A8R8G8B8, Pool::SystemMemory, &plain, nullptr));
    Surface* other = nullptr;
    ASSERT_EQ(
        Ok, device->CreateOffscreenPlainSurface(4, 4, Format::A8R8G8B8, Pool::SystemMemory, &other, nullptr));
    const std::int32_t largest = std::numeric_limits<std::int32_t>::max();
    const Rect small{0, 0, 2, 2};
    const Platform::Point farRight{largest - 1, 0};
    const Platform::Point farDown{0, largest - 1};
    EXPECT_EQ(InvalidCall, device->UpdateSurface(plain, &small, other, &farRight));
    EXPECT_EQ(InvalidCall, device->UpdateSurface(plain, &small, other, &farDown));
    const Rect wide{std::numeric_limits<std::int32_t>::min(), 0, 2, 2};
    EXPECT_EQ(InvalidCall, device->UpdateSurface(plain, &wide, other, nullptr));
    other->Release();
    plain->Release();
}

} // namespace
} // namespace GfxTesting
