#include "framework/QenUILibCanvas.h"

#include "engine/EngineController.h"
#include "engine/DisplaySettings.h"
#include "foundation/Debug.h"
#include "foundation/TypeTag.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/Math.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

namespace GameLib
{

using namespace Platform::Gfx;

namespace
{

// The built-in vertex program. c0 = (opacity, brightness, 0, 1), c1 = (2 / screen width,
// -2 / screen height, 0, 0), c2..c4 the columns of the canvas-to-screen matrix: canvas pixels become
// screen pixels and then clip space; the diffuse colour carries brightness × (opacity, opacity,
// opacity, 1) into the texture stages.
constexpr const char* kBuiltInVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 8) in vec4 TexCoord0;
layout(std140) uniform VertexConstants { vec4 c[256]; };
void main()
{
    vec3 r1 = vec3(dot(Position, c[2]), dot(Position, c[3]), dot(Position, c[4]));
    gl_Position = vec4(r1 * c[1].xyz + vec3(-1.0, 1.0, 0.0), 1.0);
    StageTexCoord0 = TexCoord0;
    StageDiffuse = c[0].y * c[0].xxxw;
}
)";

constexpr float kByteToUnit = 0.003921569f;
constexpr std::int32_t kMaxTilesFor16BitIndices = 65536 / 4;

std::uint32_t NextPowerOfTwo(std::int32_t value)
{
    std::uint32_t power = 1;
    while (value > 1 && power < static_cast<std::uint32_t>(value))
    {
        power <<= 1;
    }
    return power;
}

void ReleaseAndClear(auto*& object)
{
    if (object != nullptr)
    {
        object->Release();
        object = nullptr;
    }
}

// Zeroes level 0; false when the lock fails.
bool ClearTexture(Texture* texture)
{
    SurfaceDesc desc;
    LockedRect locked;
    if (texture == nullptr || Failed(texture->GetLevelDesc(0, &desc)) || Failed(texture->LockRect(0, &locked, nullptr, 0)))
    {
        return false;
    }
    std::memset(locked.pBits, 0, static_cast<std::size_t>(locked.Pitch) * desc.Height);
    texture->UnlockRect(0);
    return true;
}

// Copies a rectangle of level 0 of one texture to a point of level 0 of another.
Result CopyLevel0(Device* device, Texture* source, const Rect* sourceRect, Texture* destination)
{
    Surface* from = nullptr;
    Surface* to = nullptr;
    Result result = source->GetSurfaceLevel(0, &from);
    if (Succeeded(result))
    {
        result = destination->GetSurfaceLevel(0, &to);
    }
    if (Succeeded(result))
    {
        const Platform::Point origin{0, 0};
        result = device->UpdateSurface(from, sourceRect, to, &origin);
    }
    ReleaseAndClear(from);
    ReleaseAndClear(to);
    return result;
}

// The texture a resource holds, waiting first when it is still queued for loading.
Texture* HeldTexture(const BaseLib::CResourcePtr<Qen::CTexture>& resource)
{
    if (!resource)
    {
        return nullptr;
    }
    if (resource->GetState() == BaseLib::ResourceScheduled)
    {
        resource->WaitUntilLoaded();
    }
    return static_cast<Texture*>(resource->GetTexture());
}

} // namespace

CQenUILibCanvas::CQenUILibCanvas(Qen::CEngineController* engine, std::int32_t width, std::int32_t height,
                                 std::int32_t tileWidth, std::int32_t tileHeight)
    : CTextureCanvas(width, height), m_engine(engine), m_tileWidth(tileWidth), m_tileHeight(tileHeight)
{
    CreateDeviceObjects();
}

CQenUILibCanvas::~CQenUILibCanvas()
{
    if (m_locked)
    {
        EndDraw(false);
    }
    ReleaseDeviceObjects();
    m_tiles.clear();
    m_tiles.shrink_to_fit();
    m_staging.Clear();
}

CQenUILibCanvas* CQenUILibCanvas::Make(Qen::CEngineController* engine, std::int32_t width, std::int32_t height)
{
    auto* canvas = new CQenUILibCanvas(engine, width, height, 128, 128);
    canvas->EnableVertexShader(BaseLib::CString(""));
    return canvas;
}

void CQenUILibCanvas::Destroy()
{
    delete this;
}

