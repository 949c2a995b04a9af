#include "mediagen/GameModels.h"

#include "mediagen/GameMedia.h"
#include "mediagen/MeshBuilder.h"
#include "mediagen/Picture.h"

#include "platform/gfxkit/xfile/XFileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace MediaGen
{

using Platform::GfxKit::XAnimation;
using Platform::GfxKit::XAnimationKeys;
using Platform::GfxKit::XAnimationSet;
using Platform::GfxKit::XFileModel;
using Platform::GfxKit::XFrame;
using Platform::GfxKit::XMesh;

const std::vector<std::string>& GameGfxSets()
{
    static const std::vector<std::string> sets = {"gs_plastic", "jungle"};
    return sets;
}

const std::vector<BoardSize>& GameBoardSizes()
{
    static const std::vector<BoardSize> sizes = {{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 6}};
    return sizes;
}

std::string BoardModelName(const BoardSize& size)
{
    return "field_" + std::to_string(size.width) + "x" + std::to_string(size.height);
}

const std::vector<std::string>& GameRegions()
{
    static const std::vector<std::string> regions = {"basic", "jungle", "swamp", "cave", "temple"};
    return regions;
}

bool WriteModelFile(const std::string& media, const std::string& relativePath, const XFileModel& model)
{
    std::string text;
    if (Platform::Gfx::Failed(Platform::GfxKit::WriteXFileText(model, text)))
    {
        std::fprintf(stderr, "cannot describe %s/%s as an X file\n", media.c_str(), relativePath.c_str());
        return false;
    }
    return WriteMediaFile(media, relativePath, text);
}

namespace
{

constexpr float kPi = std::numbers::pi_v<float>;

// Blocks: the top of a block, how far its free sides stay inside the cell, and its rounding.
constexpr float kBlockHeight = 0.7f;
constexpr float kWallHeight = 0.95f;
constexpr float kBridgeHeight = 0.2f;
constexpr float kFreeEdge = 0.46f;
constexpr float kCornerRadius = 0.16f;
constexpr float kBevel = 0.07f;
// Boards: the rim's top and the depth its walls reach (the environments' ground lies below).
constexpr float kRimTop = 0.0625f;
constexpr float kRimBottom = -0.625f;

// A model of one frame holding one mesh.
XFileModel OneMeshModel(const std::string& frameName, XMesh mesh)
{
    XFileModel model;
    model.meshes.push_back(std::move(mesh));
    XFrame frame;
    frame.name = frameName;
    frame.meshes = {0};
    model.frames.push_back(std::move(frame));
    return model;
}

// How a part joins its neighbours. Unturned, a link lies towards −Y; a middle part links both ways.
enum class Joint
{
    End,      // linked towards −Y only: flat there, rounded towards +Y
    Middle,   // linked both ways, flat at both ends
    Bordered, // a middle part shown closed at both ends, for neighbours it does not run into
    Single    // no link: rounded all round
};

unsigned FlatSides(Joint joint)
{
    switch (joint)
    {
    case Joint::End:
        return TileSide::SouthY;
    case Joint::Middle:
        return TileSide::SouthY | TileSide::NorthY;
    default:
        return 0;
    }
}

void AddBlockBody(MeshBuilder& builder, Joint joint, float height)
{
    const unsigned flat = FlatSides(joint);
    const float low = (flat & TileSide::SouthY) != 0 ? -0.5f : -kFreeEdge;
    const float high = (flat & TileSide::NorthY) != 0 ? 0.5f : kFreeEdge;
    AddRoundedTile(builder, -kFreeEdge, low, kFreeEdge, high, height, kCornerRadius, kBevel, flat);
}

// The look of one gfx set.
struct SetStyle
{
    std::string name;
    std::string bodyTexture; // empty: untextured bodies
    float bodyPower;
    CVector3 bodySpecular;
    std::string tileTexture;
    std::string rimTexture;
    CVector3 normal, player, wall, spring, pulling, pushing, linked, bridge, plain, trim, portal;
};

const std::vector<SetStyle>& SetStyles()
{
    static const std::vector<SetStyle> styles = {
        {"gs_plastic", "", 24.0f, {0.45f, 0.45f, 0.45f}, "plastic_tile.tga", "plastic_rim.tga",
         {0.72f, 0.76f, 0.86f}, {0.98f, 0.62f, 0.12f}, {0.36f, 0.38f, 0.44f}, {0.82f, 0.84f, 0.88f},
         {0.86f, 0.16f, 0.16f}, {0.18f, 0.36f, 0.9f}, {0.3f, 0.72f, 0.4f}, {0.88f, 0.78f, 0.55f},
         {0.7f, 0.7f, 0.7f}, {0.9f, 0.9f, 0.94f}, {0.3f, 0.6f, 1.0f}},
        {"jungle", "jungle_wood.tga", 6.0f, {0.12f, 0.12f, 0.1f}, "jungle_tile.tga", "jungle_rim.tga",
         {0.86f, 0.66f, 0.42f}, {0.98f, 0.56f, 0.14f}, {0.46f, 0.44f, 0.4f}, {0.7f, 0.62f, 0.46f},
         {0.78f, 0.2f, 0.14f}, {0.2f, 0.36f, 0.78f}, {0.42f, 0.66f, 0.3f}, {0.62f, 0.46f, 0.3f},
         {0.7f, 0.62f, 0.52f}, {0.78f, 0.74f, 0.6f}, {0.35f, 1.0f, 0.5f}},
    };
    return styles;
}

std::uint32_t BodyMaterial(MeshBuilder& builder, const SetStyle& style, const CVector3& colour)
{
    return builder.AddMaterial(colour, style.bodyPower, style.bodySpecular, style.bodyTexture);
}

std::uint32_t TrimMaterial(MeshBuilder& builder, const SetStyle& style)
{
    return builder.AddMaterial(style.trim, 32.0f, {0.6f, 0.6f, 0.6f});
}

XMesh PlainPart(const SetStyle& style, const CVector3& colour, Joint joint, float height = kBlockHeight)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, colour);
    AddBlockBody(builder, joint, height);
    return builder.Build("body");
}

