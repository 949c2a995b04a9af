#pragma once

#include "platform/gfx/Constants.h"
#include "platform/os/Monitor.h"
#include "platform/os/Window.h"

#include <cstdint>
#include <string>

// The records that the device layer's calls fill or read. Field order follows the engine's records
// so that code which copies them field by field keeps its meaning.
namespace Platform::Gfx
{

// Windows and monitors are the window layer's; null is none.
using Platform::MonitorHandle;
using Platform::WindowHandle;

// Presentation record: how one display head's back buffer is made and shown.
struct PresentParameters
{
    std::uint32_t BackBufferWidth = 0;
    std::uint32_t BackBufferHeight = 0;
    std::uint32_t BackBufferFormat = Format::Unknown; // 0 in a windowed record: the display's format
    std::uint32_t BackBufferCount = 1;
    std::uint32_t MultiSampleType = MultiSample::None;
    std::uint32_t MultiSampleQuality = 0;
    std::uint32_t SwapEffect = SwapEffect::Discard;
    WindowHandle hDeviceWindow = nullptr;
    std::int32_t Windowed = 1; // 1: a normal window of the back buffer's size; 0: full screen
    std::int32_t EnableAutoDepthStencil = 0;
    std::uint32_t AutoDepthStencilFormat = Format::Unknown;
    std::uint32_t Flags = 0;
    std::uint32_t FullScreen_RefreshRateInHz = 0;
    std::uint32_t PresentationInterval = PresentInterval::Default;
};

struct DisplayMode
{
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t RefreshRate = 0; // Hz; 0 when the display does not say
    std::uint32_t Format = Format::Unknown;
};

struct AdapterIdentifier
{
    std::string Driver;
    std::string Description; // the renderer's name; compared as a whole string by its users
    std::string DeviceName;
    std::uint64_t DriverVersion = 0;
    std::uint32_t VendorId = 0;
    std::uint32_t DeviceId = 0;
    std::uint32_t SubSysId = 0;
    std::uint32_t Revision = 0;
};

// Capabilities of one adapter. Bits and limits use the values of Constants.h.
struct Caps
{
    std::uint32_t DeviceType = DeviceType::Hal;
    std::uint32_t AdapterOrdinal = 0;
    std::uint32_t Caps1 = 0;
    std::uint32_t Caps2 = 0;
    std::uint32_t Caps3 = 0;
    std::uint32_t PresentationIntervals = 0;
    std::uint32_t DevCaps = 0;
    std::uint32_t StencilCaps = 0;
    std::uint32_t TextureCaps = 0;
    std::uint32_t MaxTextureWidth = 0;
    std::uint32_t MaxTextureHeight = 0;
    std::uint32_t MaxVolumeExtent = 0;
    std::uint32_t MaxAnisotropy = 0;
    std::uint32_t MaxVertexIndex = 0;
    std::uint32_t MaxPrimitiveCount = 0;
    std::uint32_t MaxStreams = 0;
    std::uint32_t MaxStreamStride = 0;
    std::uint32_t VertexShaderVersion = 0;
    std::uint32_t MaxVertexShaderConst = 0;
    std::uint32_t PixelShaderVersion = 0;
    std::uint32_t NumSimultaneousRTs = 0;
    std::uint32_t MasterAdapterOrdinal = 0;
    std::uint32_t AdapterOrdinalInGroup = 0;
    std::uint32_t NumberOfAdaptersInGroup = 0;
};

struct DeviceCreationParameters
{
    std::uint32_t AdapterOrdinal = 0;
    std::uint32_t DeviceType = DeviceType::Hal;
    WindowHandle hFocusWindow = nullptr;
    std::uint32_t BehaviorFlags = 0;
};

struct SurfaceDesc
{
    std::uint32_t Format = Format::Unknown;
    std::uint32_t Type = ResourceType::Surface;
    std::uint32_t Usage = 0;
    std::uint32_t Pool = Pool::Default;
    std::uint32_t MultiSampleType = MultiSample::None;
    std::uint32_t MultiSampleQuality = 0;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
};

struct VolumeDesc
{
    std::uint32_t Format = Format::Unknown;
    std::uint32_t Type = ResourceType::Volume;
    std::uint32_t Usage = 0;
    std::uint32_t Pool = Pool::Default;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 0;
};

// A box of texels, right, bottom and back exclusive.
struct Box
{
    std::uint32_t Left = 0;
    std::uint32_t Top = 0;
    std::uint32_t Right = 0;
    std::uint32_t Bottom = 0;
    std::uint32_t Front = 0;
    std::uint32_t Back = 0;
};

// A locked box: rows RowPitch bytes apart, slices SlicePitch bytes apart, rows top first.
struct LockedBox
{
    std::int32_t RowPitch = 0;
    std::int32_t SlicePitch = 0;
    void* pBits = nullptr;
};

// A 4 × 4 matrix, rows first (m[row][column]); points are row vectors multiplied from the left.
struct Matrix
{
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

struct ColorValue
{
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
};

struct Vector3
{
    float x = 0;
    float y = 0;
    float z = 0;
};

struct Material
{
    ColorValue Diffuse;
    ColorValue Ambient;
    ColorValue Specular;
    ColorValue Emissive;
    float Power = 0;
};

// Light types: point 1, spot 2, directional 3.
struct Light
{
    std::uint32_t Type = 3;
    ColorValue Diffuse{1, 1, 1, 0};
    ColorValue Specular;
    ColorValue Ambient;
    Vector3 Position;
    Vector3 Direction{0, 0, 1};
    float Range = 0;
    float Falloff = 0;
    float Attenuation0 = 0;
    float Attenuation1 = 0;
    float Attenuation2 = 0;
    float Theta = 0;
    float Phi = 0;
};

// Pixels of the render target the device draws into; Y grows downwards from the top row.
struct Viewport
{
    std::uint32_t X = 0;
    std::uint32_t Y = 0;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    float MinZ = 0.0f;
    float MaxZ = 1.0f;
};

// A rectangle in pixels, right and bottom exclusive.
struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// A locked rectangle: Pitch bytes from one row to the next, rows top first.
struct LockedRect
{
    std::int32_t Pitch = 0;
    void* pBits = nullptr;
};

} // namespace Platform::Gfx
