#pragma once

#include <cstdint>

// Numeric constants of the device layer. The values are the ones the engine's files, tables and
// presentation records carry, so a number read from a file means the same thing here.
namespace Platform::Gfx
{

namespace Format
{
constexpr std::uint32_t Unknown = 0;
constexpr std::uint32_t A8R8G8B8 = 21;
constexpr std::uint32_t X8R8G8B8 = 22;
constexpr std::uint32_t R5G6B5 = 23;
constexpr std::uint32_t X1R5G5B5 = 24;
constexpr std::uint32_t A1R5G5B5 = 25;
constexpr std::uint32_t A4R4G4B4 = 26;
constexpr std::uint32_t A8 = 28;
constexpr std::uint32_t A2R10G10B10 = 35;
constexpr std::uint32_t L8 = 50;
constexpr std::uint32_t A8L8 = 51;
constexpr std::uint32_t D16Lockable = 70;
constexpr std::uint32_t D32 = 71;
constexpr std::uint32_t D15S1 = 73;
constexpr std::uint32_t D24S8 = 75;
constexpr std::uint32_t D24X8 = 77;
constexpr std::uint32_t D24X4S4 = 79;
constexpr std::uint32_t D16 = 80;
constexpr std::uint32_t L16 = 81;
constexpr std::uint32_t D32FLockable = 82;
constexpr std::uint32_t D24FS8 = 83;
constexpr std::uint32_t Index16 = 101;
constexpr std::uint32_t Index32 = 102;
constexpr std::uint32_t R16F = 111;
constexpr std::uint32_t G16R16F = 112;
constexpr std::uint32_t A16B16G16R16F = 113;
constexpr std::uint32_t R32F = 114;
constexpr std::uint32_t G32R32F = 115;
constexpr std::uint32_t A32B32G32R32F = 116;
// Four-character codes of the block-compressed formats.
constexpr std::uint32_t Dxt1 = 0x31545844;
constexpr std::uint32_t Dxt3 = 0x33545844;
constexpr std::uint32_t Dxt5 = 0x35545844;
} // namespace Format

namespace Pool
{
constexpr std::uint32_t Default = 0;
constexpr std::uint32_t Managed = 1;
constexpr std::uint32_t SystemMemory = 2;
constexpr std::uint32_t Scratch = 3;
} // namespace Pool

namespace Usage
{
constexpr std::uint32_t RenderTarget = 0x1;
constexpr std::uint32_t DepthStencil = 0x2;
constexpr std::uint32_t WriteOnly = 0x8;
constexpr std::uint32_t Dynamic = 0x200;
constexpr std::uint32_t AutoGenMipMap = 0x400;
} // namespace Usage

namespace LockFlag
{
constexpr std::uint32_t ReadOnly = 0x10;
constexpr std::uint32_t Discard = 0x2000;
constexpr std::uint32_t NoOverwrite = 0x1000;
} // namespace LockFlag

namespace CubeFace
{
constexpr std::uint32_t PositiveX = 0;
constexpr std::uint32_t NegativeX = 1;
constexpr std::uint32_t PositiveY = 2;
constexpr std::uint32_t NegativeY = 3;
constexpr std::uint32_t PositiveZ = 4;
constexpr std::uint32_t NegativeZ = 5;
} // namespace CubeFace

namespace ResourceType
{
constexpr std::uint32_t Surface = 1;
constexpr std::uint32_t Volume = 2;
constexpr std::uint32_t Texture = 3;
constexpr std::uint32_t VolumeTexture = 4;
constexpr std::uint32_t CubeTexture = 5;
constexpr std::uint32_t VertexBuffer = 6;
constexpr std::uint32_t IndexBuffer = 7;
} // namespace ResourceType

namespace DeviceType
{
constexpr std::uint32_t Hal = 1;
constexpr std::uint32_t Ref = 2;
} // namespace DeviceType

namespace CreateFlag
{
constexpr std::uint32_t Multithreaded = 0x4;
constexpr std::uint32_t PureDevice = 0x10;
constexpr std::uint32_t SoftwareVertexProcessing = 0x20;
constexpr std::uint32_t HardwareVertexProcessing = 0x40;
constexpr std::uint32_t MixedVertexProcessing = 0x80;
constexpr std::uint32_t AdapterGroupDevice = 0x200;
} // namespace CreateFlag

namespace MultiSample
{
constexpr std::uint32_t None = 0;
constexpr std::uint32_t NonMaskable = 1;
// Types 2 to 16 name their sample count directly.
} // namespace MultiSample

namespace SwapEffect
{
constexpr std::uint32_t Discard = 1;
}

namespace PresentInterval
{
constexpr std::uint32_t Default = 0;
constexpr std::uint32_t One = 1;
constexpr std::uint32_t Immediate = 0x80000000u;
} // namespace PresentInterval

namespace PresentFlag
{
constexpr std::uint32_t DiscardDepthStencil = 0x2;
}

constexpr std::uint32_t BackBufferTypeMono = 0;

namespace ClearFlag
{
constexpr std::uint32_t Target = 0x1;
constexpr std::uint32_t ZBuffer = 0x2;
constexpr std::uint32_t Stencil = 0x4;
} // namespace ClearFlag

// Capability bits that the engine reads.
namespace Caps2Bit
{
constexpr std::uint32_t DynamicTextures = 0x20000000u;
}
namespace DevCapsBit
{
constexpr std::uint32_t HwTransformAndLight = 0x10000;
}
namespace StencilCapsBit
{
constexpr std::uint32_t Keep = 0x1;
constexpr std::uint32_t Zero = 0x2;
constexpr std::uint32_t Replace = 0x4;
constexpr std::uint32_t IncrSat = 0x8;
constexpr std::uint32_t DecrSat = 0x10;
constexpr std::uint32_t Invert = 0x20;
constexpr std::uint32_t Incr = 0x40;
constexpr std::uint32_t Decr = 0x80;
constexpr std::uint32_t TwoSided = 0x100;
} // namespace StencilCapsBit
namespace TextureCapsBit
{
constexpr std::uint32_t Perspective = 0x1;
constexpr std::uint32_t Pow2 = 0x2;
constexpr std::uint32_t Alpha = 0x4;
constexpr std::uint32_t SquareOnly = 0x20;
constexpr std::uint32_t NonPow2Conditional = 0x100;
constexpr std::uint32_t Projected = 0x400;
constexpr std::uint32_t CubeMap = 0x800;
constexpr std::uint32_t VolumeMap = 0x2000;
constexpr std::uint32_t MipMap = 0x4000;
constexpr std::uint32_t MipVolumeMap = 0x8000;
constexpr std::uint32_t MipCubeMap = 0x10000;
} // namespace TextureCapsBit

// Render-state numbers. There are RenderStateCount states (0 .. RenderStateCount - 1); numbers
// without a name here are stored and read back like the others.
namespace RenderState
{
constexpr std::uint32_t ZEnable = 7;
constexpr std::uint32_t FillMode = 8;
constexpr std::uint32_t ShadeMode = 9;
constexpr std::uint32_t ZWriteEnable = 14;
constexpr std::uint32_t AlphaTestEnable = 15;
constexpr std::uint32_t LastPixel = 16;
constexpr std::uint32_t SrcBlend = 19;
constexpr std::uint32_t DestBlend = 20;
constexpr std::uint32_t CullMode = 22;
constexpr std::uint32_t ZFunc = 23;
constexpr std::uint32_t AlphaRef = 24;
constexpr std::uint32_t AlphaFunc = 25;
constexpr std::uint32_t DitherEnable = 26;
constexpr std::uint32_t AlphaBlendEnable = 27;
constexpr std::uint32_t FogEnable = 28;
constexpr std::uint32_t SpecularEnable = 29;
constexpr std::uint32_t FogColor = 34;
constexpr std::uint32_t FogTableMode = 35;
constexpr std::uint32_t FogStart = 36;
constexpr std::uint32_t FogEnd = 37;
constexpr std::uint32_t FogDensity = 38;
constexpr std::uint32_t RangeFogEnable = 48;
constexpr std::uint32_t StencilEnable = 52;
constexpr std::uint32_t StencilFail = 53;
constexpr std::uint32_t StencilZFail = 54;
constexpr std::uint32_t StencilPass = 55;
constexpr std::uint32_t StencilFunc = 56;
constexpr std::uint32_t StencilRef = 57;
constexpr std::uint32_t StencilMask = 58;
constexpr std::uint32_t StencilWriteMask = 59;
constexpr std::uint32_t TextureFactor = 60;
constexpr std::uint32_t Wrap0 = 128;
constexpr std::uint32_t Clipping = 136;
constexpr std::uint32_t Lighting = 137;
constexpr std::uint32_t Ambient = 139;
constexpr std::uint32_t FogVertexMode = 140;
constexpr std::uint32_t ColorVertex = 141;
constexpr std::uint32_t LocalViewer = 142;
constexpr std::uint32_t NormalizeNormals = 143;
constexpr std::uint32_t DiffuseMaterialSource = 145;
constexpr std::uint32_t SpecularMaterialSource = 146;
constexpr std::uint32_t AmbientMaterialSource = 147;
constexpr std::uint32_t EmissiveMaterialSource = 148;
constexpr std::uint32_t VertexBlend = 151;
constexpr std::uint32_t ClipPlaneEnable = 152;
constexpr std::uint32_t PointSize = 154;
constexpr std::uint32_t PointSizeMin = 155;
constexpr std::uint32_t PointSpriteEnable = 156;
constexpr std::uint32_t PointScaleEnable = 157;
constexpr std::uint32_t PointScaleA = 158;
constexpr std::uint32_t PointScaleB = 159;
constexpr std::uint32_t PointScaleC = 160;
constexpr std::uint32_t MultiSampleAntialias = 161;
constexpr std::uint32_t MultiSampleMask = 162;
constexpr std::uint32_t PatchEdgeStyle = 163;
constexpr std::uint32_t DebugMonitorToken = 165;
constexpr std::uint32_t PointSizeMax = 166;
constexpr std::uint32_t IndexedVertexBlendEnable = 167;
constexpr std::uint32_t ColorWriteEnable = 168;
constexpr std::uint32_t TweenFactor = 170;
constexpr std::uint32_t BlendOp = 171;
constexpr std::uint32_t PositionDegree = 172;
constexpr std::uint32_t NormalDegree = 173;
constexpr std::uint32_t ScissorTestEnable = 174;
constexpr std::uint32_t SlopeScaleDepthBias = 175;
constexpr std::uint32_t AntialiasedLineEnable = 176;
constexpr std::uint32_t MinTessellationLevel = 178;
constexpr std::uint32_t MaxTessellationLevel = 179;
constexpr std::uint32_t AdaptiveTessX = 180;
constexpr std::uint32_t AdaptiveTessY = 181;
constexpr std::uint32_t AdaptiveTessZ = 182;
constexpr std::uint32_t AdaptiveTessW = 183;
constexpr std::uint32_t EnableAdaptiveTessellation = 184;
constexpr std::uint32_t TwoSidedStencilMode = 185;
constexpr std::uint32_t CcwStencilFail = 186;
constexpr std::uint32_t CcwStencilZFail = 187;
constexpr std::uint32_t CcwStencilPass = 188;
constexpr std::uint32_t CcwStencilFunc = 189;
constexpr std::uint32_t ColorWriteEnable1 = 190;
constexpr std::uint32_t ColorWriteEnable2 = 191;
constexpr std::uint32_t ColorWriteEnable3 = 192;
constexpr std::uint32_t BlendFactor = 193;
constexpr std::uint32_t SrgbWriteEnable = 194;
constexpr std::uint32_t DepthBias = 195;
constexpr std::uint32_t Wrap8 = 198;
constexpr std::uint32_t SeparateAlphaBlendEnable = 206;
constexpr std::uint32_t SrcBlendAlpha = 207;
constexpr std::uint32_t DestBlendAlpha = 208;
constexpr std::uint32_t BlendOpAlpha = 209;
} // namespace RenderState
constexpr std::uint32_t RenderStateCount = 210;

namespace SamplerState
{
constexpr std::uint32_t AddressU = 1;
constexpr std::uint32_t AddressV = 2;
constexpr std::uint32_t AddressW = 3;
constexpr std::uint32_t BorderColor = 4;
constexpr std::uint32_t MagFilter = 5;
constexpr std::uint32_t MinFilter = 6;
constexpr std::uint32_t MipFilter = 7;
constexpr std::uint32_t MipMapLodBias = 8;
constexpr std::uint32_t MaxMipLevel = 9;
constexpr std::uint32_t MaxAnisotropy = 10;
constexpr std::uint32_t SrgbTexture = 11;
constexpr std::uint32_t ElementIndex = 12;
constexpr std::uint32_t DisplacementMapOffset = 13;
} // namespace SamplerState
constexpr std::uint32_t SamplerStateCount = 14;

// Texture-stage states that the drawing without a pixel program reads.
namespace TextureStageState
{
constexpr std::uint32_t ColorOp = 1;
constexpr std::uint32_t ColorArg1 = 2;
constexpr std::uint32_t ColorArg2 = 3;
constexpr std::uint32_t AlphaOp = 4;
constexpr std::uint32_t AlphaArg1 = 5;
constexpr std::uint32_t AlphaArg2 = 6;
constexpr std::uint32_t TexCoordIndex = 11;
constexpr std::uint32_t TextureTransformFlags = 24;
constexpr std::uint32_t ResultArg = 28;
constexpr std::uint32_t Constant = 32;
} // namespace TextureStageState

// Texture-stage operations.
namespace TextureOp
{
constexpr std::uint32_t Disable = 1;
constexpr std::uint32_t SelectArg1 = 2;
constexpr std::uint32_t SelectArg2 = 3;
constexpr std::uint32_t Modulate = 4;
constexpr std::uint32_t Modulate2x = 5;
constexpr std::uint32_t Modulate4x = 6;
constexpr std::uint32_t Add = 7;
constexpr std::uint32_t AddSigned = 8;
constexpr std::uint32_t Subtract = 10;
constexpr std::uint32_t BlendDiffuseAlpha = 12;
constexpr std::uint32_t BlendTextureAlpha = 13;
constexpr std::uint32_t BlendFactorAlpha = 14;
constexpr std::uint32_t BlendCurrentAlpha = 16;
} // namespace TextureOp

// Texture-stage arguments, with the modifier bits above the selector.
namespace TextureArg
{
constexpr std::uint32_t Diffuse = 0;
constexpr std::uint32_t Current = 1;
constexpr std::uint32_t Texture = 2;
constexpr std::uint32_t Factor = 3;
constexpr std::uint32_t Specular = 4;
constexpr std::uint32_t Temp = 5;
constexpr std::uint32_t Constant = 6;
constexpr std::uint32_t SelectMask = 0x0F;
constexpr std::uint32_t Complement = 0x10;
constexpr std::uint32_t AlphaReplicate = 0x20;
} // namespace TextureArg
constexpr std::uint32_t TextureStageStateCount = 33;
constexpr std::uint32_t StageCount = 16;
constexpr std::uint32_t StreamCount = 16;

namespace TextureAddress
{
constexpr std::uint32_t Wrap = 1;
constexpr std::uint32_t Mirror = 2;
constexpr std::uint32_t Clamp = 3;
constexpr std::uint32_t Border = 4;
constexpr std::uint32_t MirrorOnce = 5;
} // namespace TextureAddress

namespace TextureFilter
{
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Point = 1;
constexpr std::uint32_t Linear = 2;
constexpr std::uint32_t Anisotropic = 3;
} // namespace TextureFilter

namespace PrimitiveType
{
constexpr std::uint32_t PointList = 1;
constexpr std::uint32_t LineList = 2;
constexpr std::uint32_t LineStrip = 3;
constexpr std::uint32_t TriangleList = 4;
constexpr std::uint32_t TriangleStrip = 5;
constexpr std::uint32_t TriangleFan = 6;
} // namespace PrimitiveType

namespace TransformState
{
constexpr std::uint32_t View = 2;
constexpr std::uint32_t Projection = 3;
constexpr std::uint32_t Texture0 = 16;
constexpr std::uint32_t World = 256;
} // namespace TransformState

// Values of the render states that the device's defaults use.
namespace Cull
{
constexpr std::uint32_t None = 1;
constexpr std::uint32_t Clockwise = 2;
constexpr std::uint32_t CounterClockwise = 3;
} // namespace Cull
namespace Fill
{
constexpr std::uint32_t Point = 1;
constexpr std::uint32_t Wireframe = 2;
constexpr std::uint32_t Solid = 3;
} // namespace Fill
namespace Blend
{
constexpr std::uint32_t Zero = 1;
constexpr std::uint32_t One = 2;
constexpr std::uint32_t SrcColor = 3;
constexpr std::uint32_t InvSrcColor = 4;
constexpr std::uint32_t SrcAlpha = 5;
constexpr std::uint32_t InvSrcAlpha = 6;
constexpr std::uint32_t DestAlpha = 7;
constexpr std::uint32_t InvDestAlpha = 8;
constexpr std::uint32_t DestColor = 9;
constexpr std::uint32_t InvDestColor = 10;
constexpr std::uint32_t SrcAlphaSat = 11;
constexpr std::uint32_t BlendFactor = 14;
constexpr std::uint32_t InvBlendFactor = 15;
} // namespace Blend
namespace BlendOperation
{
constexpr std::uint32_t Add = 1;
constexpr std::uint32_t Subtract = 2;
constexpr std::uint32_t RevSubtract = 3;
constexpr std::uint32_t Min = 4;
constexpr std::uint32_t Max = 5;
} // namespace BlendOperation
namespace Compare
{
constexpr std::uint32_t Never = 1;
constexpr std::uint32_t Less = 2;
constexpr std::uint32_t Equal = 3;
constexpr std::uint32_t LessEqual = 4;
constexpr std::uint32_t Greater = 5;
constexpr std::uint32_t NotEqual = 6;
constexpr std::uint32_t GreaterEqual = 7;
constexpr std::uint32_t Always = 8;
} // namespace Compare
namespace StencilOperation
{
constexpr std::uint32_t Keep = 1;
constexpr std::uint32_t Zero = 2;
constexpr std::uint32_t Replace = 3;
constexpr std::uint32_t IncrementSaturate = 4;
constexpr std::uint32_t DecrementSaturate = 5;
constexpr std::uint32_t Invert = 6;
constexpr std::uint32_t Increment = 7;
constexpr std::uint32_t Decrement = 8;
} // namespace StencilOperation

} // namespace Platform::Gfx
