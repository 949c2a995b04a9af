#include "tests/engine/ResourceFixture.h"

#include "engine/BufferFactories.h"
#include "engine/DeviceStateMgr.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/TextureFiles.h"

#include <png.h>

#include <cstring>

namespace EngineTesting
{
namespace
{

using BaseLib::CResourcePtr;
using Qen::CIndexBuffer;
using Qen::CVertexBuffer;

using BufferTest = ResourceFixture;

std::vector<std::uint8_t> Contents(Platform::Gfx::Buffer* buffer)
{
    void* data = nullptr;
    EXPECT_EQ(Ok, buffer->Lock(0, 0, &data, LockFlag::ReadOnly));
    std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(data),
                                    static_cast<std::uint8_t*>(data) + buffer->Size());
    buffer->Unlock();
    return bytes;
}

TEST_F(BufferTest, BuffersAreSharedByNameAndSurviveAResetWithTheirSize)
{
    Qen::CVertexBufferFactory& vertices = *controller.GetVertexBufferFactory();
    CResourcePtr<CVertexBuffer> first;
    CResourcePtr<CVertexBuffer> second;
    vertices.GetVertexBuffer(first, 64, Usage::Dynamic | Usage::WriteOnly, {}, "particles");
    vertices.GetVertexBuffer(second, 128, 0, {}, "particles");
    EXPECT_EQ(first.Get(), second.Get());
    EXPECT_EQ(64u, first->GetSize());
    EXPECT_EQ(0u, first->GetBuffer()->GetPool());

    CResourcePtr<CIndexBuffer> indices;
    controller.GetIndexBufferFactory()->GetIndexBuffer(indices, 12, {}, "indices");
    EXPECT_EQ(Format::Index16, indices->GetBuffer()->IndexFormat());
    EXPECT_EQ(1u, indices->GetBuffer()->GetPool());
    const std::uint16_t triangle[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(Ok, indices->SetData(triangle));
    Platform::Gfx::IndexBuffer* managed = indices->GetBuffer();

    std::vector<std::uint8_t> data(64);
    for (std::size_t i = 0; i < data.size(); ++i)
    {
        data[i] = static_cast<std::uint8_t>(i * 3);
    }
    ASSERT_EQ(Ok, first->SetData(data.data()));
    EXPECT_EQ(data, Contents(first->GetBuffer()));

    LoseAndResetDevice();
    EXPECT_EQ(BaseLib::ResourceLoaded, first->GetState());
    ASSERT_NE(nullptr, first->GetBuffer());
    EXPECT_EQ(64u, first->GetSize());
    EXPECT_EQ(Usage::Dynamic | Usage::WriteOnly, first->GetBuffer()->GetUsage());
    EXPECT_EQ(std::vector<std::uint8_t>(64, 0), Contents(first->GetBuffer()));
    EXPECT_EQ(managed, indices->GetBuffer());
    const std::vector<std::uint8_t> kept(reinterpret_cast<const std::uint8_t*>(triangle),
                                         reinterpret_cast<const std::uint8_t*>(triangle) + sizeof triangle);
    EXPECT_EQ(kept, Contents(indices->GetBuffer()));

    // A clone copies the contents into a buffer of its own.
    Qen::CVertexBufferFactory::TVertexBufferParameters parameters;
    CResourcePtr<BaseLib::CResource> clone = vertices.GetResource("particles", parameters, true);
    ASSERT_EQ(Ok, first->SetData(data.data()));
    CResourcePtr<BaseLib::CResource> copy = vertices.GetResource("particles", parameters, true);
    auto& copied = static_cast<CVertexBuffer&>(*copy);
    ASSERT_NE(nullptr, copied.GetBuffer());
    EXPECT_NE(first->GetBuffer(), copied.GetBuffer());
    EXPECT_EQ(data, Contents(copied.GetBuffer()));
}

TEST_F(BufferTest, SetDataRefusesWithoutABufferAndWhileLocked)
{
    CResourcePtr<CVertexBuffer> buffer;
    controller.GetVertexBufferFactory()->GetVertexBuffer(buffer, 16, 0, {}, "static");
    const std::vector<std::uint8_t> before(16, 7);
    ASSERT_EQ(Ok, buffer->SetData(before.data()));

    void* held = nullptr;
    ASSERT_EQ(Ok, buffer->GetBuffer()->Lock(0, 0, &held, 0));
    const std::vector<std::uint8_t> after(16, 9);
    EXPECT_EQ(InvalidCall, buffer->SetData(after.data()));
    buffer->GetBuffer()->Unlock();
    EXPECT_EQ(before, Contents(buffer->GetBuffer()));

    CResourcePtr<CVertexBuffer> empty;
    controller.GetVertexBufferFactory()->GetVertexBuffer(empty, 0, 0, {}, "nothing");
    EXPECT_EQ(BaseLib::ResourceUnloaded, empty->GetState());
    EXPECT_EQ(0u, empty->GetSize());
    EXPECT_EQ(InvalidCall, empty->SetData(after.data()));
    EXPECT_TRUE(boxes.empty());
}

using ScreenshotTest = ResourceFixture;

TEST_F(ScreenshotTest, NamesTakeTheFirstFreeNumberAndOnlyOneRequestIsPending)
{
    Qen::CDisplayHead& head = *controller.GetHeads()[0];
    const std::string prefix = (folder / "shot").string();
    head.RequestScreenshot(prefix, false);
    EXPECT_EQ(prefix + ".png", head.screenshotName);
    head.RequestScreenshot(prefix + "-other", true);
    EXPECT_EQ(prefix + ".png", head.screenshotName);
    ASSERT_EQ(Ok, head.Present());
    EXPECT_FALSE(head.screenshotPending);
    EXPECT_TRUE(head.screenshotName.empty());
    EXPECT_TRUE(std::filesystem::exists(prefix + ".png"));
    EXPECT_FALSE(std::filesystem::exists(prefix + "-other.png"));

    WriteFile("shot00000.png", "taken");
    head.RequestScreenshot(prefix, false);
    EXPECT_EQ(prefix + "00001.png", head.screenshotName);
    ASSERT_EQ(Ok, head.Present());
    head.RequestScreenshot(prefix, false);
    EXPECT_EQ(prefix + "00002.png", head.screenshotName);
    ASSERT_EQ(Ok, head.Present());

    head.RequestScreenshot(prefix, true);
    EXPECT_EQ(prefix + ".png", head.screenshotName);
    ASSERT_EQ(Ok, head.Present());
    EXPECT_EQ(4u, std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()));

    // Without a swap chain nothing is presented and the request waits.
    head.RequestScreenshot(prefix, true);
    Platform::Gfx::SwapChain* swapChain = head.swapChain;
    swapChain->AddRef();
    head.AttachSwapChain(nullptr);
    EXPECT_EQ(InvalidCall, head.Present());
    EXPECT_TRUE(head.screenshotPending);
    head.BeginFrame();
    head.AttachSwapChain(swapChain);
    swapChain->Release();
}

TEST_F(ScreenshotTest, BeginFrameSetsTheTargetOnlyWhenTheCacheDiffers)
{
    Qen::CDisplayHead& head = *controller.GetHeads()[0];
    head.BeginFrame();
    const Viewport small{0, 0, 10, 10, 0.0f, 1.0f};
    ASSERT_EQ(Ok, device->SetViewport(&small));
    head.BeginFrame();
    Viewport viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(10u, viewport.Width);

    controller.GetStateManager()->InvalidateCache();
    head.BeginFrame();
    device->GetViewport(&viewport);
    EXPECT_EQ(64u, viewport.Width);
    EXPECT_EQ(48u, viewport.Height);

    ASSERT_EQ(Ok, device->SetRenderState(161, 0));
    std::uint32_t antialias = 0;
    head.multiSampling = true;
    head.BeginFrame();
    device->GetRenderState(161, &antialias);
    EXPECT_EQ(1u, antialias);
}

// The picture as 0xRRGGBB pixels, read with the PNG library.
std::vector<std::uint32_t> ReadPng(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0)
    {
        return {};
    }
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> pixels(image.width * image.height);
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    width = image.width;
    height = image.height;
    for (std::uint32_t& pixel : pixels)
    {
        pixel &= 0xFFFFFF;
    }
    return pixels;
}

