#include "mediagen/GameMedia.h"
#include "mediagen/GameModels.h"
#include "mediagen/MeshBuilder.h"
#include "mediagen/Picture.h"

#include "foundation/Random.h"

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

namespace MediaGen
{

namespace
{

constexpr float kPi = std::numbers::pi_v<float>;
// Every board is placed so that its middle lies here; the surroundings are laid out around it.
const CVector3 kCentre = {2.5f, -2.5f, 0.0f};
// The ground lies below the boards' rims; nothing else comes nearer the middle than kClearRadius, which
// leaves the largest board with its rim (at most 6.4 units from the middle) and the air above it free.
constexpr float kGround = -0.75f;
constexpr float kGroundRadius = 46.0f;
constexpr float kClearRadius = 11.0f;

float Draw()
{
    return static_cast<float>(BaseLib::Random()) / static_cast<float>(BaseLib::RandomMax);
}

float Between(float low, float high)
{
    return low + (high - low) * Draw();
}

// A place on the ground at a random angle, between the two distances from the middle.
CVector3 GroundSpot(float nearest, float farthest)
{
    const float angle = Between(0.0f, 2.0f * kPi);
    const float distance = Between(nearest, farthest);
    return {kCentre.x + distance * std::cos(angle), kCentre.y + distance * std::sin(angle), kGround};
}

void AddGround(MeshBuilder& builder, const CVector3& colour, const std::string& texture)
{
    builder.AddMaterial(colour, 0.0f, CVector3::Zero, texture);
    builder.SetPlacement(Placement::TurnedAbout(0.0f, {kCentre.x, kCentre.y, kGround}));
    AddLathe(builder, {{kGroundRadius, 0.0f}, {34.0f, 0.0f}, {22.0f, 0.0f}, {12.0f, 0.0f}, {0.0f, 0.0f}}, 24, 0.0f,
             0.25f);
}

// A squashed ball resting on the ground at `spot`.
void AddBoulder(MeshBuilder& builder, const CVector3& spot, float radius, float flatness, int sides)
{
    builder.SetPlacement(Placement::TurnedAbout(Between(0.0f, kPi), spot));
    std::vector<ProfilePoint> profile = {{0.0f, 0.0f}};
    constexpr int kSteps = 5;
    for (int step = 1; step < kSteps; ++step)
    {
        const float angle = kPi * static_cast<float>(step) / kSteps;
        profile.push_back({radius * std::sin(angle), radius * flatness * (1.0f - std::cos(angle))});
    }
    profile.push_back({0.0f, 2.0f * radius * flatness});
    AddLathe(builder, profile, sides);
}

// A trunk tapering from `base` to `top` radius.
void AddTrunk(MeshBuilder& builder, const CVector3& spot, float height, float base, float top, int sides)
{
    builder.SetPlacement(Placement::TurnedAbout(0.0f, spot));
    AddLathe(builder, {{0.0f, 0.0f}, {base, 0.0f, true}, {top, height, true}, {0.0f, height}}, sides);
}

void AddCone(MeshBuilder& builder, const CVector3& spot, float radius, float height, int sides)
{
    builder.SetPlacement(Placement::TurnedAbout(Between(0.0f, kPi), spot));
    AddLathe(builder, {{0.0f, 0.0f}, {radius, 0.0f, true}, {0.0f, height}}, sides);
}

// A column with a square-ish base and capital, `height` tall.
void AddColumn(MeshBuilder& builder, const CVector3& spot, float height, float radius)
{
    builder.SetPlacement(Placement::TurnedAbout(kPi / 4.0f, spot));
    AddLathe(builder,
             {{0.0f, 0.0f},
              {radius * 1.5f, 0.0f, true},
              {radius * 1.5f, 0.4f, true},
              {radius, 0.5f, true},
              {radius * 0.9f, height - 0.5f, true},
              {radius * 1.5f, height - 0.4f, true},
              {radius * 1.5f, height, true},
              {0.0f, height}},
             10);
}

using Region = std::function<void(MeshBuilder&)>;

void Meadow(MeshBuilder& builder)
{
    AddGround(builder, {1.0f, 1.0f, 1.0f}, "ground_meadow.tga");
    builder.AddMaterial({0.5f, 0.48f, 0.46f}, 4.0f, {0.1f, 0.1f, 0.1f});
    for (int i = 0; i < 20; ++i)
    {
        AddBoulder(builder, GroundSpot(kClearRadius + 1.0f, 40.0f), Between(0.5f, 1.6f), Between(0.4f, 0.7f), 9);
    }
    const std::uint32_t bark = builder.AddMaterial({0.42f, 0.3f, 0.2f});
    const std::uint32_t leaves = builder.AddMaterial({0.3f, 0.55f, 0.22f});
    for (int i = 0; i < 14; ++i)
    {
        const CVector3 spot = GroundSpot(kClearRadius + 3.0f, 42.0f);
        const float height = Between(2.0f, 3.5f);
        builder.UseMaterial(bark);
        AddTrunk(builder, spot, height, 0.25f, 0.15f, 7);
        builder.UseMaterial(leaves);
        AddCone(builder, {spot.x, spot.y, spot.z + height * 0.6f}, Between(1.2f, 1.8f), Between(3.0f, 4.5f), 9);
    }
}

void Jungle(MeshBuilder& builder)
{
    AddGround(builder, {1.0f, 1.0f, 1.0f}, "ground_leaves.tga");
    const std::uint32_t bark = builder.AddMaterial({0.36f, 0.28f, 0.2f});
    const std::uint32_t leaves = builder.AddMaterial({0.18f, 0.46f, 0.16f}, 8.0f, {0.1f, 0.15f, 0.1f});
    const std::uint32_t pale = builder.AddMaterial({0.34f, 0.6f, 0.2f});
    for (int i = 0; i < 20; ++i)
    {
        const CVector3 spot = GroundSpot(kClearRadius + 3.0f, 42.0f);
        const float height = Between(4.0f, 6.5f);
        builder.UseMaterial(bark);
        AddTrunk(builder, spot, height, 0.35f, 0.18f, 6);
        builder.UseMaterial(i % 3 == 0 ? pale : leaves);
        AddBoulder(builder, {spot.x, spot.y, spot.z + height - 0.6f}, Between(1.6f, 2.4f), 0.45f, 8);
        AddBoulder(builder, {spot.x + 0.4f, spot.y - 0.3f, spot.z + height * 0.65f}, Between(1.0f, 1.5f), 0.5f, 7);
    }
    builder.UseMaterial(leaves);
    for (int i = 0; i < 12; ++i)
    {
        AddBoulder(builder, GroundSpot(kClearRadius + 0.5f, 38.0f), Between(0.6f, 1.2f), 0.6f, 8);
    }
}

void Swamp(MeshBuilder& builder)
{
    AddGround(builder, {1.0f, 1.0f, 1.0f}, "ground_mud.tga");
    // Still water over the mud: a ring that leaves the boards' middle dry.
    builder.AddMaterial({0.16f, 0.24f, 0.2f}, 48.0f, {0.5f, 0.55f, 0.5f});
    builder.SetPlacement(Placement::TurnedAbout(0.0f, {kCentre.x, kCentre.y, kGround + 0.15f}));
    AddLathe(builder, {{40.0f, 0.0f}, {26.0f, 0.0f}, {kClearRadius - 2.0f, 0.0f}}, 24, 0.0f, 0.25f);
    const std::uint32_t wood = builder.AddMaterial({0.3f, 0.27f, 0.22f});
    for (int i = 0; i < 16; ++i)
    {
        const CVector3 spot = GroundSpot(kClearRadius + 2.0f, 40.0f);
        const float height = Between(2.5f, 4.5f);
        AddTrunk(builder, spot, height, 0.3f, 0.1f, 6);
        for (int branch = 0; branch < 2; ++branch)
        {
            const float angle = Between(0.0f, 2.0f * kPi);
            const CVector3 start = {spot.x, spot.y, spot.z + height * Between(0.5f, 0.8f)};
            const CVector3 end = {start.x + 1.2f * std::cos(angle), start.y + 1.2f * std::sin(angle), start.z + 0.9f};
            builder.SetPlacement(Placement{});
            AddTube(builder, {start, end}, 0.07f, 5, false);
        }
    }
    builder.AddMaterial({0.5f, 0.52f, 0.28f});
    for (int i = 0; i < 40; ++i)
    {
        AddCone(builder, GroundSpot(kClearRadius, 36.0f), 0.08f, Between(1.0f, 2.0f), 5);
    }
    builder.UseMaterial(wood);
    for (int i = 0; i < 10; ++i)
    {
        AddBoulder(builder, GroundSpot(kClearRadius + 1.0f, 36.0f), Between(0.5f, 1.0f), 0.5f, 8);
    }
}

void Cave(MeshBuilder& builder)
{
    AddGround(builder, {1.0f, 1.0f, 1.0f}, "ground_rock.tga");
    // The cave's wall: a bumpy ring facing inwards, its profile running from the top down.
    builder.AddMaterial({0.4f, 0.37f, 0.34f}, 4.0f, {0.1f, 0.1f, 0.1f}, "ground_rock.tga");
    builder.SetPlacement(Placement::TurnedAbout(0.0f, {kCentre.x, kCentre.y, kGround}));
    AddLathe(builder,
             {{30.0f, 14.0f}, {33.0f, 11.0f}, {31.0f, 8.0f}, {34.0f, 5.0f}, {32.0f, 2.0f}, {35.0f, 0.0f}}, 28);
    builder.AddMaterial({0.46f, 0.42f, 0.38f}, 12.0f, {0.2f, 0.2f, 0.2f});
    for (int i = 0; i < 30; ++i)
    {
        AddCone(builder, GroundSpot(kClearRadius + 1.0f, 29.0f), Between(0.4f, 1.0f), Between(1.5f, 5.0f), 7);
    }
    for (int i = 0; i < 14; ++i)
    {
        AddBoulder(builder, GroundSpot(kClearRadius + 1.0f, 28.0f), Between(0.6f, 1.5f), 0.6f, 8);
    }
}

void Temple(MeshBuilder& builder)
{
    AddGround(builder, {1.0f, 1.0f, 1.0f}, "ground_flagstone.tga");
    builder.AddMaterial({0.82f, 0.76f, 0.62f}, 10.0f, {0.15f, 0.15f, 0.12f});
    constexpr int kColumns = 12;
    for (int i = 0; i < kColumns; ++i)
    {
        const float angle = 2.0f * kPi * (static_cast<float>(i) + 0.5f) / kColumns;
        const CVector3 spot = {kCentre.x + 15.0f * std::cos(angle), kCentre.y + 15.0f * std::sin(angle), kGround};
        // Every fourth column has fallen to a stump.
        AddColumn(builder, spot, i % 4 == 3 ? 2.0f : 6.5f, 0.45f);
    }
    builder.SetPlacement(Placement{});
    for (int i = 0; i < 10; ++i)
    {
        const CVector3 spot = GroundSpot(kClearRadius + 6.0f, 38.0f);
        const float size = Between(0.6f, 1.4f);
        builder.SetPlacement(Placement::TurnedAbout(Between(0.0f, kPi), spot));
        AddBox(builder, {-size, -size * 0.6f, 0.0f}, {size, size * 0.6f, size});
    }
}

// The gs_plastic set's editor surroundings: a plain floor and a ring of soft shapes.
void Studio(MeshBuilder& builder)
{
    AddGround(builder, {0.86f, 0.88f, 0.92f}, "");
    const CVector3 colours[3] = {{0.95f, 0.6f, 0.55f}, {0.55f, 0.75f, 0.95f}, {0.7f, 0.9f, 0.6f}};
    for (int i = 0; i < 9; ++i)
    {
        builder.AddMaterial(colours[i % 3], 24.0f, {0.4f, 0.4f, 0.4f});
        const float angle = 2.0f * kPi * static_cast<float>(i) / 9.0f;
        const CVector3 spot = {kCentre.x + 18.0f * std::cos(angle), kCentre.y + 18.0f * std::sin(angle), kGround};
        AddBoulder(builder, spot, 2.0f, 1.0f, 16);
    }
}

// Ground textures: 64 × 64, seamless.
Picture Ground(const CVector3& low, const CVector3& high, int cells, std::uint32_t seed,
               const std::function<float(int, int, float)>& pattern = nullptr)
{
    constexpr int kSize = 64;
    Picture picture(kSize, kSize);
    const LayeredNoise noise(kSize, cells, 4, seed);
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            float t = noise.At(static_cast<float>(x), static_cast<float>(y));
            if (pattern)
            {
                t = pattern(x, y, t);
            }
            picture.At(x, y) = PixelOf(low + (high - low) * t);
        }
    }
    return picture;
}

