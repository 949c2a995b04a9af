#include "tests/framework/CanvasFixture.h"

#include "foundation/ResourceRegistry.h"
#include "foundation/TypeTag.h"
#include "platform/gfx/Buffer.h"
#include "platform/os/DebugOutput.h"
#include "ui/FontFactory.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <numbers>

using BaseLib::CColor;
using BaseLib::CRect;
using GameLib::CanvasVertex;
using GameLib::CQenUILibCanvas;

namespace FrameworkTesting
{
namespace
{

const CColor white(255, 255, 255, 255);
const CColor black(0, 0, 0, 255);
const CColor red(255, 0, 0, 255);
const CColor blue(0, 0, 255, 255);
const CColor transparent(0, 0, 0, 0);
constexpr std::uint32_t kBackground = 0xFF204080;

// White with a one-pixel black-and-white checkerboard in the top-left size × size corner, (0, 0) black.
void CheckerCorner(UILib::CCanvas& canvas, std::int32_t size)
{
    canvas.Clear(white);
    for (std::int32_t y = 0; y < size; ++y)
    {
        for (std::int32_t x = 0; x < size; ++x)
        {
            if ((x + y) % 2 == 0)
            {
                canvas.SetPixel(x, y, black);
            }
        }
    }
}

std::vector<CanvasVertex> ReadVertices(CQenUILibCanvas* canvas)
{
    const std::size_t count = canvas->GetTiles().size() * 4;
    std::vector<CanvasVertex> vertices(count);
    void* data = nullptr;
    EXPECT_EQ(Ok, canvas->GetVertexBuffer()->Lock(0, 0, &data, LockFlag::ReadOnly));
    std::memcpy(vertices.data(), data, count * sizeof(CanvasVertex));
    canvas->GetVertexBuffer()->Unlock();
    return vertices;
}

std::vector<int> DirtyFlags(const CQenUILibCanvas* canvas)
{
    std::vector<int> flags;
    for (const GameLib::CanvasTile& tile : canvas->GetTiles())
    {
        flags.push_back(tile.dirty);
    }
    return flags;
}

using QenCanvas = CanvasFixture;

TEST_F(QenCanvas, TilesVerticesAndStagingSizeFollowTheCanvasSize)
{
    struct Case
    {
        std::int32_t width, height, columns, rows, lastWidth, lastHeight;
    };
    for (const Case& c : {Case{300, 200, 3, 2, 44, 72}, Case{256, 128, 2, 1, 128, 128}})
    {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        CQenUILibCanvas* canvas = MakeCanvas(c.width, c.height);
        ASSERT_TRUE(canvas->HasDeviceObjects());
        EXPECT_EQ(BaseLib::MakeTypeTag("DX90"), canvas->GetTypeTag());
        EXPECT_EQ(c.columns, canvas->GetColumns());
        EXPECT_EQ(c.rows, canvas->GetRows());
        const auto& tiles = canvas->GetTiles();
        ASSERT_EQ(static_cast<std::size_t>(c.columns * c.rows), tiles.size());
        const GameLib::CanvasTile& last = tiles.back();
        EXPECT_EQ(c.lastWidth, last.width);
        EXPECT_EQ(c.lastHeight, last.height);
        EXPECT_EQ(CRect(c.width - c.lastWidth, c.height - c.lastHeight, c.width, c.height),
                  CRect(last.left, last.top, last.right, last.bottom));
        EXPECT_EQ(6 * static_cast<int>(tiles.size() - 1), last.firstIndex);

        const std::vector<CanvasVertex> vertices = ReadVertices(canvas);
        const CanvasVertex& bottomRight = vertices.back();
        EXPECT_FLOAT_EQ(static_cast<float>(c.width), bottomRight.x);
        EXPECT_FLOAT_EQ(static_cast<float>(c.height), bottomRight.y);
        EXPECT_FLOAT_EQ(1.0f, bottomRight.w);
        EXPECT_FLOAT_EQ(c.lastWidth / 128.0f + 0.5f / 128.0f, bottomRight.u);
        EXPECT_FLOAT_EQ(c.lastHeight / 128.0f + 0.5f / 128.0f, bottomRight.v);
        EXPECT_FLOAT_EQ(0.5f / 128.0f, vertices[vertices.size() - 4].u);
    }

    struct StagingCase
    {
        std::uint32_t caps;
        std::int32_t width, height;
    };
    const std::uint32_t pow2 = TextureCapsBit::Pow2;
    const std::uint32_t square = TextureCapsBit::SquareOnly;
    const std::uint32_t conditional = TextureCapsBit::NonPow2Conditional;
    for (const StagingCase& c : {StagingCase{0, 300, 200}, StagingCase{pow2, 512, 256},
                                 StagingCase{pow2 | square, 512, 512},
                                 StagingCase{pow2 | square | conditional, 300, 300},
                                 StagingCase{pow2 | conditional, 300, 200}})
    {
        EXPECT_EQ(BaseLib::CSize(c.width, c.height), CQenUILibCanvas::StagingTextureSize(300, 200, c.caps))
            << "caps " << c.caps;
    }
    EXPECT_EQ(BaseLib::CSize(1, 1), CQenUILibCanvas::StagingTextureSize(1, 0, pow2));
}

TEST_F(QenCanvas, ScalingRewritesTheVerticesOnlyWhenItChanges)
{
    CQenUILibCanvas* canvas = MakeCanvas(300, 200);
    const std::uint64_t fills = canvas->GetVertexFillCount();
    canvas->SetScaling(1.0f, 1.0f);
    EXPECT_EQ(fills, canvas->GetVertexFillCount());
    canvas->SetScaling(2.0f, 2.0f);
    EXPECT_EQ(fills + 1, canvas->GetVertexFillCount());
    EXPECT_FLOAT_EQ(0.25f / 128.0f, ReadVertices(canvas)[0].u);
}

TEST_F(QenCanvas, ChangedAreasMarkTheTilesUnderThem)
{
    CQenUILibCanvas* canvas = MakeCanvas(300, 200); // 3 × 2 tiles
    struct Case
    {
        const char* what;
        CRect rect;
        bool transparent;
        std::vector<int> dirty;
    };
    const std::vector<Case> cases = {
        {"left of the canvas", CRect(-50, 10, -10, 20), false, {0, 0, 0, 0, 0, 0}},
        {"above the canvas", CRect(10, -50, 20, -10), false, {0, 0, 0, 0, 0, 0}},
        {"right of the canvas", CRect(300, 10, 350, 20), false, {0, 0, 0, 0, 0, 0}},
        {"below the canvas", CRect(10, 200, 20, 250), false, {0, 0, 0, 0, 0, 0}},
        {"zero width", CRect(10, 10, 10, 20), false, {0, 0, 0, 0, 0, 0}},
        {"one pixel at 128, 128", CRect(128, 128, 129, 129), false, {0, 0, 0, 0, 1, 0}},
        {"across the second row's edge", CRect(130, 120, 260, 130), true, {0, 1, 1, 0, 1, 1}},
        {"overhanging everything", CRect(-5, -5, 900, 900), false, {1, 1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases)
    {
        canvas->UploadDirtyTiles();
        ASSERT_EQ(std::vector<int>(6, 0), DirtyFlags(canvas));
        canvas->OnRectChanged(c.rect.left, c.rect.top, c.rect.right, c.rect.bottom, c.transparent);
        EXPECT_EQ(c.dirty, DirtyFlags(canvas)) << c.what;
        for (std::size_t i = 0; i < 6; ++i)
        {
            if (c.dirty[i] != 0)
            {
                EXPECT_EQ(c.transparent ? 2 : 0, canvas->GetTiles()[i].contentState) << c.what;
            }
        }
    }

    // Pixels: one outside marks nothing; a transparent one turns only a visible state into 2.
    canvas->UploadDirtyTiles();
    canvas->OnPixelChanged(-1, 5, false);
    canvas->OnPixelChanged(300, 5, false);
    EXPECT_EQ(std::vector<int>(6, 0), DirtyFlags(canvas));
    canvas->OnPixelChanged(5, 5, true);
    EXPECT_EQ(2, canvas->GetTiles()[0].contentState);
    canvas->OnPixelChanged(5, 5, false);
    EXPECT_EQ(0, canvas->GetTiles()[0].contentState);
    canvas->OnPixelChanged(5, 5, true);
    EXPECT_EQ(2, canvas->GetTiles()[0].contentState);

    // The window system's own operations report through the hooks: a transparent fill gives state 2,
    // a 10 × 10 area costs one upload.
    canvas->UploadDirtyTiles();
    PaintCanvas(canvas, [](UILib::CCanvas& c) { c.FillRect(130, 10, 140, 20, transparent); });
    EXPECT_EQ(std::vector<int>({0, 1, 0, 0, 0, 0}), DirtyFlags(canvas));
    EXPECT_EQ(2, canvas->GetTiles()[1].contentState);
    canvas->UploadDirtyTiles();
    const std::uint64_t uploads = canvas->GetUploadCount();
    PaintCanvas(canvas, [](UILib::CCanvas& c) { c.FillRect(260, 150, 270, 160, red); });
    DrawFrame(kBackground, canvas);
    EXPECT_EQ(uploads + 1, canvas->GetUploadCount());
    EXPECT_EQ(0, canvas->GetTiles()[5].contentState);
}

TEST_F(QenCanvas, AtScalingOneEveryScreenPixelIsTheCanvasPixel)
{
    CQenUILibCanvas* canvas = MakeCanvas(300, 200);
    canvas->SetPosition(10, 20);
    EXPECT_EQ(BaseLib::CPoint(10, 20), canvas->GetPosition());
    // Checkerboard everywhere, a red border, blue in the last tile's bottom-right pixel.
    std::vector<std::uint32_t> expected(300 * 200);
    PaintCanvas(canvas, [&](UILib::CCanvas& c) {
        for (std::int32_t y = 0; y < 200; ++y)
        {
            for (std::int32_t x = 0; x < 300; ++x)
            {
                CColor colour = (x + y) % 2 == 0 ? black : white;
                if (x == 0 || y == 0 || x == 299 || y == 199)
                {
                    colour = red;
                }
                if (x == 299 && y == 199)
                {
                    colour = blue;
                }
                c.SetPixel(x, y, colour);
                expected[static_cast<std::size_t>(y) * 300 + static_cast<std::size_t>(x)] = colour.argb;
            }
        }
    });
    DrawFrame(kBackground, canvas);
    ReadScreen();
    WriteScreen("canvas_exact.png");
    int wrong = 0;
    for (std::int32_t y = 0; y < 200 && wrong < 5; ++y)
    {
        for (std::int32_t x = 0; x < 300 && wrong < 5; ++x)
        {
            const std::uint32_t want = expected[static_cast<std::size_t>(y) * 300 + static_cast<std::size_t>(x)];
            if ((At(x + 10, y + 20) & 0xFFFFFF) != (want & 0xFFFFFF))
            {
                ADD_FAILURE() << "canvas pixel (" << x << ", " << y << ")";
                ++wrong;
            }
        }
    }
    // Nothing outside the canvas area.
    EXPECT_TRUE(PixelNear(9, 20, kBackground, 0));
    EXPECT_TRUE(PixelNear(10, 19, kBackground, 0));
    EXPECT_TRUE(PixelNear(310, 219, kBackground, 0));
    EXPECT_TRUE(PixelNear(309, 220, kBackground, 0));
}

TEST_F(QenCanvas, TransparencyAndBrightnessBlendWithTheBackground)
{
    // Left half opaque white, right half fully transparent.
    CQenUILibCanvas* canvas = MakeCanvas(200, 100);
    canvas->SetPosition(100, 100);
    PaintCanvas(canvas, [](UILib::CCanvas& c) {
        c.FillRect(0, 0, 100, 100, white);
        c.FillRect(100, 0, 200, 100, transparent);
    });
    const std::uint32_t background = 0xFF80C040;

    canvas->SetBrightnessLevel(128);
    DrawFrame(background, canvas);
    ReadScreen();
    EXPECT_TRUE(PixelNear(150, 150, 0x808080));
    EXPECT_TRUE(PixelNear(250, 150, 0x406020)); // the background behind the canvas, darkened
    EXPECT_TRUE(PixelNear(50, 50, background, 0));

    canvas->SetBrightnessLevel(255);
    canvas->SetTransparencyLevel(128);
    DrawFrame(background, canvas);
    ReadScreen();
    WriteScreen("canvas_blend.png");
    EXPECT_TRUE(PixelNear(150, 150, 0xC0E0A0));
    EXPECT_TRUE(PixelNear(250, 150, background, 0));

    canvas->SetTransparencyLevel(0);
    DrawFrame(background, canvas);
    ReadScreen();
    EXPECT_TRUE(PixelNear(150, 150, background, 0));
}

TEST_F(QenCanvas, BrightnessZeroClearsTheWholeTargetOnlyForALayerRoot)
{
    CQenUILibCanvas* root = MakeCanvas(640, 480);
    PaintCanvas(root, [](UILib::CCanvas& c) { c.Clear(transparent); });
    CQenUILibCanvas* child = MakeCanvas(100, 100);
    PaintCanvas(child, [](UILib::CCanvas& c) { c.Clear(white); });
    root->AddChildCanvas(child);
    ASSERT_TRUE(root->HasVertexShader());

    child->SetBrightnessLevel(0);
    const CRect clip(50, 60, 150, 160);
    DrawFrame(kBackground, {{root, nullptr}, {child, &clip}});
    ReadScreen();
    WriteScreen("canvas_fade_child.png");
    EXPECT_EQ(0u, At(50, 60) & 0xFFFFFF);
    EXPECT_EQ(0u, At(149, 159) & 0xFFFFFF);
    EXPECT_TRUE(PixelNear(49, 60, kBackground, 0));
    EXPECT_TRUE(PixelNear(150, 159, kBackground, 0));
    EXPECT_TRUE(PixelNear(400, 300, kBackground, 0));

    root->SetBrightnessLevel(0);
    DrawFrame(kBackground, root);
    ReadScreen();
    EXPECT_EQ(0u, At(0, 0) & 0xFFFFFF);
    EXPECT_EQ(0u, At(639, 479) & 0xFFFFFF);
}

TEST_F(QenCanvas, RotationAndTheInheritedTransformPlaceTheCanvas)
{
    CQenUILibCanvas* canvas = MakeCanvas(100, 100);
    canvas->SetPosition(200, 100);
    PaintCanvas(canvas, [](UILib::CCanvas& c) {
        c.Clear(white);
        c.FillRect(0, 0, 4, 4, red);
    });
    canvas->SetRotation(std::numbers::pi_v<float> / 2.0f);

    // A child at (10, 10) of a parent at (300, 250): placed by the parent's transform, cut to its clip
    // rectangle, which is in its own coordinates (the left 20 × 30 of its 40 × 40 area).
    CQenUILibCanvas* parent = MakeCanvas(200, 200);
    parent->SetPosition(300, 250);
    PaintCanvas(parent, [](UILib::CCanvas& c) { c.Clear(transparent); });
    CQenUILibCanvas* child = MakeCanvas(40, 40);
    child->SetPosition(10, 10);
    PaintCanvas(child, [](UILib::CCanvas& c) { c.Clear(blue); });
    parent->AddChildCanvas(child);
    const CRect clip(0, 0, 20, 30);

    DrawFrame(kBackground, {{canvas, nullptr}, {parent, nullptr}, {child, &clip}});
    ReadScreen();
    WriteScreen("canvas_rotation.png");
    for (std::int32_t y = 101; y <= 102; ++y)
    {
        for (std::int32_t x = 297; x <= 298; ++x)
        {
            EXPECT_TRUE(PixelNear(x, y, 0xFF0000, 0));
        }
    }
    EXPECT_TRUE(PixelNear(292, 101, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(297, 108, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(201, 101, 0xFFFFFF, 0)); // the unrotated corner is white

    EXPECT_TRUE(PixelNear(311, 261, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(328, 288, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(332, 270, kBackground, 0)); // the child's right part, cut by the clip
    EXPECT_TRUE(PixelNear(308, 270, kBackground, 0));
}

TEST_F(QenCanvas, AWindowsWholeClipShowsItWhereverItStands)
{
    // The window system clips an own canvas to the window's visible rectangle in the canvas's own
    // coordinates; a window away from its parent's origin is drawn whole.
    CQenUILibCanvas* canvas = MakeCanvas(40, 40);
    canvas->SetPosition(200, 150);
    PaintCanvas(canvas, [](UILib::CCanvas& c) { c.Clear(blue); });
    const CRect clip(0, 0, 40, 40);
    DrawFrame(kBackground, {{canvas, &clip}});
    ReadScreen();
    EXPECT_TRUE(PixelNear(201, 151, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(238, 188, 0x0000FF, 0));
    EXPECT_TRUE(PixelNear(241, 160, kBackground, 0));
}

TEST_F(QenCanvas, AProgramThatDoesNotCompileLeavesTheFixedFunctionPath)
{
    const std::filesystem::path file = folder / "broken.vsh";
    std::ofstream(file) << "void main() { this is not a program }\n";
    auto* canvas = new CQenUILibCanvas(&controller, 100, 100, 128, 128);
    canvases.push_back(canvas);
    canvas->EnableVertexShader(BaseLib::CString(file.string().c_str()));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].rfind("vsh - error|", 0)) << boxes[0];
    EXPECT_FALSE(canvas->HasVertexShader());
    EXPECT_TRUE(canvas->IsVertexShaderWanted());

    // Fixed function: at the screen's top-left whatever the offset, brightness ignored, transparency kept.
    canvas->SetPosition(300, 300);
    canvas->SetBrightnessLevel(64);
    PaintCanvas(canvas, [](UILib::CCanvas& c) { c.Clear(red); });
    DrawFrame(kBackground, canvas);
    ReadScreen();
    WriteScreen("canvas_fixed_function.png");
    EXPECT_TRUE(PixelNear(50, 50, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(350, 350, kBackground, 0));

    // Each new attempt (here a resize) shows the box again.
    canvas->Resize(120, 100);
    EXPECT_EQ(2u, boxes.size());
    EXPECT_FALSE(canvas->HasVertexShader());
}

TEST_F(QenCanvas, AfterADeviceResetTheTilesComeBackAndThePictureIsTheSame)
{
    CQenUILibCanvas* canvas = MakeCanvas(300, 200);
    canvas->SetPosition(40, 30);
    const auto paint = [](UILib::CCanvas& c) {
        CheckerCorner(c, 64);
        c.FillRect(200, 150, 300, 200, red);
    };
    PaintCanvas(canvas, paint);
    DrawFrame(kBackground, canvas);
    const std::vector<std::uint32_t> before = ReadScreen();

    device->SimulateDeviceLoss(1);
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());
    LoseAndResetDevice();
    ASSERT_EQ(Ok, device->TestCooperativeLevel());
    for (const GameLib::CanvasTile& tile : canvas->GetTiles())
    {
        ASSERT_NE(nullptr, tile.texture->GetTexture());
    }
    ASSERT_EQ(1u, canvas->GetDirtyRects().GetCount());
    EXPECT_EQ(CRect(0, 0, 300, 200), canvas->GetDirtyRects()[0]);

    PaintCanvas(canvas, paint);
    DrawFrame(kBackground, canvas);
    const std::vector<std::uint32_t> after = ReadScreen();
    WriteScreen("canvas_after_reset.png");
    EXPECT_TRUE(before == after);
    EXPECT_TRUE(PixelNear(40, 30, 0x000000, 0));
}

TEST_F(QenCanvas, ACanvasBeyondTheLargestTextureTracesOnceAndDrawsNothing)
{
    Platform::DebugOutputCapture capture;
    CQenUILibCanvas* canvas = MakeCanvas(20000, 10);
    const std::string traced = capture.Text();
    EXPECT_NE(std::string::npos, traced.find("20000 x 10")) << traced;
    EXPECT_EQ(1, std::count(traced.begin(), traced.end(), '\n')) << traced;
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(canvas->HasDeviceObjects());

    canvas->BeginDraw();
    EXPECT_FALSE(canvas->IsLocked());
    EXPECT_EQ(nullptr, canvas->GetPixels());
    canvas->FillRect(0, 0, 100, 10, red); // no block: draws nothing
    canvas->EndDraw(true);
    DrawFrame(kBackground, canvas);
    ReadScreen();
    EXPECT_TRUE(PixelNear(5, 5, kBackground, 0));

    // A resize to a size the device can hold makes it draw.
    canvas->Resize(100, 10);
    ASSERT_TRUE(canvas->HasDeviceObjects());
    EXPECT_TRUE(canvas->HasVertexShader());
    PaintCanvas(canvas, [](UILib::CCanvas& c) { c.Clear(red); });
    DrawFrame(kBackground, canvas);
    ReadScreen();
    EXPECT_TRUE(PixelNear(5, 5, 0xFF0000, 0));
}

TEST_F(QenCanvas, PictureOfTwoCanvasesWithTextRotationAndTransparency)
{
    BaseLib::CResourceRegistry registry;
    registry.SetMemoryLimit(3 * 1024 * 1024);
    auto fonts = std::make_unique<UILib::CFontFactory>(&registry);
    BaseLib::CResourcePtr<UILib::CFont> font = UILib::CreateAlphaBitmapFont(fonts.get(), 16, "DejaVu Sans", 0, 0, 5, 0);
    ASSERT_TRUE(font);

    CQenUILibCanvas* a = MakeCanvas(300, 200);
    a->SetPosition(10, 20);
    PaintCanvas(a, [&](UILib::CCanvas& c) {
        CheckerCorner(c, 64);
        c.DrawText(font, 10, 180, "Canvas through the device", black, 0);
    });
    CQenUILibCanvas* b = MakeCanvas(200, 100);
    b->SetPosition(380, 300);
    PaintCanvas(b, [](UILib::CCanvas& c) { CheckerCorner(c, 64); });
    b->SetRotation(std::numbers::pi_v<float> / 2.0f);
    b->SetTransparencyLevel(128);

    DrawFrame(kBackground, {{a, nullptr}, {b, nullptr}});
    ReadScreen();
    WriteScreen("canvas.png");
    EXPECT_TRUE(PixelNear(5, 5, 0x204080));
    EXPECT_TRUE(PixelNear(10, 20, 0x000000));
    EXPECT_TRUE(PixelNear(11, 20, 0xFFFFFF));
    EXPECT_TRUE(PixelNear(200, 150, 0xFFFFFF));
    EXPECT_TRUE(PixelNear(480, 350, 0x90A0C0));
    // The text left ink below canvas y 150.
    int ink = 0;
    for (std::int32_t y = 170; y < 220; ++y)
    {
        for (std::int32_t x = 20; x < 300; ++x)
        {
            ink += (At(x, y) & 0xFF) < 0x80 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 50);
    font.Clear();
    fonts.reset();
}

} // namespace
} // namespace FrameworkTesting