std::uint32_t CQenUILibCanvas::GetTypeTag() const
{
    return BaseLib::MakeTypeTag("DX90");
}

void CQenUILibCanvas::Resize(std::int32_t width, std::int32_t height)
{
    ReleaseDeviceObjects();
    CTextureCanvas::Resize(width, height);
    CreateDeviceObjects();
}

BaseLib::CSize CQenUILibCanvas::GetSize() const
{
    return BaseLib::CSize(m_width, m_height);
}

void CQenUILibCanvas::SetPosition(std::int32_t x, std::int32_t y)
{
    SetOffset(static_cast<float>(x), static_cast<float>(y));
}

BaseLib::CPoint CQenUILibCanvas::GetPosition() const
{
    return BaseLib::CPoint(static_cast<std::int32_t>(m_offset.x), static_cast<std::int32_t>(m_offset.y));
}

BaseLib::CSize CQenUILibCanvas::StagingTextureSize(std::int32_t width, std::int32_t height, std::uint32_t textureCaps)
{
    std::int32_t w = width;
    std::int32_t h = height;
    if ((textureCaps & TextureCapsBit::Pow2) != 0 && (textureCaps & TextureCapsBit::NonPow2Conditional) == 0)
    {
        w = static_cast<std::int32_t>(NextPowerOfTwo(w));
        h = static_cast<std::int32_t>(NextPowerOfTwo(h));
    }
    if ((textureCaps & TextureCapsBit::SquareOnly) != 0)
    {
        w = h = std::max(w, h);
    }
    return BaseLib::CSize(w, h);
}

void CQenUILibCanvas::TraceFailure(const char* object) const
{
    BaseLib::DebugOutput("CQenUILibCanvas: %d x %d canvas: could not make its %s; it draws nothing\n", m_width,
                         m_height, object);
}

Texture* CQenUILibCanvas::StagingDeviceTexture() const
{
    return HeldTexture(m_staging);
}

bool CQenUILibCanvas::CreateStagingTexture()
{
    Device* device = m_engine->GetDevice();
    Caps caps;
    device->GetDeviceCaps(&caps);
    const BaseLib::CSize size = StagingTextureSize(m_width, m_height, caps.TextureCaps);
    // Asked beforehand so that a layout's oversized window gives one trace and no failure box.
    if (size.cx < 1 || size.cy < 1 || static_cast<std::uint32_t>(size.cx) > caps.MaxTextureWidth ||
        static_cast<std::uint32_t>(size.cy) > caps.MaxTextureHeight)
    {
        m_staging.Clear();
        return false;
    }
    BaseLib::CResourcePtr<Qen::CTexture> made;
    m_engine->GetTextureFactory()->CreateTexture(made, size.cx, size.cy, 1, 0, Format::A8R8G8B8,
                                                 Pool::SystemMemory, this, nullptr, &OnStagingTextureCreated, "");
    m_staging = made;
    Texture* staging = HeldTexture(m_staging);
    return staging != nullptr && Succeeded(staging->GetSurfaceLevel(0, &m_stagingSurface));
}

Texture* CQenUILibCanvas::CreateBlankTile() const
{
    Texture* blank = nullptr;
    if (Failed(m_engine->GetDevice()->CreateTexture(static_cast<std::uint32_t>(m_tileWidth),
                                                    static_cast<std::uint32_t>(m_tileHeight), 1, 0,
                                                    Format::A8R8G8B8, Pool::SystemMemory, &blank, nullptr)))
    {
        return nullptr;
    }
    if (!ClearTexture(blank))
    {
        ReleaseAndClear(blank);
    }
    return blank;
}

