// The shapes of the committed models as the X-file reader returns them: where they lie, what their
// meshes carry, how large they are, and that every name the game asks for is there.
#include "platform/gfxkit/xfile/XFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace Platform::GfxKit;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const std::vector<std::string> kGfxSets = {"gs_plastic", "jungle"};
const std::vector<std::pair<int, int>> kBoards = {{4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 6}};
const std::vector<std::string> kParts = {
    "blk_default", "blk1_endb",    "blk1_mid",    "blk1_midb",    "blkplay_end",  "blkplay_mid",  "blkwall",
    "blkspr",      "blkmagn_end",  "blkmagn_mid", "blkmagn_midb", "blkmagp_end",  "blkmagp_mid",  "blkmagp_midb",
    "blktwin_endb", "blktwin_mid", "blktwin_midb", "blkbri",      "blkcol_red",   "blkcol_yellow", "blkcol_blue",
    "blkcol_green", "blkcol_black", "blkcol_white", "blkcol_orange"};
constexpr float kSceneBoxHeight = 2.7f;

std::string BoardName(int width, int height)
{
    return "field_" + std::to_string(width) + "x" + std::to_string(height);
}

XFileModel Read(const fs::path& path)
{
    XFileModel model;
    EXPECT_EQ(Platform::Gfx::Ok, ReadXFile(path.string(), model)) << path;
    return model;
}

XFloat3 Transformed(const XFloat3& p, const XMatrix& m)
{
    return {p[0] * m[0] + p[1] * m[4] + p[2] * m[8] + m[12], p[0] * m[1] + p[1] * m[5] + p[2] * m[9] + m[13],
            p[0] * m[2] + p[1] * m[6] + p[2] * m[10] + m[14]};
}

XMatrix Multiplied(const XMatrix& a, const XMatrix& b)
{
    XMatrix result{};
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            for (int k = 0; k < 4; ++k)
            {
                result[4 * r + c] += a[4 * r + k] * b[4 * k + c];
            }
        }
    }
    return result;
}

// Every vertex position of the model in its rest pose (each frame's matrix applied).
std::vector<XFloat3> RestPositions(const XFileModel& model)
{
    std::vector<XFloat3> points;
    auto addMesh = [&](std::uint32_t mesh, const XMatrix& m) {
        for (const XFloat3& p : model.meshes[mesh].positions)
        {
            points.push_back(Transformed(p, m));
        }
    };
    std::function<void(const XFrame&, const XMatrix&)> walk = [&](const XFrame& frame, const XMatrix& parent) {
        const XMatrix combined = Multiplied(frame.transform, parent);
        for (const std::uint32_t mesh : frame.meshes)
        {
            addMesh(mesh, combined);
        }
        for (const XFrame& child : frame.children)
        {
            walk(child, combined);
        }
    };
    for (const std::uint32_t mesh : model.rootMeshes)
    {
        addMesh(mesh, XIdentity);
    }
    for (const XFrame& frame : model.frames)
    {
        walk(frame, XIdentity);
    }
    return points;
}

struct Box
{
    XFloat3 low = {1e30f, 1e30f, 1e30f};
    XFloat3 high = {-1e30f, -1e30f, -1e30f};
};

Box BoundsOf(const std::vector<XFloat3>& points)
{
    Box box;
    for (const XFloat3& p : points)
    {
        for (int i = 0; i < 3; ++i)
        {
            box.low[i] = std::min(box.low[i], p[i]);
            box.high[i] = std::max(box.high[i], p[i]);
        }
    }
    return box;
}

void ExpectWithin(const fs::path& file, const Box& box, const XFloat3& low, const XFloat3& high)
{
    const char* axes = "xyz";
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_GE(box.low[i], low[i] - 1e-4f) << file << " reaches below " << axes[i] << " = " << low[i];
        EXPECT_LE(box.high[i], high[i] + 1e-4f) << file << " reaches beyond " << axes[i] << " = " << high[i];
    }
}

std::size_t Triangles(const XFileModel& model)
{
    std::size_t triangles = 0;
    for (const XMesh& mesh : model.meshes)
    {
        for (const std::uint32_t size : mesh.faces.faceSizes)
        {
            triangles += size - 2;
        }
    }
    return triangles;
}