// The player's block carries a dome in the middle of its top.
XMesh PlayerPart(const SetStyle& style, Joint joint)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, style.player);
    AddBlockBody(builder, joint, kBlockHeight);
    builder.AddMaterial({1.0f, 0.86f, 0.36f}, 40.0f, {0.7f, 0.7f, 0.6f});
    builder.SetPlacement(Placement::TurnedAbout(0.0f, {0.0f, 0.0f, kBlockHeight - 0.01f}));
    std::vector<ProfilePoint> dome = {{0.0f, 0.0f}, {0.22f, 0.0f, true}};
    for (int step = 1; step <= 5; ++step)
    {
        const float angle = 0.5f * kPi * static_cast<float>(step) / 5.0f;
        dome.push_back({0.22f * std::cos(angle), 0.17f * std::sin(angle)});
    }
    AddLathe(builder, dome, 14);
    return builder.Build("player");
}

// A magnet: a horseshoe of metal lying on the top, its legs towards −Y.
XMesh MagnetPart(const SetStyle& style, const CVector3& colour, Joint joint)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, colour);
    AddBlockBody(builder, joint, kBlockHeight);
    TrimMaterial(builder, style);
    const float z = kBlockHeight + 0.02f;
    std::vector<CVector3> path = {{-0.17f, -0.26f, z}, {-0.17f, -0.1f, z}, {-0.17f, 0.04f, z}};
    for (int step = 1; step < 8; ++step)
    {
        const float angle = kPi - kPi * static_cast<float>(step) / 8.0f;
        path.push_back({0.17f * std::cos(angle), 0.04f + 0.17f * std::sin(angle), z});
    }
    path.insert(path.end(), {{0.17f, 0.04f, z}, {0.17f, -0.1f, z}, {0.17f, -0.26f, z}});
    AddTube(builder, path, 0.05f, 8, false);
    return builder.Build("magnet");
}

// A linked block: a ring lying on its top.
XMesh TwinPart(const SetStyle& style, Joint joint)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, style.linked);
    AddBlockBody(builder, joint, kBlockHeight);
    TrimMaterial(builder, style);
    std::vector<CVector3> ring;
    for (int step = 0; step < 16; ++step)
    {
        const float angle = 2.0f * kPi * static_cast<float>(step) / 16.0f;
        ring.push_back({0.2f * std::cos(angle), 0.2f * std::sin(angle), kBlockHeight + 0.02f});
    }
    AddTube(builder, ring, 0.045f, 8, true);
    return builder.Build("twin");
}