void CQenUILibCanvas::CreateDeviceObjects()
{
    m_ready = false;
    Device* device = m_engine->GetDevice();
    const Platform::Gfx::PresentParameters& head = m_engine->GetDeviceSettings()->records[0];
    m_screenWidth = static_cast<std::int32_t>(head.BackBufferWidth);
    m_screenHeight = static_cast<std::int32_t>(head.BackBufferHeight);

    if (m_width < 1 || m_height < 1 || m_tileWidth < 1 || m_tileHeight < 1)
    {
        TraceFailure("tiles");
        return;
    }
    if (!CreateStagingTexture())
    {
        TraceFailure("staging texture");
        return;
    }

    m_columns = (m_width - 1) / m_tileWidth + 1;
    m_rows = (m_height - 1) / m_tileHeight + 1;
    const std::int32_t count = m_columns * m_rows;
    if (count > kMaxTilesFor16BitIndices)
    {
        TraceFailure("tiles");
        return;
    }
    // The array keeps its records across a release; capacity moves in steps of 32 records.
    const auto capacity = static_cast<std::size_t>((count + 31) / 32 * 32);
    if (m_tiles.capacity() > capacity + 32)
    {
        m_tiles.shrink_to_fit();
    }
    m_tiles.reserve(capacity);
    m_tiles.resize(static_cast<std::size_t>(count));

    const auto tileCount = static_cast<std::uint32_t>(count);
    if (Failed(device->CreateVertexBuffer(tileCount * 4 * kVertexStride, Usage::WriteOnly, kVertexFvf, Pool::Managed,
                                          &m_vertexBuffer, nullptr)))
    {
        TraceFailure("vertex buffer");
        return;
    }
    if (Failed(device->CreateIndexBuffer(tileCount * 6 * sizeof(std::uint16_t), Usage::WriteOnly, Format::Index16,
                                         Pool::Managed, &m_indexBuffer, nullptr)))
    {
        TraceFailure("index buffer");
        return;
    }
    void* indexData = nullptr;
    if (Failed(m_indexBuffer->Lock(0, 0, &indexData, 0)))
    {
        TraceFailure("index buffer lock");
        return;
    }
    auto* indices = static_cast<std::uint16_t*>(indexData);

    Texture* blank = CreateBlankTile();
    bool tilesMade = blank != nullptr;
    const Rect blankRect{0, 0, m_tileWidth, m_tileHeight};
    for (std::int32_t row = 0; row < m_rows; ++row)
    {
        for (std::int32_t column = 0; column < m_columns; ++column)
        {
            const std::int32_t index = row * m_columns + column;
            CanvasTile& tile = m_tiles[static_cast<std::size_t>(index)];
            tile.x = column * m_tileWidth;
            tile.y = row * m_tileHeight;
            tile.width = std::min(m_tileWidth, m_width - tile.x);
            tile.height = std::min(m_tileHeight, m_height - tile.y);
            tile.left = tile.x;
            tile.top = tile.y;
            tile.right = tile.x + tile.width;
            tile.bottom = tile.y + tile.height;
            tile.dirty = 1;
            tile.contentState = 0;
            if (tilesMade)
            {
                BaseLib::CResourcePtr<Qen::CTexture> made;
                m_engine->GetTextureFactory()->CreateTexture(made, m_tileWidth, m_tileHeight, m_tileMipLevels,
                                                             Usage::AutoGenMipMap, Format::A8R8G8B8, m_tilePool,
                                                             this, nullptr, &InitTileTexture, "");
                tile.texture = made;
                Texture* texture = HeldTexture(tile.texture);
                tilesMade = texture != nullptr && Succeeded(CopyLevel0(device, blank, &blankRect, texture));
            }
            const auto first = static_cast<std::uint16_t>(4 * index);
            std::uint16_t* out = indices + 6 * index;
            out[0] = first;
            out[1] = static_cast<std::uint16_t>(first + 1);
            out[2] = static_cast<std::uint16_t>(first + 2);
            out[3] = static_cast<std::uint16_t>(first + 2);
            out[4] = static_cast<std::uint16_t>(first + 1);
            out[5] = static_cast<std::uint16_t>(first + 3);
            tile.firstIndex = 6 * index;
        }
    }
    FillVertexBuffer();
    ReleaseAndClear(blank);
    m_indexBuffer->Unlock();
    if (!tilesMade)
    {
        TraceFailure("tile textures");
        return;
    }
    ClearTexture(StagingDeviceTexture());
    MarkAllDirty();
    m_ready = true;
    if (m_vertexShaderWanted)
    {
        EnableVertexShader(m_shaderFile);
    }
}

void CQenUILibCanvas::ReleaseDeviceObjects()
{
    m_ready = false;
    ReleaseAndClear(m_vertexShader);
    ReleaseAndClear(m_declaration);
    if (m_locked)
    {
        EndDraw(false);
    }
    ReleaseAndClear(m_stagingSurface);
    m_staging.Clear();
    ReleaseAndClear(m_vertexBuffer);
    ReleaseAndClear(m_indexBuffer);
    for (CanvasTile& tile : m_tiles)
    {
        tile.texture.Clear();
    }
}