TEST(ModelGeometryTest, EveryGfxSetHoldsTheModelsTheGameAsksFor)
{
    std::vector<std::string> sets;
    for (const fs::directory_entry& entry : fs::directory_iterator(kMedia / "models"))
    {
        if (entry.is_directory() && entry.path().filename().string()[0] != '.')
        {
            sets.push_back(entry.path().filename().string());
        }
    }
    std::sort(sets.begin(), sets.end());
    EXPECT_EQ(kGfxSets, sets) << "the game's fallback gfx set is the second of the sorted list";
    std::vector<std::string> expected = {"models/plastic_cube.x", "models/jungle/pointer.x",
                                         "models/jungle/pointer_down.x", "environments/jungle1.xml"};
    for (const std::string& set : kGfxSets)
    {
        for (const std::string& name : kParts)
        {
            expected.push_back("models/" + set + "/" + name + ".x");
        }
        for (const char* name : {"exit", "environment"})
        {
            expected.push_back("models/" + set + "/" + name + ".x");
        }
        for (const auto& [width, height] : kBoards)
        {
            expected.push_back("models/" + set + "/" + BoardName(width, height) + ".x");
            expected.push_back("animations/camera_" + set + "_" + BoardName(width, height) + ".x");
        }
    }
    for (const std::string& file : expected)
    {
        EXPECT_TRUE(fs::is_regular_file(kMedia / file)) << file;
    }
}

TEST(ModelGeometryTest, PartsExitsAndThePickCubeStayInTheirCellUnderTheSceneBox)
{
    for (const std::string& set : kGfxSets)
    {
        std::vector<std::string> names = kParts;
        names.push_back("exit");
        for (const std::string& name : names)
        {
            const fs::path file = kMedia / "models" / set / (name + ".x");
            ExpectWithin(file, BoundsOf(RestPositions(Read(file))), {-0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, kSceneBoxHeight});
        }
    }
    // The pick cube fills its cell exactly, from the board up to the top of a block.
    const XFileModel cube = Read(kMedia / "models/plastic_cube.x");
    const Box box = BoundsOf(RestPositions(cube));
    EXPECT_EQ((XFloat3{-0.5f, -0.5f, 0.0f}), box.low);
    EXPECT_FLOAT_EQ(0.5f, box.high[0]);
    EXPECT_FLOAT_EQ(0.5f, box.high[1]);
    EXPECT_GT(box.high[2], 0.4f);
    EXPECT_LE(box.high[2], kSceneBoxHeight);
    // One closed mesh: every edge is crossed once in each direction.
    ASSERT_EQ(1u, cube.meshes.size());
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    std::size_t corner = 0;
    for (const std::uint32_t size : cube.meshes[0].faces.faceSizes)
    {
        for (std::uint32_t i = 0; i < size; ++i)
        {
            const std::uint32_t a = cube.meshes[0].faces.indices[corner + i];
            const std::uint32_t b = cube.meshes[0].faces.indices[corner + (i + 1) % size];
            ++edges[{a, b}];
        }
        corner += size;
    }
    for (const auto& [edge, count] : edges)
    {
        EXPECT_EQ(1, count);
        EXPECT_EQ(1u, edges.count({edge.second, edge.first})) << "open edge " << edge.first << "-" << edge.second;
    }
}

// A marker floats over a block without dipping into it: above the pick cube, which is as high as a block.
TEST(ModelGeometryTest, MarkersStayInTheirCellAboveBlocksUnderTheSceneBoxWhereverTheyBob)
{
    const float blockTop = BoundsOf(RestPositions(Read(kMedia / "models/plastic_cube.x"))).high[2];
    for (const char* name : {"pointer", "pointer_down"})
    {
        const fs::path file = kMedia / "models/jungle" / (std::string(name) + ".x");
        const XFileModel model = Read(file);
        ASSERT_EQ(1u, model.animationSets.size()) << file;
        const std::vector<XFloat3> rest = RestPositions(model);
        // Every key moves the bobbing frame (a child of an identity root) to its matrix.
        for (const XAnimation& animation : model.animationSets[0].animations)
        {
            for (const XAnimationKeys& keys : animation.keys)
            {
                ASSERT_EQ(XKeyType::Matrix, keys.type) << file;
                for (std::size_t k = 0; k < keys.times.size(); ++k)
                {
                    XMatrix m;
                    std::copy_n(keys.values.begin() + static_cast<std::ptrdiff_t>(16 * k), 16, m.begin());
                    std::vector<XFloat3> posed;
                    for (const XMesh& mesh : model.meshes)
                    {
                        for (const XFloat3& p : mesh.positions)
                        {
                            posed.push_back(Transformed(p, m));
                        }
                    }
                    ExpectWithin(file, BoundsOf(posed), {-0.5f, -0.5f, blockTop}, {0.5f, 0.5f, kSceneBoxHeight});
                }
            }
        }
        ExpectWithin(file, BoundsOf(rest), {-0.5f, -0.5f, blockTop}, {0.5f, 0.5f, kSceneBoxHeight});
    }
}