class FrameTest : public ResourceFixture
{
protected:
    FrameTest()
    {
        headWidth = 320;
        headHeight = 240;
    }
};

TEST_F(FrameTest, AScreenshotOfAFrameHoldsWhatWasDrawn)
{
    Qen::CDisplayHead& head = *controller.GetHeads()[0];
    head.BeginFrame();
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF204080, 1.0f, 0));

    Shader* vertexProgram = nullptr;
    Shader* pixelProgram = nullptr;
    Platform::Gfx::VertexDeclaration* declaration = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(GfxTesting::kPassThroughVertexProgram, &vertexProgram, &log))
        << log;
    ASSERT_EQ(Ok, device->CreatePixelShader(GfxTesting::kColourPixelProgram, &pixelProgram, &log)) << log;
    const VertexElement elements[] = {
        {0, 0, DeclType::Float4, 0, DeclUsage::Position, 0},
        {0, 16, DeclType::Color, 0, DeclUsage::Color, 0},
        {0, 20, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
        DeclarationEnd,
    };
    ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &declaration));
    // Pixels 100-219 × 80-159, in the engine's pixel centres.
    auto clipX = [](float x) { return x / 320.0f * 2.0f - 1.0f; };
    auto clipY = [](float y) { return 1.0f - y / 240.0f * 2.0f; };
    const GfxTesting::TestVertex quad[] = {
        {clipX(99.5f), clipY(79.5f), 0.5f, 1, 0xFFFFC000, 0, 0},
        {clipX(219.5f), clipY(79.5f), 0.5f, 1, 0xFFFFC000, 0, 0},
        {clipX(99.5f), clipY(159.5f), 0.5f, 1, 0xFFFFC000, 0, 0},
        {clipX(219.5f), clipY(159.5f), 0.5f, 1, 0xFFFFC000, 0, 0},
    };
    CResourcePtr<CVertexBuffer> vertices;
    controller.GetVertexBufferFactory()->GetVertexBuffer(vertices, sizeof quad, Usage::WriteOnly, {}, "quad");
    ASSERT_EQ(Ok, vertices->SetData(quad));
    device->SetStreamSource(0, vertices->GetBuffer(), 0, sizeof(GfxTesting::TestVertex));
    device->SetVertexDeclaration(declaration);
    device->SetVertexShader(vertexProgram);
    device->SetPixelShader(pixelProgram);
    ASSERT_EQ(Ok, device->BeginScene());
    ASSERT_EQ(Ok, device->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2));
    ASSERT_EQ(Ok, device->EndScene());
    device->SetStreamSource(0, nullptr, 0, 0);
    for (CountedObject* object :
         std::initializer_list<CountedObject*>{vertexProgram, pixelProgram, declaration})
    {
        object->Release();
    }

    const std::string prefix = OutputPath("screenshot");
    head.RequestScreenshot(prefix, true);
    ASSERT_EQ(Ok, head.Present());
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::vector<std::uint32_t> pixels = ReadPng(prefix + ".png", width, height);
    ASSERT_EQ(320u, width);
    ASSERT_EQ(240u, height);
    int wrong = 0;
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const bool inside = x >= 100 && x <= 219 && y >= 80 && y <= 159;
            if (pixels[y * width + x] != (inside ? 0xFFC000u : 0x204080u) && ++wrong <= 5)
            {
                ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << pixels[y * width + x];
            }
        }
    }
    EXPECT_EQ(0, wrong);
}

} // namespace
} // namespace EngineTesting