void CQenUILibCanvas::OnStagingTextureCreated(Qen::CTextureFactory::TFill* record, BaseTexture*)
{
    static_cast<CQenUILibCanvas*>(record->data1)->MarkAllDirty();
}

void CQenUILibCanvas::InitTileTexture(Qen::CTextureFactory::TFill* record, BaseTexture* texture)
{
    auto* canvas = static_cast<CQenUILibCanvas*>(record->data1);
    canvas->MarkAllDirty();
    // A tile made again after a reset takes the staging pixels at the next draw even if the window
    // system repaints nothing.
    for (CanvasTile& tile : canvas->m_tiles)
    {
        tile.dirty = 1;
    }
    Texture* blank = canvas->CreateBlankTile();
    if (blank == nullptr || texture == nullptr)
    {
        ReleaseAndClear(blank);
        return;
    }
    const Rect blankRect{0, 0, canvas->m_tileWidth, canvas->m_tileHeight};
    CopyLevel0(canvas->m_engine->GetDevice(), blank, &blankRect, static_cast<Texture*>(texture));
    ReleaseAndClear(blank);
}

void CQenUILibCanvas::FillVertexBuffer()
{
    if (m_vertexBuffer == nullptr)
    {
        return;
    }
    void* data = nullptr;
    if (Failed(m_vertexBuffer->Lock(0, 0, &data, 0)))
    {
        return;
    }
    auto* vertex = static_cast<CanvasVertex*>(data);
    const float tileWidth = static_cast<float>(m_tileWidth);
    const float tileHeight = static_cast<float>(m_tileHeight);
    const float uMin = 0.5f / (tileWidth * m_scaling.x);
    const float vMin = 0.5f / (tileHeight * m_scaling.y);
    for (const CanvasTile& tile : m_tiles)
    {
        const float uMax = uMin + static_cast<float>(tile.width) / tileWidth;
        const float vMax = vMin + static_cast<float>(tile.height) / tileHeight;
        const auto left = static_cast<float>(tile.left);
        const auto top = static_cast<float>(tile.top);
        const auto right = static_cast<float>(tile.right);
        const auto bottom = static_cast<float>(tile.bottom);
        *vertex++ = {left, top, 0.0f, 1.0f, uMin, vMin};
        *vertex++ = {right, top, 0.0f, 1.0f, uMax, vMin};
        *vertex++ = {left, bottom, 0.0f, 1.0f, uMin, vMax};
        *vertex++ = {right, bottom, 0.0f, 1.0f, uMax, vMax};
    }
    m_vertexBuffer->Unlock();
    ++m_vertexFills;
}

void CQenUILibCanvas::OnRectChanged(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                    bool transparentOnly)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, m_width);
    bottom = std::min(bottom, m_height);
    // Also covers a rectangle wholly left of or above the canvas: (right - 1) / tile width would truncate
    // to column 0 there.
    if (left >= right || top >= bottom || m_tiles.empty())
    {
        return;
    }
    const std::int32_t state = transparentOnly ? 2 : 0;
    for (std::int32_t row = top / m_tileHeight; row <= (bottom - 1) / m_tileHeight; ++row)
    {
        for (std::int32_t column = left / m_tileWidth; column <= (right - 1) / m_tileWidth; ++column)
        {
            CanvasTile& tile = m_tiles[static_cast<std::size_t>(row * m_columns + column)];
            tile.dirty = 1;
            tile.contentState = state;
        }
    }
}

void CQenUILibCanvas::OnPixelChanged(std::int32_t x, std::int32_t y, bool transparentOnly)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_tiles.empty())
    {
        return;
    }
    CanvasTile& tile = m_tiles[static_cast<std::size_t>((y / m_tileHeight) * m_columns + x / m_tileWidth)];
    tile.dirty = 1;
    if (!transparentOnly)
    {
        tile.contentState = 0;
    }
    else if (tile.contentState == 0)
    {
        tile.contentState = 2;
    }
}

void CQenUILibCanvas::BeginDraw()
{
    Texture* staging = StagingDeviceTexture();
    LockedRect locked;
    if (m_locked || staging == nullptr || Failed(staging->LockRect(0, &locked, nullptr, 0)))
    {
        return;
    }
    m_locked = true;
    SetPixels(static_cast<BaseLib::CColor*>(locked.pBits), locked.Pitch / 4);
}