// A spring: two end plates across ±Y and a coil between them along Y. The game stretches it along
// its chain, so it fills the cell to both ends.
XMesh SpringPart(const SetStyle& style)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, style.spring);
    AddBox(builder, {-0.42f, -0.5f, 0.04f}, {0.42f, -0.42f, 0.66f});
    AddBox(builder, {-0.42f, 0.42f, 0.04f}, {0.42f, 0.5f, 0.66f});
    TrimMaterial(builder, style);
    std::vector<CVector3> coil;
    constexpr int kTurns = 5;
    constexpr int kSteps = 12;
    for (int step = 0; step <= kTurns * kSteps; ++step)
    {
        const float t = static_cast<float>(step) / (kTurns * kSteps);
        const float angle = 2.0f * kPi * kTurns * t;
        coil.push_back({0.24f * std::cos(angle), -0.42f + 0.84f * t, 0.35f + 0.24f * std::sin(angle)});
    }
    AddTube(builder, coil, 0.04f, 6, false);
    return builder.Build("spring");
}

// A bridge: three planks across two beams, low enough to be driven over.
XMesh BridgePart(const SetStyle& style)
{
    MeshBuilder builder;
    BodyMaterial(builder, style, style.bridge);
    AddBox(builder, {-0.4f, -0.5f, 0.0f}, {-0.3f, 0.5f, 0.1f});
    AddBox(builder, {0.3f, -0.5f, 0.0f}, {0.4f, 0.5f, 0.1f});
    for (const float y : {-0.32f, 0.0f, 0.32f})
    {
        AddBox(builder, {-0.46f, y - 0.14f, 0.1f}, {0.46f, y + 0.14f, kBridgeHeight});
    }
    return builder.Build("bridge");
}

// The exit of the north edge: a gate whose glowing portal faces the board (−Y), on a floor slab
// that covers its ring cell.
XMesh ExitPart(const SetStyle& style)
{
    MeshBuilder builder;
    builder.AddMaterial(style.wall, style.bodyPower, style.bodySpecular, style.bodyTexture);
    AddBox(builder, {-0.46f, -0.46f, 0.0f}, {0.46f, 0.46f, 0.1f});
    builder.AddMaterial(style.trim, 24.0f, {0.4f, 0.4f, 0.4f}, style.bodyTexture);
    AddBox(builder, {-0.46f, 0.1f, 0.1f}, {-0.32f, 0.36f, 1.1f});
    AddBox(builder, {0.32f, 0.1f, 0.1f}, {0.46f, 0.36f, 1.1f});
    AddBox(builder, {-0.5f, 0.06f, 1.1f}, {0.5f, 0.4f, 1.26f});
    builder.AddMaterial(style.portal * 0.3f, 0.0f, CVector3::Zero, "", style.portal * 0.6f);
    AddBox(builder, {-0.32f, 0.26f, 0.1f}, {0.32f, 0.3f, 1.1f});
    return builder.Build("exit");
}

// The pick cube: one closed box over the cell, as high as a block, its corners shared by its faces.
XMesh PickCube()
{
    XMesh mesh;
    mesh.name = "pick";
    for (int i = 0; i < 8; ++i)
    {
        const float x = (i & 1) != 0 ? 0.5f : -0.5f;
        const float y = (i & 2) != 0 ? 0.5f : -0.5f;
        const float z = (i & 4) != 0 ? kBlockHeight : 0.0f;
        mesh.positions.push_back({x, y, z});
        mesh.texCoords.push_back({x + 0.5f, 0.5f - y});
    }
    // Each side: its four corners counter-clockwise seen from outside, and its normal.
    const std::uint32_t sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                       {3, 2, 6, 7}, {2, 0, 4, 6}, {1, 3, 7, 5}};
    const Platform::GfxKit::XFloat3 normals[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    mesh.normals.emplace();
    for (int side = 0; side < 6; ++side)
    {
        mesh.normals->normals.push_back(normals[side]);
        for (const int half : {0, 1})
        {
            const std::uint32_t corners[3] = {sides[side][0], sides[side][1 + half], sides[side][2 + half]};
            mesh.faces.faceSizes.push_back(3);
            mesh.normals->faces.faceSizes.push_back(3);
            for (const std::uint32_t corner : corners)
            {
                mesh.faces.indices.push_back(corner);
                mesh.normals->faces.indices.push_back(static_cast<std::uint32_t>(side));
            }
            mesh.faceMaterials.push_back(0);
        }
    }
    Platform::GfxKit::XMaterial material;
    material.faceColor = {0.8f, 0.8f, 0.8f, 1.0f};
    mesh.materials.push_back(material);
    return mesh;
}