TEST(ModelGeometryTest, BoardsFillTheirCellsAndTheRimAndNothingBeyond)
{
    for (const std::string& set : kGfxSets)
    {
        for (const auto& [width, height] : kBoards)
        {
            const fs::path file = kMedia / "models" / set / (BoardName(width, height) + ".x");
            const std::vector<XFloat3> points = RestPositions(Read(file));
            const Box box = BoundsOf(points);
            const auto w = static_cast<float>(width);
            const auto h = static_cast<float>(height);
            // The rim is the ring of exit cells, exactly.
            EXPECT_FLOAT_EQ(-1.5f, box.low[0]) << file;
            EXPECT_FLOAT_EQ(w + 0.5f, box.high[0]) << file;
            EXPECT_FLOAT_EQ(-(h + 0.5f), box.low[1]) << file;
            EXPECT_FLOAT_EQ(1.5f, box.high[1]) << file;
            EXPECT_LE(box.high[2], 1.0f) << file;
            // Over the cells nothing rises above z = 0, and the cells' tops lie there.
            bool top = false;
            for (const XFloat3& p : points)
            {
                const bool overCells = p[0] > -0.5f && p[0] < w - 0.5f && p[1] > -(h - 0.5f) && p[1] < 0.5f;
                if (overCells)
                {
                    EXPECT_LE(p[2], 0.0f) << file << " at " << p[0] << ", " << p[1];
                }
                top = top || (p[2] == 0.0f && p[0] >= -0.5f && p[0] <= w - 0.5f);
            }
            EXPECT_TRUE(top) << file;
        }
    }
}

// The board of every size, rim included, in world space (the puzzle node centres it), and the air
// above it: environment models keep out of it, except below the lowest board.
TEST(ModelGeometryTest, EnvironmentModelsSurroundTheBoardAndKeepItsSpaceClear)
{
    float lowestBoard = 0.0f;
    float left = 0.0f, right = 0.0f, bottom = 0.0f, top = 0.0f;
    for (const std::string& set : kGfxSets)
    {
        for (const auto& [width, height] : kBoards)
        {
            const Box box = BoundsOf(RestPositions(Read(kMedia / "models" / set / (BoardName(width, height) + ".x"))));
            const float dx = -(static_cast<float>(width) - 6.0f) * 0.5f;
            const float dy = (static_cast<float>(height) - 6.0f) * 0.5f;
            lowestBoard = std::min(lowestBoard, box.low[2]);
            left = std::min(left, box.low[0] + dx);
            right = std::max(right, box.high[0] + dx);
            bottom = std::min(bottom, box.low[1] + dy);
            top = std::max(top, box.high[1] + dy);
        }
    }
    std::vector<fs::path> files;
    for (const char* region : {"basic", "jungle", "swamp", "cave", "temple"})
    {
        files.push_back(kMedia / "models" / ("env_" + std::string(region) + ".x"));
    }
    for (const std::string& set : kGfxSets)
    {
        files.push_back(kMedia / "models" / set / "environment.x");
    }
    for (const fs::path& file : files)
    {
        float farthest = 0.0f;
        for (const XFloat3& p : RestPositions(Read(file)))
        {
            const float distance = std::hypot(p[0] - 2.5f, p[1] + 2.5f);
            farthest = std::max(farthest, distance);
            EXPECT_LE(distance, 50.0f) << file;
            if (p[0] > left && p[0] < right && p[1] > bottom && p[1] < top)
            {
                ASSERT_LT(p[2], lowestBoard) << file << " reaches into the board at " << p[0] << ", " << p[1];
            }
        }
        EXPECT_GT(farthest, 30.0f) << file << " does not surround the board";
    }
}