bool WriteGroundTextures(const std::string& media)
{
    // Flagstones: joints every 32 pixels, every other row shifted.
    auto flagstones = [](int x, int y, float t) {
        const int shifted = (x + ((y / 32) % 2) * 16) % 32;
        return (y % 32) < 2 || shifted < 2 ? 0.1f : 0.35f + 0.65f * t;
    };
    const std::vector<std::pair<std::string, Picture>> textures = {
        {"ground_meadow.tga", Ground({0.3f, 0.42f, 0.16f}, {0.55f, 0.66f, 0.3f}, 4, 21)},
        {"ground_leaves.tga", Ground({0.16f, 0.22f, 0.08f}, {0.42f, 0.4f, 0.16f}, 8, 22)},
        {"ground_mud.tga", Ground({0.18f, 0.16f, 0.1f}, {0.4f, 0.38f, 0.26f}, 4, 23)},
        {"ground_rock.tga", Ground({0.22f, 0.2f, 0.2f}, {0.55f, 0.52f, 0.48f}, 8, 24)},
        {"ground_flagstone.tga", Ground({0.4f, 0.36f, 0.3f}, {0.8f, 0.74f, 0.62f}, 4, 25, flagstones)},
    };
    bool written = true;
    for (const auto& [name, picture] : textures)
    {
        written = WriteMediaFile(media, "textures/" + name, TgaBytes(picture)) && written;
    }
    return written;
}