// A board of width × height cells on z = 0 with its ring of exit cells as a low rim around it, corner
// ornaments on the rim's corners.
XMesh Board(const SetStyle& style, const BoardSize& size)
{
    const auto w = static_cast<float>(size.width);
    const auto h = static_cast<float>(size.height);
    MeshBuilder builder;
    builder.AddMaterial({1.0f, 1.0f, 1.0f}, 0.0f, CVector3::Zero, style.tileTexture);
    for (int row = 0; row < size.height; ++row)
    {
        for (int column = 0; column < size.width; ++column)
        {
            const auto x = static_cast<float>(column);
            const auto y = -static_cast<float>(row);
            builder.AddFlatQuad({x - 0.5f, y - 0.5f, 0.0f}, {x + 0.5f, y - 0.5f, 0.0f}, {x + 0.5f, y + 0.5f, 0.0f},
                                {x - 0.5f, y + 0.5f, 0.0f}, 0.0f, 1.0f, 1.0f, 0.0f);
        }
    }
    builder.AddMaterial({1.0f, 1.0f, 1.0f}, 0.0f, CVector3::Zero, style.rimTexture);
    const float left = -1.5f;
    const float right = w + 0.5f;
    const float bottom = -(h + 0.5f);
    const float top = 1.5f;
    AddBox(builder, {left, bottom, kRimBottom}, {right, bottom + 1.0f, kRimTop});
    AddBox(builder, {left, top - 1.0f, kRimBottom}, {right, top, kRimTop});
    AddBox(builder, {left, bottom + 1.0f, kRimBottom}, {left + 1.0f, top - 1.0f, kRimTop});
    AddBox(builder, {right - 1.0f, bottom + 1.0f, kRimBottom}, {right, top - 1.0f, kRimTop});
    builder.AddMaterial(style.trim, 16.0f, {0.3f, 0.3f, 0.3f}, style.bodyTexture);
    const bool balls = style.name == "jungle";
    for (const float x : {left + 0.5f, right - 0.5f})
    {
        for (const float y : {bottom + 0.5f, top - 0.5f})
        {
            builder.SetPlacement(Placement::TurnedAbout(0.0f, {x, y, kRimTop}));
            if (balls)
            {
                std::vector<ProfilePoint> ball = {{0.0f, 0.0f}};
                for (int step = 1; step < 6; ++step)
                {
                    const float angle = kPi * static_cast<float>(step) / 6.0f;
                    ball.push_back({0.2f * std::sin(angle), 0.2f - 0.2f * std::cos(angle)});
                }
                ball.push_back({0.0f, 0.4f});
                AddLathe(builder, ball, 10);
            }
            else
            {
                AddLathe(builder, {{0.0f, 0.0f}, {0.3f, 0.0f, true}, {0.3f, 0.1f, true}, {0.24f, 0.16f}, {0.0f, 0.16f}}, 16);
            }
        }
    }
    return builder.Build("board");
}

// A marker arrow as a solid of revolution: its tip at the placement's origin, its tail along +z.
void AddArrow(MeshBuilder& builder)
{
    AddLathe(builder,
             {{0.0f, 0.0f}, {0.22f, 0.34f, true}, {0.09f, 0.34f, true}, {0.09f, 0.8f, true}, {0.0f, 0.8f}}, 12);
}