// Meshes load without a box or a warning: normals and one set of texture coordinates everywhere, no
// skin, no face without area or wound against its normals, textures named bare that lie in textures/ with no map of the material
// converter's suffixes beside them, one animation set at most, and within the triangle budgets.
TEST(ModelGeometryTest, MeshesCarryWhatTheLoaderNeedsWithinTheirBudgets)
{
    const std::vector<std::string> suffixes = {"_specular", "_bump", "_normal", "_detail", "_environment", "_shadow",
                                               "_light"};
    std::map<std::string, std::size_t> largest;
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kMedia / "models"))
    {
        if (!entry.is_regular_file() || entry.path().extension() != ".x")
        {
            continue;
        }
        ++files;
        const fs::path& file = entry.path();
        const XFileModel model = Read(file);
        EXPECT_LE(model.animationSets.size(), 1u) << file;
        for (const XMesh& mesh : model.meshes)
        {
            ASSERT_TRUE(mesh.normals.has_value()) << file;
            EXPECT_EQ(mesh.faces.faceSizes, mesh.normals->faces.faceSizes) << file;
            EXPECT_EQ(mesh.positions.size(), mesh.texCoords.size()) << file;
            EXPECT_TRUE(mesh.skinWeights.empty() && !mesh.skinHeader) << file;
            EXPECT_FALSE(mesh.materials.empty()) << file;
            std::size_t corner = 0;
            for (const std::uint32_t size : mesh.faces.faceSizes)
            {
                ASSERT_EQ(3u, size) << file;
                const XFloat3& a = mesh.positions[mesh.faces.indices[corner]];
                const XFloat3& b = mesh.positions[mesh.faces.indices[corner + 1]];
                const XFloat3& c = mesh.positions[mesh.faces.indices[corner + 2]];
                const XFloat3 u = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
                const XFloat3 v = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
                const XFloat3 cross = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
                EXPECT_GT(std::hypot(cross[0], cross[1], cross[2]), 0.0f) << file << " face " << corner / 3;
                // The winding agrees with the normals: the engine culls by winding, lights by normals.
                float facing = 0.0f;
                for (int i = 0; i < 3; ++i)
                {
                    const XFloat3& n = mesh.normals->normals[mesh.normals->faces.indices[corner + i]];
                    facing += n[0] * cross[0] + n[1] * cross[1] + n[2] * cross[2];
                }
                EXPECT_GT(facing, 0.0f) << file << " face " << corner / 3 << " winds against its normals";
                corner += size;
            }
            for (const XMaterial& material : mesh.materials)
            {
                EXPECT_FALSE(material.effect) << file;
                if (!material.textureFile)
                {
                    continue;
                }
                const std::string& texture = *material.textureFile;
                EXPECT_EQ(std::string::npos, texture.find_first_of("/\\>")) << file << ": " << texture;
                EXPECT_TRUE(fs::is_regular_file(kMedia / "textures" / texture)) << file << ": " << texture;
                const fs::path stem = fs::path(texture).stem();
                for (const std::string& suffix : suffixes)
                {
                    const fs::path map = kMedia / "textures" / (stem.string() + suffix + fs::path(texture).extension().string());
                    EXPECT_FALSE(fs::exists(map)) << map << " would become a map of " << texture;
                }
            }
        }
        const std::string name = file.stem().string();
        const bool scenery = name.rfind("field_", 0) == 0 || name.rfind("env_", 0) == 0 || name == "environment";
        const std::size_t triangles = Triangles(model);
        EXPECT_LT(triangles, scenery ? 20000u : 2000u) << file;
        const std::string kind = name.rfind("field_", 0) == 0 ? "board" : scenery ? "environment" : "part";
        largest[kind] = std::max(largest[kind], triangles);
    }
    EXPECT_GE(files, 60u);
    for (const auto& [kind, triangles] : largest)
    {
        std::printf("largest %s: %zu triangles\n", kind.c_str(), triangles);
    }
}

} // namespace
