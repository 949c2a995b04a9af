#include "platform/gfxkit/xfile/XFileReader.h"
#include "platform/gfxkit/xfile/XFileWriter.h"
#include "platform/os/DebugOutput.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

using namespace Platform::GfxKit;
namespace Gfx = Platform::Gfx;

namespace
{

std::string DataPath(const std::string& name)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + name;
}

std::string ReadText(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

XFileModel ReadData(const std::string& name, std::string* trace = nullptr)
{
    Platform::DebugOutputCapture capture;
    XFileModel model;
    EXPECT_EQ(ReadXFile(DataPath(name), model), Gfx::Ok) << capture.Text();
    if (trace != nullptr)
    {
        *trace = capture.Text();
    }
    return model;
}

TEST(PlatformXFile, CubeReadsEveryValueAsWritten)
{
    std::string trace;
    const XFileModel model = ReadData("xfile-cube.x", &trace);
    EXPECT_EQ(trace, "");
    ASSERT_EQ(model.frames.size(), 1u);
    const XFrame& frame = model.frames[0];
    EXPECT_EQ(frame.name, "Box");
    EXPECT_EQ(frame.transform, (XMatrix{1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 10.5f, -3, 0.25f, 1}));
    ASSERT_EQ(frame.meshes, std::vector<std::uint32_t>{0});
    EXPECT_TRUE(model.rootMeshes.empty());
    EXPECT_EQ(model.ticksPerSecond, 4800u);

    const XMesh& mesh = model.meshes[0];
    EXPECT_EQ(mesh.name, "BoxMesh");
    ASSERT_EQ(mesh.positions.size(), 8u);
    EXPECT_EQ(mesh.positions[6], (XFloat3{1, 1, 1}));
    EXPECT_EQ(mesh.faces.faceSizes, std::vector<std::uint32_t>(6, 4));
    EXPECT_EQ(std::vector<std::uint32_t>(mesh.faces.indices.begin(), mesh.faces.indices.begin() + 8),
              (std::vector<std::uint32_t>{0, 3, 2, 1, 4, 5, 6, 7}));
    ASSERT_TRUE(mesh.normals.has_value());
    EXPECT_EQ(mesh.normals->normals[4], (XFloat3{-1, 0, 0}));
    EXPECT_EQ(mesh.normals->faces.indices[20], 5u);
    ASSERT_EQ(mesh.texCoords.size(), 8u);
    EXPECT_EQ(mesh.texCoords[4], (XFloat2{0.25f, 0.75f}));
    EXPECT_TRUE(mesh.vertexColors.empty());
    EXPECT_EQ(mesh.faceMaterials, (std::vector<std::uint32_t>{0, 0, 1, 1, 1, 0}));

    ASSERT_EQ(mesh.materials.size(), 2u);
    const XMaterial& wall = mesh.materials[0];
    EXPECT_EQ(wall.name, "Wall");
    EXPECT_EQ(wall.faceColor, (XFloat4{0.8f, 0.7f, 0.6f, 1}));
    EXPECT_EQ(wall.power, 12.5f);
    EXPECT_EQ(wall.specular, (XFloat3{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(wall.textureFile, std::optional<std::string>("textures\\\\wall.tga"));
    EXPECT_FALSE(wall.effect.has_value());

    const XMaterial& crate = mesh.materials[1];
    EXPECT_FALSE(crate.textureFile.has_value());
    ASSERT_TRUE(crate.effect.has_value());
    EXPECT_EQ(crate.effect->effectFile, "crate.fx");
    ASSERT_EQ(crate.effect->params.size(), 3u);
    EXPECT_EQ(crate.effect->params[0].kind, XEffectParam::Kind::String);
    EXPECT_EQ(crate.effect->params[0].name, "DiffuseTexture");
    EXPECT_EQ(crate.effect->params[0].text, "crate.tga");
    EXPECT_EQ(crate.effect->params[1].kind, XEffectParam::Kind::Floats);
    EXPECT_EQ(crate.effect->params[1].floats, (std::vector<float>{0.5f, 0.25f, 1, 1.5e-3f}));
    EXPECT_EQ(crate.effect->params[2].kind, XEffectParam::Kind::DWord);
    EXPECT_EQ(crate.effect->params[2].dword, 3u);
}

TEST(PlatformXFile, LenientFileLoadsWithTemplatesCommentsOddSeparatorsAndUnknownObjects)
{
    std::string trace;
    const XFileModel model = ReadData("xfile-lenient.x", &trace);
    ASSERT_EQ(model.frames.size(), 1u);
    EXPECT_EQ(model.frames[0].name, "Left-Arm.001");
    EXPECT_EQ(model.frames[0].transform, XIdentity);
    ASSERT_EQ(model.meshes.size(), 1u);
    const XMesh& mesh = model.meshes[0];
    EXPECT_EQ(mesh.name, "Arm+Mesh");
    EXPECT_EQ(mesh.positions, (std::vector<XFloat3>{{0, 0, 0}, {1.5f, 0, 0}, {0, -0.25f, 100}}));
    EXPECT_EQ(mesh.faces.indices, (std::vector<std::uint32_t>{0, 1, 2}));

    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].name, "Shiny.Red-01");
    EXPECT_EQ(mesh.materials[0].power, 32.0f);
    EXPECT_EQ(mesh.materials[0].specular, (XFloat3{1, 1, 1}));
    EXPECT_EQ(mesh.materials[0].textureFile, std::optional<std::string>("maps/red.png"));
    EXPECT_EQ(mesh.faceMaterials, std::vector<std::uint32_t>{0});

    ASSERT_TRUE(mesh.declData.has_value());
    EXPECT_EQ(mesh.declData->elements, (std::vector<XDeclElement>{{1, 0, 5, 1}}));
    EXPECT_EQ(mesh.declData->data,
              (std::vector<std::uint32_t>{1065353216, 0, 0, 1065353216, 1056964608, 1056964608}));

    // One line per name of a skipped object, however often it occurs.
    const std::string path = DataPath("xfile-lenient.x");
    EXPECT_EQ(trace, path + "(35): unknown object 'CustomThing' skipped\n" + path +
                         "(64): object 'VertexDuplicationIndices' skipped\n");
}

TEST(PlatformXFile, AnimationKeysAreSortedByTimeAndForeignTargetsKept)
{
    const XFileModel model = ReadData("xfile-animation.x");
    EXPECT_EQ(model.ticksPerSecond, 4800u);
    ASSERT_EQ(model.animationSets.size(), 1u);
    const XAnimationSet& set = model.animationSets[0];
    EXPECT_EQ(set.name, "Walk");
    ASSERT_EQ(set.animations.size(), 2u);

    const XAnimation& hip = set.animations[0];
    EXPECT_EQ(hip.target, "Hip");
    ASSERT_EQ(hip.keys.size(), 3u);
    EXPECT_EQ(hip.keys[0].type, XKeyType::Rotation);
    EXPECT_EQ(hip.keys[0].times, (std::vector<std::uint32_t>{0, 2400, 4800}));
    EXPECT_EQ(hip.keys[0].values, (std::vector<float>{1, 0, 0, 0, 0.7071068f, 0.7071068f, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(hip.keys[1].times, (std::vector<std::uint32_t>{0, 9600}));
    EXPECT_EQ(hip.keys[1].values, (std::vector<float>{1, 1, 1, 2, 2, 2}));
    // Equal times keep their order in the file.
    EXPECT_EQ(hip.keys[2].values, (std::vector<float>{0, 0, 0, 5, 0, 0}));
    EXPECT_TRUE(hip.hasOptions);
    EXPECT_EQ(hip.openClosed, 1u);
    EXPECT_EQ(hip.positionQuality, 0u);

    const XAnimation& foreign = set.animations[1];
    EXPECT_EQ(foreign.name, "Foreign");
    EXPECT_EQ(foreign.target, "Tail");
    ASSERT_EQ(foreign.keys.size(), 1u);
    EXPECT_EQ(foreign.keys[0].type, XKeyType::Matrix);
    EXPECT_EQ(foreign.keys[0].values[12], 7.0f);
}

// Two meshes (one at top level, named by two frames), materials with effects, skin weights, colours,
// further vertex data and two animation sets; floats chosen to need all nine digits.
XFileModel RichModel()
{
    XFileModel model;
    model.ticksPerSecond = 30;

    XMesh body;
    body.name = "Body";
    body.positions = {{0.1f, 1.0f / 3, -2.5e-7f}, {1, 0, 0}, {0, 1, 0}, {3.4e38f, -0.0f, 1e-30f}};
    body.faces = {{3, 4}, {0, 1, 2, 0, 2, 3, 1}};
    body.normals = XMeshNormals{{{0, 0, 1}, {0.6f, 0.8f, 0}}, {{3, 4}, {0, 0, 0, 1, 1, 1, 1}}};
    body.texCoords = {{0, 0}, {1, 0}, {0, 1}, {0.123456789f, 0.987654321f}};
    body.vertexColors = {{1, 0, 0, 1}, {1, 1, 1, 1}, {0, 0.5f, 1, 0.25f}, {1, 1, 1, 1}};
    XMaterial skin;
    skin.name = "Skin";
    skin.faceColor = {0.9f, 0.8f, 0.7f, 1};
    skin.power = 8;
    skin.textureFile = "C:\\art\\skin.tga";
    XMaterial metal;
    metal.effect = XEffectInstance{"metal.fx",
                                   {{XEffectParam::Kind::String, "Map", "metal.tga", {}, 0},
                                    {XEffectParam::Kind::Floats, "Gloss", "", {0.5f, 2}, 0},
                                    {XEffectParam::Kind::DWord, "Mode", "", {}, 7}}};
    body.materials = {skin, metal};
    body.faceMaterials = {1, 0};
    body.declData = XDeclData{{{2, 0, 6, 0}}, std::vector<std::uint32_t>(12, 0x3F800000)};
    body.skinHeader = XSkinHeader{2, 4, 2};
    XMatrix offset = XIdentity;
    offset[13] = -1.25f;
    body.skinWeights = {{"Spine", {0, 1, 3}, {1, 0.5f, 0.25f}, offset}, {"Head", {1}, {0.5f}, XIdentity}};

    XMesh prop;
    prop.name = "Prop";
    prop.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    prop.faces = {{3}, {0, 1, 2}};

    model.meshes = {prop, body};
    model.rootMeshes = {0};
    XFrame head{"Head", XIdentity, {}, {0}};
    XFrame spine{"Spine", offset, {head}, {1, 0}};
    model.frames = {spine, XFrame{"Lonely", XIdentity, {}, {}}};

    XAnimation turn{"Turn", "Spine", {{XKeyType::Rotation, {0, 10}, {1, 0, 0, 0, 0, 0, 1, 0}}}, true, 0, 1};
    XAnimation move{"", "Elsewhere",
                    {{XKeyType::Translation, {5}, {1, 2, 3}}, {XKeyType::MatrixOld, {0}, std::vector<float>(16, 0.5f)}},
                    false, 1, 1};
    model.animationSets = {{"Idle", {turn}}, {"Run", {move, turn}}};
    return model;
}

TEST(PlatformXFile, WrittenDescriptionReadsBackEqualAndWritesTheSameBytes)
{
    const XFileModel model = RichModel();
    std::string first;
    ASSERT_EQ(WriteXFileText(model, first), Gfx::Ok);
    EXPECT_EQ(first.rfind("xof 0303txt 0032\n", 0), 0u);

    XFileModel read;
    ASSERT_EQ(ReadXFileText("rich.x", first, read), Gfx::Ok);
    EXPECT_TRUE(read == model);
    EXPECT_EQ(read.meshes[1].positions[0][1], 1.0f / 3); // bit for bit through "%.9g"
    // The shared mesh stays one mesh named by both frames.
    EXPECT_EQ(read.meshes.size(), 2u);
    EXPECT_EQ(read.frames[0].children[0].meshes, read.rootMeshes);

    std::string again;
    ASSERT_EQ(WriteXFileText(model, again), Gfx::Ok);
    EXPECT_EQ(again, first);
    std::string fromRead;
    ASSERT_EQ(WriteXFileText(read, fromRead), Gfx::Ok);
    EXPECT_EQ(fromRead, first);
}

TEST(PlatformXFile, WriterRefusesWhatWouldNotReadBack)
{
    struct Case
    {
        const char* what;
        void (*damage)(XFileModel&);
    };
    const Case cases[] = {
        {"face index past the vertices", [](XFileModel& m) { m.meshes[0].faces.indices[2] = 3; }},
        {"name with a space", [](XFileModel& m) { m.frames[0].name = "two words"; }},
        {"string with a quote", [](XFileModel& m) { m.meshes[1].materials[0].textureFile = "a\"b"; }},
        {"shared mesh without a name", [](XFileModel& m) { m.meshes[0].name.clear(); }},
        {"mesh held nowhere", [](XFileModel& m) { m.rootMeshes.clear(); m.frames[0].children.clear(); m.frames[0].meshes = {1}; }},
        {"not a finite number", [](XFileModel& m) { m.meshes[0].positions[0][0] = std::numeric_limits<float>::infinity(); }},
    };
    for (const Case& c : cases)
    {
        XFileModel model = RichModel();
        c.damage(model);
        std::string text = "left over";
        EXPECT_EQ(WriteXFileText(model, text), Gfx::InvalidCall) << c.what;
        EXPECT_EQ(text, "") << c.what;
    }
}

class PlatformXFileRefusal : public TempFolderTest
{
};

std::string NestedFrames(int depth)
{
    std::string text = "xof 0303txt 0032\n";
    for (int i = 0; i < depth; ++i)
    {
        text += "Frame {\n";
    }
    return text;
}

TEST_F(PlatformXFileRefusal, DamagedFilesAreRefusedWithOneLineNamingFileAndLine)
{
    const std::string cube = ReadText(DataPath("xfile-cube.x"));
    const std::string animation = ReadText(DataPath("xfile-animation.x"));
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case
    {
        const char* what;
        std::string content; // not written for the missing file
        Gfx::Result result;
        std::string trace; // after the file's path
    };
    const std::string shortFile = "xof 0303txt 0032\nMesh { 2000000000; 0;0;0;; }\n";
    const Case cases[] = {
        {"binary", "xof 0303bin 0032\x01\x02\x03", Gfx::InvalidData,
         ": binary X files are not supported, only the text form"},
        {"tzip", "xof 0303tzip0032....", Gfx::InvalidData, ": compressed X files are not supported, only the text form"},
        {"empty", "", Gfx::InvalidData, ": not an X file"},
        {"missing", "", Gfx::NotFound, ": cannot open"},
        {"truncated in faces", cube.substr(0, cube.find("4;0,4,7")), Gfx::InvalidData,
         "(25): expected a face's corner count, found the end of the file"},
        {"face index 99", replaced(cube, "4;0,4,7,3;", "4;0,4,99,3;"), Gfx::InvalidData,
         "(25): face 4 uses vertex 99, but the mesh has 8"},
        {"count larger than its data", replaced(cube, "    6;\n    4;0,3,2,1", "    7;\n    4;0,3,2,1"), Gfx::InvalidData,
         "(27): expected a face's corner count, found 'MeshNormals'"},
        {"two billion vertices", shortFile, Gfx::InvalidData,
         "(2): vertex count 2000000000 is larger than the data that follows"},
        {"unknown material", replaced(cube, "Material Crate {", "{ Missing }\n Material Crate {"), Gfx::InvalidData,
         "(72): reference to an unknown material 'Missing'"},
        {"rotation key of 3 values", replaced(animation, "0;4;1.0,0.0,0.0,0.0", "0;3;1.0,0.0,0.0"),
         Gfx::InvalidData, "(16): a key of type 0 has 4 values, not 3"},
        {"1.#QNAN", replaced(cube, "0.1;0.2;0.3;;", "0.1;1.#QNAN;0.3;;"), Gfx::InvalidData,
         "(66): expected a finite number, found '1.#QNAN'"},
        {"100,000 nested frames", NestedFrames(100000), Gfx::InvalidData,
         "(258): objects nested deeper than 256 levels"},
    };
    for (const Case& c : cases)
    {
        const std::string path = PathOf(std::string(c.what) + ".x");
        if (c.result != Gfx::NotFound)
        {
            WriteFile(std::string(c.what) + ".x", c.content);
        }
        Platform::DebugOutputCapture capture;
        XFileModel model;
        model.ticksPerSecond = 1;
        EXPECT_EQ(ReadXFile(path, model), c.result) << c.what;
        EXPECT_EQ(capture.Text(), path + c.trace + "\n") << c.what;
        EXPECT_TRUE(model == XFileModel()) << c.what;
    }
}

// Every cut and thousands of random byte changes end in a success or a refusal; the sanitizer build
// runs the same sweep for leaks and overflows.
TEST(PlatformXFile, DamageSweepNeverCrashes)
{
    XFileModel model = RichModel();
    std::string text;
    ASSERT_EQ(WriteXFileText(model, text), Gfx::Ok);
    text += ReadText(DataPath("xfile-lenient.x")).substr(17);
    ASSERT_GT(text.size(), 2000u);

    Platform::DebugOutputCapture capture;
    int successes = 0;
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
    {
        XFileModel read;
        const Gfx::Result result = ReadXFileText("cut.x", std::string_view(text).substr(0, cut), read);
        ASSERT_TRUE(result == Gfx::Ok || result == Gfx::InvalidData) << cut;
        successes += result == Gfx::Ok;
        capture.Clear();
    }
    EXPECT_GT(successes, 0);

    std::mt19937 random(1234);
    std::uniform_int_distribution<std::size_t> offset(0, text.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    const std::string tokens = "{}<>;,\"0123456789.-e#/ \n";
    for (int copy = 0; copy < 2000; ++copy)
    {
        std::string damaged = text;
        for (int change = 0; change < 1 + copy % 4; ++change)
        {
            const int value = byte(random);
            // Half the changes put in a character the syntax cares about.
            damaged[offset(random)] = value < 128 ? tokens[std::size_t(value) % tokens.size()] : static_cast<char>(value);
        }
        XFileModel read;
        const Gfx::Result result = ReadXFileText("damaged.x", damaged, read);
        ASSERT_TRUE(result == Gfx::Ok || result == Gfx::InvalidData) << copy;
        capture.Clear();
    }
}

} // namespace