// A marker: a frame that bobs over one second, first and last key equal, so the loop never jumps.
XFileModel MarkerModel(const std::string& name, const CVector3& tip, const CVector3& tailDirection,
                       const CVector3& bob)
{
    MeshBuilder builder;
    builder.AddMaterial({1.0f, 0.78f, 0.1f}, 32.0f, {0.6f, 0.6f, 0.5f}, "", {0.3f, 0.2f, 0.0f});
    builder.SetPlacement(Placement::Along(tailDirection, tip));
    AddArrow(builder);

    XFileModel model;
    model.meshes.push_back(builder.Build("arrow"));
    XFrame bobbing;
    bobbing.name = name + "_bob";
    bobbing.meshes = {0};
    XFrame root;
    root.name = name;
    root.children.push_back(bobbing);
    model.frames.push_back(root);

    model.ticksPerSecond = 4800;
    XAnimationKeys keys;
    keys.type = Platform::GfxKit::XKeyType::Matrix;
    constexpr int kKeys = 12;
    for (int k = 0; k <= kKeys; ++k)
    {
        const float phase = 2.0f * kPi * static_cast<float>(k % kKeys) / kKeys;
        const float amount = 0.5f * (1.0f - std::cos(phase));
        keys.times.push_back(static_cast<std::uint32_t>(4800 * k / kKeys));
        const float values[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, bob.x * amount, bob.y * amount, bob.z * amount, 1};
        keys.values.insert(keys.values.end(), values, values + 16);
    }
    XAnimation animation;
    animation.target = bobbing.name;
    animation.keys.push_back(keys);
    animation.hasOptions = true;
    animation.openClosed = 1;
    animation.positionQuality = 1;
    XAnimationSet set;
    set.name = "bob";
    set.animations.push_back(animation);
    model.animationSets.push_back(set);
    return model;
}

// Textures: tiles of the boards, stone of the rims, grain of the wooden blocks.
Picture BoardTile(const CVector3& face, const CVector3& edge, float roughness, std::uint32_t seed)
{
    constexpr int kSize = 64;
    Picture picture(kSize, kSize);
    const LayeredNoise noise(kSize, 4, 3, seed);
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const int border = std::min(std::min(x, kSize - 1 - x), std::min(y, kSize - 1 - y));
            const float shade = 1.0f + roughness * (noise.At(static_cast<float>(x), static_cast<float>(y)) - 0.5f);
            CVector3 colour = border < 2 ? edge : face;
            if (border == 2)
            {
                colour = (x < kSize / 2 && y < kSize / 2) ? face * 1.12f : face * 0.9f;
            }
            picture.At(x, y) = PixelOf(colour * shade);
        }
    }
    return picture;
}

Picture Stone(const CVector3& colour, std::uint32_t seed)
{
    constexpr int kSize = 64;
    Picture picture(kSize, kSize);
    const LayeredNoise noise(kSize, 4, 4, seed);
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            // Courses of bricks, every other course shifted by half a brick.
            const int course = y / 16;
            const int bx = (x + (course % 2) * 16) % 32;
            const bool joint = (y % 16) < 2 || bx < 2;
            const float shade = 0.75f + 0.5f * noise.At(static_cast<float>(x), static_cast<float>(y));
            picture.At(x, y) = PixelOf(colour * (joint ? 0.55f : shade));
        }
    }
    return picture;
}

Picture Grain(std::uint32_t seed)
{
    constexpr int kSize = 64;
    Picture picture(kSize, kSize);
    const LayeredNoise noise(kSize, 4, 3, seed);
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const float warp = 6.0f * noise.At(static_cast<float>(x), static_cast<float>(y));
            const float rings = 0.5f + 0.5f * std::sin((static_cast<float>(x) + warp) * 2.0f * kPi * 6.0f / kSize);
            const float shade = 0.78f + 0.22f * rings;
            picture.At(x, y) = PixelOf({shade, shade * 0.97f, shade * 0.93f});
        }
    }
    return picture;
}