bool WriteEnvironmentModel(const std::string& media, const std::string& relativePath, const std::string& name,
                           std::uint32_t seed, const Region& region)
{
    BaseLib::SeedRandom(seed);
    MeshBuilder builder;
    builder.SetPrecision(64.0f); // far surroundings need no finer steps
    region(builder);
    Platform::GfxKit::XFileModel model;
    model.meshes.push_back(builder.Build("surroundings"));
    Platform::GfxKit::XFrame frame;
    frame.name = name;
    frame.meshes = {0};
    model.frames.push_back(frame);
    return WriteModelFile(media, relativePath, model);
}

} // namespace

bool WriteEnvironmentModels(const std::string& media)
{
    const std::map<std::string, Region> regions = {
        {"basic", Meadow}, {"jungle", Jungle}, {"swamp", Swamp}, {"cave", Cave}, {"temple", Temple}};
    bool written = WriteGroundTextures(media);
    std::uint32_t seed = 100;
    for (const std::string& region : GameRegions())
    {
        written = WriteEnvironmentModel(media, "models/env_" + region + ".x", "env_" + region, ++seed,
                                        regions.at(region)) &&
                  written;
    }
    written = WriteEnvironmentModel(media, "models/jungle/environment.x", "environment", 102, Jungle) && written;
    written = WriteEnvironmentModel(media, "models/gs_plastic/environment.x", "environment", 200, Studio) && written;
    return written;
}

} // namespace MediaGen