void CQenUILibCanvas::EndDraw(bool clearDirtyList)
{
    if (m_locked)
    {
        if (Texture* staging = StagingDeviceTexture())
        {
            staging->UnlockRect(0);
        }
        m_locked = false;
    }
    SetPixels(nullptr, m_rowLength);
    if (clearDirtyList)
    {
        ClearDirtyRects();
    }
}

void CQenUILibCanvas::EnableVertexShader(const BaseLib::CString& file)
{
    if (m_vertexShader != nullptr)
    {
        return;
    }
    m_vertexShaderWanted = true;
    m_shaderFile = file;
    if (!m_ready)
    {
        // Tried again when the device objects are made.
        return;
    }
    std::string source;
    if (file.GetLength() == 0)
    {
        source = kBuiltInVertexProgram;
    }
    else
    {
        std::FILE* stream = Platform::OpenFile(static_cast<const char*>(file), "rb");
        if (stream == nullptr)
        {
            BaseLib::DebugOutput("CQenUILibCanvas: cannot read the vertex program \"%s\"\n",
                                 static_cast<const char*>(file));
            return;
        }
        char buffer[4096];
        std::size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        {
            source.append(buffer, read);
        }
        std::fclose(stream);
    }
    Device* device = m_engine->GetDevice();
    std::string log;
    if (Failed(device->CreateVertexShader(source.c_str(), &m_vertexShader, &log)) || m_vertexShader == nullptr)
    {
        m_vertexShader = nullptr;
        if (!log.empty())
        {
            Platform::MessageBoxA(nullptr, log.c_str(), "vsh - error", 0x10);
        }
        return;
    }
    const VertexElement elements[] = {
        {0, 0, DeclType::Float4, 0, DeclUsage::Position, 0},
        {0, 16, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
        DeclarationEnd,
    };
    if (Failed(device->CreateVertexDeclaration(elements, &m_declaration)))
    {
        m_declaration = nullptr;
        ReleaseAndClear(m_vertexShader);
        TraceFailure("vertex declaration");
    }
}

void CQenUILibCanvas::SetScaling(float x, float y)
{
    if (x == m_scaling.x && y == m_scaling.y)
    {
        return;
    }
    CTextureCanvas::SetScaling(x, y);
    FillVertexBuffer();
}

void CQenUILibCanvas::ReleaseDeviceData()
{
    ReleaseDeviceObjects();
}

void CQenUILibCanvas::RestoreDeviceData()
{
    CreateDeviceObjects();
}

void CQenUILibCanvas::UploadDirtyTiles()
{
    if (m_stagingSurface == nullptr)
    {
        return;
    }
    Device* device = m_engine->GetDevice();
    const Platform::Point origin{0, 0};
    for (CanvasTile& tile : m_tiles)
    {
        if (tile.dirty == 0)
        {
            continue;
        }
        Texture* texture = HeldTexture(tile.texture);
        Surface* level = nullptr;
        if (texture == nullptr || Failed(texture->GetSurfaceLevel(0, &level)))
        {
            continue; // lost with the device: copied once the texture is back
        }
        const Rect area{tile.x, tile.y, tile.x + tile.width, tile.y + tile.height};
        device->UpdateSurface(m_stagingSurface, &area, level, &origin);
        level->Release();
        tile.dirty = 0;
        ++m_uploads;
    }
}

Rect CQenUILibCanvas::ScissorRect(const BaseLib::CRect& clip) const
{
    // The window system hands the window's visible rectangle in the canvas's own coordinates: it goes
    // to the screen the way the quad's corners do, through the canvas's pivot, scaling, rotation and
    // offset, then the inherited transform.
    const BaseLib::CMatrix3x3& p = m_parentTransform;
    const float cosine = std::cos(m_rotation);
    const float sine = std::sin(m_rotation);
    const float xs[2] = {static_cast<float>(clip.left), static_cast<float>(clip.right)};
    const float ys[2] = {static_cast<float>(clip.top), static_cast<float>(clip.bottom)};
    float minX = INFINITY;
    float maxX = -INFINITY;
    float minY = INFINITY;
    float maxY = -INFINITY;
    for (float x : xs)
    {
        for (float y : ys)
        {
            const float scaledX = (x - m_pivot.x) * m_scaling.x;
            const float scaledY = (y - m_pivot.y) * m_scaling.y;
            const float placedX = scaledX * cosine - scaledY * sine + m_offset.x + m_pivot.x;
            const float placedY = scaledX * sine + scaledY * cosine + m_offset.y + m_pivot.y;
            const float sx = placedX * p.m[0][0] + placedY * p.m[1][0] + p.m[2][0];
            const float sy = placedX * p.m[0][1] + placedY * p.m[1][1] + p.m[2][1];
            minX = std::min(minX, sx);
            maxX = std::max(maxX, sx);
            minY = std::min(minY, sy);
            maxY = std::max(maxY, sy);
        }
    }
    const auto clampTo = [](float value, std::int32_t limit) {
        const float floored = std::floor(value);
        // NaN and far values end inside 0 .. limit.
        if (!(floored > 0.0f))
        {
            return 0;
        }
        return floored >= static_cast<float>(limit) ? limit : static_cast<std::int32_t>(floored);
    };
    return Rect{clampTo(minX, m_screenWidth), clampTo(minY, m_screenHeight), clampTo(maxX, m_screenWidth),
                clampTo(maxY, m_screenHeight)};
}

void CQenUILibCanvas::Render(void* clip)
{
    UpdateAnimations();
    if (!m_ready)
    {
        return;
    }
    Device* device = m_engine->GetDevice();
    const auto* clipRect = static_cast<const BaseLib::CRect*>(clip);
    if (m_vertexShader != nullptr)
    {
        if (m_brightness == 0)
        {
            // A clipped canvas blackens only its own area; a layer root (the fade) the whole target.
            if (clipRect != nullptr)
            {
                const Rect scissor = ScissorRect(*clipRect);
                device->SetScissorRect(&scissor);
                device->SetRenderState(RenderState::ScissorTestEnable, 1);
            }
            device->Clear(0, nullptr, ClearFlag::Target, 0, 0.0f, 0);
            if (clipRect != nullptr)
            {
                device->SetRenderState(RenderState::ScissorTestEnable, 0);
            }
            return;
        }
        if (m_brightness == 255 && m_transparency == 0)
        {
            return;
        }
    }
    UploadDirtyTiles();
    if (clipRect != nullptr)
    {
        const Rect scissor = ScissorRect(*clipRect);
        device->SetScissorRect(&scissor);
        device->SetRenderState(RenderState::ScissorTestEnable, 1);
    }

    device->SetRenderState(RenderState::ZEnable, 0);
    device->SetRenderState(RenderState::StencilEnable, 0);
    device->SetRenderState(RenderState::CullMode, Cull::None);
    device->SetRenderState(RenderState::FillMode, Fill::Solid);
    device->SetRenderState(RenderState::MultiSampleAntialias, 0);
    device->SetRenderState(RenderState::ColorWriteEnable, 0xF);
    const std::uint32_t filter = m_filterMode == 0 ? TextureFilter::Point : TextureFilter::Linear;
    device->SetSamplerState(0, SamplerState::MinFilter, filter);
    device->SetSamplerState(0, SamplerState::MagFilter, filter);
    device->SetSamplerState(0, SamplerState::MipFilter, TextureFilter::None);
    device->SetSamplerState(0, SamplerState::AddressU, TextureAddress::Clamp);
    device->SetSamplerState(0, SamplerState::AddressV, TextureAddress::Clamp);
    const Matrix identity;
    for (std::uint32_t state : {TransformState::Texture0, TransformState::World, TransformState::View,
                                TransformState::Projection})
    {
        device->SetTransform(state, &identity);
    }

    device->SetIndices(m_indexBuffer);
    device->SetStreamSource(0, m_vertexBuffer, 0, kVertexStride);
    device->SetFVF(kVertexFvf);
    if (m_vertexShader != nullptr)
    {
        SetShaderStates();
        device->SetVertexDeclaration(m_declaration);
        device->SetVertexShader(m_vertexShader);
        device->SetPixelShader(nullptr);
    }
    else
    {
        SetFixedFunctionStates();
    }

    for (std::size_t i = 0; i < m_tiles.size(); ++i)
    {
        Texture* texture = HeldTexture(m_tiles[i].texture);
        if (texture == nullptr)
        {
            continue; // lost with the device
        }
        device->SetTexture(0, texture);
        device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, static_cast<std::uint32_t>(4 * i), 4,
                                     static_cast<std::uint32_t>(m_tiles[i].firstIndex), 2);
    }
    device->SetTexture(0, nullptr);

    if (clipRect != nullptr)
    {
        device->SetRenderState(RenderState::ScissorTestEnable, 0);
    }
}