bool WriteTextures(const std::string& media)
{
    const std::vector<std::pair<std::string, Picture>> textures = {
        {"plastic_tile.tga", BoardTile({0.93f, 0.94f, 0.96f}, {0.62f, 0.66f, 0.74f}, 0.06f, 11)},
        {"plastic_rim.tga", BoardTile({0.46f, 0.52f, 0.64f}, {0.36f, 0.4f, 0.5f}, 0.08f, 12)},
        {"jungle_tile.tga", BoardTile({0.56f, 0.62f, 0.44f}, {0.3f, 0.34f, 0.24f}, 0.5f, 13)},
        {"jungle_rim.tga", Stone({0.56f, 0.5f, 0.42f}, 14)},
        {"jungle_wood.tga", Grain(15)},
    };
    bool written = true;
    for (const auto& [name, picture] : textures)
    {
        written = WriteMediaFile(media, "textures/" + name, TgaBytes(picture)) && written;
    }
    return written;
}

} // namespace

bool WriteGameModels(const std::string& media)
{
    bool written = WriteTextures(media);
    written = WriteModelFile(media, "models/plastic_cube.x", OneMeshModel("plastic_cube", PickCube())) && written;
    for (const SetStyle& style : SetStyles())
    {
        std::vector<std::pair<std::string, XMesh>> parts = {
            {"blk_default", PlainPart(style, style.plain, Joint::Single)},
            {"blk1_endb", PlainPart(style, style.normal, Joint::End)},
            {"blk1_mid", PlainPart(style, style.normal, Joint::Middle)},
            {"blk1_midb", PlainPart(style, style.normal, Joint::Bordered)},
            {"blkplay_end", PlayerPart(style, Joint::End)},
            {"blkplay_mid", PlayerPart(style, Joint::Middle)},
            {"blkwall", PlainPart(style, style.wall, Joint::Single, kWallHeight)},
            {"blkspr", SpringPart(style)},
            {"blkmagn_end", MagnetPart(style, style.pulling, Joint::End)},
            {"blkmagn_mid", MagnetPart(style, style.pulling, Joint::Middle)},
            {"blkmagn_midb", MagnetPart(style, style.pulling, Joint::Bordered)},
            {"blkmagp_end", MagnetPart(style, style.pushing, Joint::End)},
            {"blkmagp_mid", MagnetPart(style, style.pushing, Joint::Middle)},
            {"blkmagp_midb", MagnetPart(style, style.pushing, Joint::Bordered)},
            {"blktwin_endb", TwinPart(style, Joint::End)},
            {"blktwin_mid", TwinPart(style, Joint::Middle)},
            {"blktwin_midb", TwinPart(style, Joint::Bordered)},
            {"blkbri", BridgePart(style)},
            {"blkcol_red", PlainPart(style, {0.86f, 0.14f, 0.12f}, Joint::Single)},
            {"blkcol_yellow", PlainPart(style, {0.96f, 0.84f, 0.16f}, Joint::Single)},
            {"blkcol_blue", PlainPart(style, {0.16f, 0.34f, 0.9f}, Joint::Single)},
            {"blkcol_green", PlainPart(style, {0.2f, 0.7f, 0.26f}, Joint::Single)},
            {"blkcol_black", PlainPart(style, {0.12f, 0.12f, 0.14f}, Joint::Single)},
            {"blkcol_white", PlainPart(style, {0.95f, 0.95f, 0.95f}, Joint::Single)},
            {"blkcol_orange", PlainPart(style, {0.98f, 0.5f, 0.1f}, Joint::Single)},
            {"exit", ExitPart(style)},
        };
        for (const BoardSize& size : GameBoardSizes())
        {
            parts.emplace_back(BoardModelName(size), Board(style, size));
        }
        const std::string folder = "models/" + style.name + "/";
        for (auto& [name, mesh] : parts)
        {
            written = WriteModelFile(media, folder + name + ".x", OneMeshModel(name, std::move(mesh))) && written;
        }
        if (style.name != "jungle")
        {
            continue;
        }
        // The markers the game always takes from this set: pointing along −Y from a cell's middle, and
        // pointing down onto it; both bob towards their tip.
        written = WriteModelFile(media, folder + "pointer.x",
                                 MarkerModel("pointer", {0.0f, -0.42f, 1.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, -0.06f, 0.0f})) &&
                  written;
        written = WriteModelFile(media, folder + "pointer_down.x",
                                 MarkerModel("pointer_down", {0.0f, 0.0f, 0.9f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -0.15f})) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