void CQenUILibCanvas::SetShaderStates()
{
    Device* device = m_engine->GetDevice();
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::One);
    device->SetRenderState(RenderState::DestBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::AlphaTestEnable, 0);
    device->SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::AlphaArg2, TextureArg::Factor);
    device->SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate);
    device->SetTextureStageState(1, TextureStageState::AlphaArg1, TextureArg::Current | TextureArg::Complement);
    device->SetTextureStageState(1, TextureStageState::AlphaArg2, TextureArg::Diffuse);
    device->SetTextureStageState(1, TextureStageState::AlphaOp, TextureOp::Modulate);
    device->SetTextureStageState(2, TextureStageState::AlphaOp, TextureOp::Disable);
    device->SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::ColorArg2, TextureArg::Factor);
    device->SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::BlendTextureAlpha);
    device->SetTextureStageState(1, TextureStageState::ColorArg1, TextureArg::Diffuse);
    device->SetTextureStageState(1, TextureStageState::ColorArg2, TextureArg::Current);
    device->SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Modulate);
    device->SetTextureStageState(2, TextureStageState::ColorOp, TextureOp::Disable);
    device->SetRenderState(RenderState::TextureFactor, static_cast<std::uint32_t>(m_transparency) << 24);

    const float constants[8] = {
        static_cast<float>(m_transparency) * kByteToUnit,
        static_cast<float>(m_brightness) * kByteToUnit,
        0.0f,
        1.0f,
        2.0f / static_cast<float>(m_screenWidth),
        -2.0f / static_cast<float>(m_screenHeight),
        0.0f,
        0.0f,
    };
    device->SetVertexShaderConstantF(0, constants, 2);

    namespace Kit = Platform::GfxKit;
    Matrix toPivot;
    Matrix scaling;
    Matrix rotation;
    Matrix placement;
    Kit::MatrixTranslation(&toPivot, -m_pivot.x, -m_pivot.y, 0.0f);
    Kit::MatrixScaling(&scaling, m_scaling.x, m_scaling.y, 1.0f);
    Kit::MatrixRotationZ(&rotation, m_rotation);
    Kit::MatrixTranslation(&placement, m_offset.x + m_pivot.x, m_offset.y + m_pivot.y, 0.0f);
    const BaseLib::CMatrix3x3& p = m_parentTransform;
    Matrix parent;
    parent.m[0][0] = p.m[0][0];
    parent.m[0][1] = p.m[0][1];
    parent.m[0][2] = p.m[0][2];
    parent.m[1][0] = p.m[1][0];
    parent.m[1][1] = p.m[1][1];
    parent.m[1][2] = p.m[1][2];
    parent.m[3][0] = p.m[2][0];
    parent.m[3][1] = p.m[2][1];
    Matrix combined;
    Kit::MatrixMultiply(&combined, &toPivot, &scaling);
    Kit::MatrixMultiply(&combined, &combined, &rotation);
    Kit::MatrixMultiply(&combined, &combined, &placement);
    Kit::MatrixMultiply(&combined, &combined, &parent);
    Matrix transposed;
    Kit::MatrixTranspose(&transposed, &combined);
    device->SetVertexShaderConstantF(2, &transposed.m[0][0], 4);
}

void CQenUILibCanvas::SetFixedFunctionStates()
{
    Device* device = m_engine->GetDevice();
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetRenderState(RenderState::AlphaTestEnable, 1);
    device->SetRenderState(RenderState::AlphaFunc, Compare::Greater);
    device->SetRenderState(RenderState::AlphaRef, 0);
    device->SetRenderState(RenderState::FogEnable, 0);
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    device->SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::AlphaArg2, TextureArg::Factor);
    device->SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate);
    device->SetTextureStageState(1, TextureStageState::AlphaOp, TextureOp::Disable);
    device->SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Texture);
    device->SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    device->SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
    device->SetRenderState(RenderState::TextureFactor, static_cast<std::uint32_t>(m_transparency) << 24);
}

} // namespace GameLib
